// Quantiles with a closed form: the inverse of each distribution function is an
// elementary expression in p, evaluated in a fixed order on the library's own
// kernels. Where the expression loses p to a rounding (1 - p, p - 1/2, 2p - 1
// far in a tail, or a logarithm within EPS of 1 near the median), the tail gets
// an expression of its own without that rounding, or, for the normal laws, the
// expression is checked against the distribution function.
#include <limits>

#include "cdf/cdf.hpp"
#include "quantile/closed_form_forms.hpp"
#include "quantile/conventions.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/erf.hpp"
#include "special/log_scale.hpp"
#include "special/root_rule.hpp"
#include "special/trig.hpp"

namespace quantora {

using namespace quantile_rules;
using namespace quantile_forms;

namespace {

constexpr double PI = 3.141592653589793;
constexpr double LARGEST = std::numeric_limits<double>::max();
constexpr double TWO_64 = 18446744073709551616.0;
// 2^-960: below, q pi would lose digits to the subnormal range.
constexpr double SCALED_BELOW = 1.0261342003245941e-289;


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
        result = plus_zero(mu);
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
    // A law moved to an infinity keeps every inner quantile there.
    if (is_infinite(mu)) {
        result = mu;
        return true;
    }
    return false;
}

// erf^-1(2p - 1), the standard normal quantile in units of sqrt 2, by its
// first term where that is below EPS.
double normal_unit_quantile(double p) {
    const double y = erf_argument(p);
    const double first_term = erf_inv_first_term(y);
    return abs_value(first_term) < EPS ? first_term : erf_inv_kernel(y);
}

// The candidate x checked against the law: below the median against
// ln F(y) >= ln p, which keeps its relative accuracy where F and p are
// subnormal; above it against the upper tail Q(y) = 1 - F(y) <= 1 - p, which
// is exact in 1 - p and keeps its relative accuracy where F rounds to 1. A
// root at an end of the doubles stands for a quantile beyond them.
template <class LogLower, class Upper>
double checked_two_tailed(double x, double p, double lo, double hi, LogLower log_lower, Upper upper) {
    const double root = p <= 0.5 ? checked_quantile(x, log_value(p), lo, hi, log_lower)
                                 : checked_quantile(x, -(1 - p), lo, hi, [&upper](double y) { return -upper(y); });
    if (root == LARGEST) return INF;
    if (root == -LARGEST) return -INF;
    return root;
}

// sigma/tan(pi q) for 0 < q <= 1/2, the distance of a Cauchy quantile from mu
// in the tail of probability q. Below EPS the tangent is its argument; tiny q
// are scaled up by 2^64 together with sigma so that q pi keeps its digits.
double cauchy_tail_distance(double q, double sigma) {
    const double angle = q * PI;
    if (!near_zero(angle)) return sigma / tan_kernel(angle);
    if (q >= SCALED_BELOW) return sigma / angle;
    return (sigma * TWO_64) / ((q * TWO_64) * PI);
}

}  // namespace

double qnorm(double p, double mu, double sigma) {
    double result;
    if (location_scale_decided(p, mu, sigma, result)) {
        return result;
    }
    // Phi^-1(p) = sqrt(2) erf^-1(2p - 1).
    const double x = normal_offset(normal_unit_quantile(p), sigma) + mu;
    if (NORMAL_TAIL <= p && p <= 1 - NORMAL_TAIL) return plus_zero(x);
    return checked_two_tailed(
        x, p, -LARGEST, LARGEST, [mu, sigma](double y) { return pnorm(y, mu, sigma, true); },
        [mu, sigma](double y) { return pnorm(mu, y, sigma, false); });
}

double qcauchy(double p, double mu, double sigma) {
    double result;
    if (location_scale_decided(p, mu, sigma, result)) {
        return result;
    }
    if (p < CAUCHY_TAIL) return plus_zero(mu - cauchy_tail_distance(p, sigma));
    if (p > 1 - CAUCHY_TAIL) return plus_zero(mu + cauchy_tail_distance(1 - p, sigma));
    return qcauchy_form(p, mu, sigma);
}

double qlaplace(double p, double mu, double sigma) {
    double result;
    if (location_scale_decided(p, mu, sigma, result)) {
        return result;
    }
    // The lower tail from its own probability: x = mu + sigma ln(2p).
    if (p < LAPLACE_TAIL) return plus_zero(mu + sigma * log_value(p + p));
    return qlaplace_form(p, mu, sigma);
}

double qlogis(double p, double mu, double sigma) {
    double result;
    if (location_scale_decided(p, mu, sigma, result)) {
        return result;
    }
    return qlogis_form(p, mu, sigma);
}

double qlnorm(double p, double mu, double sigma) {
    if (mu != mu || sigma != sigma || sigma < 0 || invalid_probability(p)) {
        return NaN;
    }
    if (sigma == 0 || sigma == INF || p == 0 || p == 1 || is_infinite(mu)) {
        return exp_value(qnorm(p, mu, sigma));
    }
    // e^y turns an absolute error of the normal quantile y = mu + offset into a
    // relative one. The normal quantile's relative error is at most 2.7e-11
    // inside the bounds below, so a moderate offset keeps the result within
    // 1e-7; elsewhere it is checked on the log-normal law itself.
    const double offset = normal_offset(normal_unit_quantile(p), sigma);
    const double x = exp_value(offset + mu);
    if (LOGNORMAL_TAIL <= p && p <= 1 - LOGNORMAL_TAIL && abs_value(offset) <= LOGNORMAL_OFFSET) return x;
    return checked_two_tailed(
        x, p, 0, LARGEST, [mu, sigma](double y) { return plnorm(y, mu, sigma, true); },
        [mu, sigma](double y) { return pnorm(mu, log_value(y), sigma, false); });
}

double qexp(double p, double rate) {
    if (rate != rate || rate < 0 || invalid_probability(p)) {
        return NaN;
    }
    rate = plus_zero(rate);
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return INF;
    }
    // -ln(1 - p) without the rounding of 1 - p; it is p itself below EPS.
    if (p < EXPONENTIAL_TAIL) return (p < EPS ? p : -log1p_value(-p)) / rate;
    return qexp_form(p, rate);
}

double qunif(double p, double a, double b) {
    if (a != a || b != b || !(a < b) || invalid_probability(p)) {
        return NaN;
    }
    if (a == -INF || a == INF || b == -INF || b == INF) {
        return NaN;
    }
    if (p == 0) {
        return plus_zero(a);
    }
    if (p == 1) {
        return plus_zero(b);
    }
    const double width = b - a;
    // The same expression in halves where the width overflows. It is never
    // -0: a = -0 leaves the positive width * p, and an exact cancellation is +0.
    const double x = width != INF ? width * p + a : ((b * 0.5 - a * 0.5) * p + a * 0.5) * 2;
    // Rounding must not leave the support.
    return x < a ? a : (x > b ? plus_zero(b) : x);
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
    return qweibull_form(p, shape, scale);
}

double qbern(double p, double prob) {
    if (prob != prob || prob == -INF || prob == INF || prob < 0 || prob > 1 || invalid_probability(p)) {
        return NaN;
    }
    // 1 - prob rounds to 1 for prob below 2^-54; p = 1 still reaches the count 1.
    if (p == 1) return prob > 0 ? 1.0 : 0.0;
    return p > 1 - prob ? 1.0 : 0.0;
}

}  // namespace quantora
