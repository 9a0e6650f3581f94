// The normal variate by the polar method, and the log-normal built on it.
#include "random/normal.hpp"

#include <cmath>

#include "random/checks.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"

namespace quantora {

namespace {

// Below this squared radius log(s) / s loses relative precision to the
// subnormal range of px and py, so the point is first scaled by a power of two.
constexpr double RESCALE_BELOW = 1e-4;
constexpr double LN_4 = 1.3862943611198906;

}  // namespace

NormalSampler::NormalSampler(double mu, double sigma)
    : valid_(!invalid_location_scale(mu, sigma)), mu_(mu), sigma_(sigma) {}

double NormalSampler::operator()(Engine& engine) const {
    if (!valid_) return NaN;
    double px;
    double py;
    double s;
    // A point uniform in the square, kept when strictly inside the unit disc
    // and off both axes; each attempt costs two engine outputs and succeeds
    // with probability pi/4, so the loop is short.
    for (;;) {
        const double u1 = canonical_uniform(engine);
        const double u2 = canonical_uniform(engine);
        px = u1 * 2.0 - 1.0;
        py = u2 * 2.0 - 1.0;
        s = px * px + py * py;
        if (s < 1 && px != 0 && py != 0) break;
    }
    double f;
    if (s > RESCALE_BELOW) {
        f = std::log(s);
    } else {
        // Scaling by 2^-g multiplies s by 4^-g; log(s) of the original point is
        // recovered by adding g ln 4, and the ratio below is invariant.
        const double larger = abs_value(px) > abs_value(py) ? abs_value(px) : abs_value(py);
        const int g = std::ilogb(larger);
        px = std::scalbn(px, -g);
        py = std::scalbn(py, -g);
        s = px * px + py * py;
        f = std::log(s) + static_cast<double>(g) * LN_4;
    }
    const double r = std::sqrt((f * -2.0) / s);
    // Only the first coordinate is used; nothing is kept for a later call.
    return (r * px) * sigma_ + mu_;
}

double LogNormalSampler::operator()(Engine& engine) const {
    if (!normal_.valid()) return NaN;
    return exp_kernel(normal_(engine));
}

}  // namespace quantora
