// Quantiles with a closed form: the inverse of each distribution function is an
// elementary expression in p, evaluated in a fixed order on the library's own kernels.
#include "quantile/conventions.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/erf.hpp"
#include "special/trig.hpp"

namespace quantora {

using namespace quantile_rules;

namespace {

constexpr double SQRT_2 = 1.4142135623730951;
constexpr double PI = 3.141592653589793;
// Below this |x| the logarithm of 1 + x is taken from its Taylor polynomial.
constexpr double LOG1P_SWITCH = 1e-4;

// The tests shared by every location-scale quantile on the whole real line, in
// their fixed order. A degenerate scale puts all mass at mu, so it outranks the
// ends of the probability range; an infinite location has no sensible end point
// on its own side. Returns true with `result` set when a test decides.
bool location_scale_decided(double p, double mu, double sigma, double& result) {
    if (mu != mu || sigma != sigma || sigma < 0 || invalid_probability(p) || sigma == INF) {
        result = NaN;
        return true;
    }
    if (sigma == 0) {
        result = mu;
        return true;
    }
    if (p == 0) {
        result = mu == INF ? NaN : -INF;
        return true;
    }
    if (p == 1) {
        result = mu == -INF ? NaN : INF;
        return true;
    }
    return false;
}

// ln(1 + x) for x = -p in (-1, 0): close to 0 the logarithm kernel loses the
// digits of x to the rounding of 1 + x, so x - x^2/2 + x^3/3 - x^4/4 + x^5/5 is
// summed by Horner's rule from the highest order.
double log1p_of(double x) {
    if (x != 0 && (x < 0 ? -x : x) > LOG1P_SWITCH) {
        return log_kernel(x + 1);
    }
    double s = (x * x) / 5;
    s = s - x * 0.25;
    s = s * x;
    s = s + x / 3;
    s = s * x;
    s = s - x * 0.5;
    s = s * x;
    return s + x;
}

}  // namespace

double qnorm(double p, double mu, double sigma) {
    double result;
    if (location_scale_decided(p, mu, sigma, result)) {
        return result;
    }
    // Phi^-1(p) = sqrt(2) erf^-1(2p - 1).
    const double z = erf_inv_kernel((p + p) - 1);
    return ((sigma * SQRT_2) * z) + mu;
}

double qcauchy(double p, double mu, double sigma) {
    double result;
    if (location_scale_decided(p, mu, sigma, result)) {
        return result;
    }
    const double t = tan_kernel((p - 0.5) * PI);
    return t * sigma + mu;
}

double qlaplace(double p, double mu, double sigma) {
    double result;
    if (location_scale_decided(p, mu, sigma, result)) {
        return result;
    }
    // Both tails at once: x = mu - sign(d) sigma ln(1 - 2|d|), d = p - 1/2.
    const double d = p - 0.5;
    const int sign = d > 0 ? 1 : (d < 0 ? -1 : 0);
    const double m = d < 0 ? -d : (d > 0 ? d : 0.0);
    const double log_tail = log_kernel(1 - (m + m));
    return mu - log_tail * (static_cast<double>(sign) * sigma);
}

double qlogis(double p, double mu, double sigma) {
    double result;
    if (location_scale_decided(p, mu, sigma, result)) {
        return result;
    }
    return log_kernel(p / (1 - p)) * sigma + mu;
}

double qlnorm(double p, double mu, double sigma) {
    if (mu != mu || sigma != sigma || sigma < 0 || invalid_probability(p)) {
        return NaN;
    }
    return exp_kernel(qnorm(p, mu, sigma));
}

double qexp(double p, double rate) {
    if (rate != rate || rate < 0 || invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return INF;
    }
    return -log_kernel(1 - p) / rate;
}

double qunif(double p, double a, double b) {
    if (a != a || b != b || !(a < b) || invalid_probability(p)) {
        return NaN;
    }
    if (a == -INF || a == INF || b == -INF || b == INF) {
        return NaN;
    }
    if (p == 0) {
        return a;
    }
    if (p == 1) {
        return b;
    }
    return (b - a) * p + a;
}

double qweibull(double p, double shape, double scale) {
    if (shape != shape || scale != scale || shape < EPS || scale < EPS || invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return INF;
    }
    if (shape == INF) {
        return scale;
    }
    // x = scale (-ln(1 - p))^(1/shape).
    const double v = -log1p_of(-p);
    if (v < 0) {
        return NaN;
    }
    return exp_kernel(log_kernel(v) * (1 / shape)) * scale;
}

double qbern(double p, double prob) {
    if (prob != prob || prob == -INF || prob == INF || prob < 0 || prob > 1 || invalid_probability(p)) {
        return NaN;
    }
    return p > 1 - prob ? 1.0 : 0.0;
}

}  // namespace quantora
