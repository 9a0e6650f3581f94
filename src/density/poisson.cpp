// The Poisson mass.
#include <limits>

#include "density/conventions.hpp"
#include "density/density.hpp"
#include "special/gamma.hpp"

namespace quantora {

using namespace density_rules;

namespace {

// x + 1 as a double with a single rounding of the exact integer. The largest
// count has no 64-bit successor; its successor 2^63 is a double exactly.
double count_plus_one(std::int64_t x) {
    if (x == std::numeric_limits<std::int64_t>::max()) return 9223372036854775808.0;
    return static_cast<double>(x + 1);
}

}  // namespace

double dpois(std::int64_t x, double rate, bool log) {
    if (is_nan(rate)) return NaN;
    if (rate < 0) return NaN;
    if (x < 0) return constant_zero(log);
    if (rate == 0) {
        if (x == 0) return log ? 0.0 : 1.0;
        return constant_zero(log);
    }
    if (rate == INF) return constant_zero(log);
    // At x == 0 a rate below EPS has log rate == -infinity; the zero count
    // makes that factor 1, so the mass tends to exp(-rate).
    const double log_density =
        (coef_times_log(static_cast<double>(x), log_kernel(rate)) - rate) - lgamma_kernel(count_plus_one(x));
    return from_log_density(log_density, log);
}

}  // namespace quantora
