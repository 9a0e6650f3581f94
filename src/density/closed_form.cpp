// Densities with a closed form in logarithms and exponentials: normal,
// Bernoulli, Cauchy, exponential, Laplace, log-normal, logistic, uniform and
// Weibull. Each kernel tests its arguments in a fixed order (NaN, parameter
// range, support, degenerate and infinite cases) before it reaches the formula,
// so that the first matching test decides when several conditions hold at once.
#include "density/closed_form_forms.hpp"
#include "density/conventions.hpp"
#include "density/density.hpp"
#include "special/closed_form_terms.hpp"

namespace quantora {

using namespace density_rules;
using namespace density_forms;

namespace {

constexpr double PI = 3.141592653589793;
constexpr double LN_PI = 1.1447298858494002;
// While the Cauchy denominator (1 + z^2) sigma pi is a normal double below
// 2^1022 the density is one too and its logarithm is taken from the value;
// beyond, the density is formed in logarithms.
constexpr double CAUCHY_LOG_FORM = 4.49423283715579e+307;

// Degenerate or infinite location-scale parameters: an infinite scale flattens
// the density to 0 everywhere, x and mu at the same infinity leave it undefined,
// and a zero scale concentrates all mass at mu.
double location_scale_special(double x, double mu, double sigma) {
    if (sigma == INF) return 0.0;
    if (same_infinity(x, mu)) return NaN;
    if (sigma == 0 && x == mu) return INF;
    return 0.0;
}

// ln(1/(pi sigma (1 + z^2))) with z = (x - mu)/sigma, without forming the
// denominator: for |z| > 1 as 2 ln|z| + ln(1 + z^-2), where ln|z| is taken
// from the difference and the scale once z itself overflows.
double cauchy_log_density(double x, double mu, double sigma, double z) {
    const double a = abs_value(z);
    double log_denominator;
    if (a <= 1) {
        log_denominator = log1p_value(z * z);
    } else {
        const double log_a = a != INF ? log_value(a) : log_distance(x, mu) - log_value(sigma);
        log_denominator = (log_a + log_a) + log1p_value(exp_value(-(log_a + log_a)));
    }
    return -(LN_PI + log_value(sigma)) - log_denominator;
}

// 1/((1 + z^2) sigma pi). A finite denominator that is at least sigma pi, a
// normal double, gives a normal density; an overflow of x - mu shows as an
// infinite one and is taken up below, as are a subnormal or zero sigma pi.
double cauchy_density(double x, double mu, double sigma, bool log) {
    double z = (x - mu) / sigma;
    const double sigma_pi = sigma * PI;
    double denominator = (z * z + 1) * sigma_pi;
    if (sigma_pi >= SMALLEST_NORMAL && denominator < CAUCHY_LOG_FORM) return special_value(1 / denominator, log);
    // A zero scale has no density: the formula would meet infinity times 0.
    if (sigma == 0) return NaN;
    z = standardized(x, mu, sigma);
    // A subnormal sigma pi would carry its rounding into the density; the
    // factors are then taken in the other order.
    denominator = sigma_pi >= SMALLEST_NORMAL ? (z * z + 1) * sigma_pi : ((z * z + 1) * sigma) * PI;
    if (!log && denominator != INF) return 1 / denominator;
    return from_log_density(cauchy_log_density(x, mu, sigma, z), log);
}

}  // namespace

double dnorm(double x, double mu, double sigma, bool log) {
    if (is_nan(x) || is_nan(mu) || is_nan(sigma)) return NaN;
    if (sigma < 0) return NaN;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) return dnorm_form(x, mu, sigma, log);
    return special_value(location_scale_special(x, mu, sigma), log);
}

double dbern(std::int64_t x, double prob, bool log) {
    if (is_nan(prob)) return NaN;
    if (is_infinite(prob)) return NaN;
    if (prob < 0) return NaN;
    if (prob > 1) return NaN;
    double v = 0.0;
    if (x == 1) {
        v = plus_zero(prob);
    } else if (x == 0) {
        v = 1 - prob;
    }
    return special_value(v, log);
}

double dcauchy(double x, double mu, double sigma, bool log) {
    if (is_nan(x) || is_nan(mu) || is_nan(sigma)) return NaN;
    if (sigma < 0) return NaN;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma)) return cauchy_density(x, mu, sigma, log);
    double v;
    if (sigma == INF) {
        v = (is_infinite(x) || is_infinite(mu)) ? NaN : 0.0;
    } else {
        v = same_infinity(x, mu) ? NaN : 0.0;
    }
    return special_value(v, log);
}

double dexp(double x, double rate, bool log) {
    if (is_nan(x) || is_nan(rate)) return NaN;
    if (rate < 0) return NaN;
    if (rate == INF) return NaN;
    if (x < 0) return constant_zero(log);
    if (x == INF) return rate > 0 ? constant_zero(log) : NaN;
    return dexp_form(x, rate, log);
}

double dlaplace(double x, double mu, double sigma, bool log) {
    if (is_nan(x) || is_nan(mu) || is_nan(sigma)) return NaN;
    if (sigma < 0) return NaN;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        return dlaplace_form(x, mu, sigma, log);
    }
    return special_value(location_scale_special(x, mu, sigma), log);
}

double dlnorm(double x, double mu, double sigma, bool log) {
    if (is_nan(x) || is_nan(mu) || is_nan(sigma)) return NaN;
    if (sigma < 0) return NaN;
    if (x < 0) return constant_zero(log);
    // ln x is finite for 0 < x < infinity, subnormals included.
    if (x > 0 && x != INF && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        return dlnorm_form(x, mu, sigma, log);
    }
    const double lx = log_value(x);
    double v;
    if (sigma == INF) {
        v = 0.0;
    } else if (sigma == 0) {
        // A point mass on the log scale is only visible when it sits at an
        // infinity shared with log x; a finite match still has density 0 in x.
        v = same_infinity(lx, mu) ? INF : 0.0;
    } else {
        v = (lx == INF && mu == INF) ? NaN : 0.0;
    }
    return special_value(v, log);
}

double dlogis(double x, double mu, double sigma, bool log) {
    if (is_nan(x) || is_nan(mu) || is_nan(sigma)) return NaN;
    if (sigma < 0) return NaN;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma)) {
        // A zero scale has no density: the formula meets 0/0 or infinity - infinity.
        if (sigma == 0) return NaN;
        return dlogis_form(x, mu, sigma, log);
    }
    double v;
    if (sigma == INF) {
        v = 0.0;
    } else {
        v = same_infinity(x, mu) ? NaN : 0.0;
    }
    return special_value(v, log);
}

double dunif(double x, double a, double b, bool log) {
    if (is_nan(x) || is_nan(a) || is_nan(b)) return NaN;
    if (!(a < b)) return NaN;
    if (is_infinite(a) || is_infinite(b)) return constant_zero(log);
    if (x < a || x > b) return constant_zero(log);
    const double width = b - a;
    if (width != INF) return log ? -log_value(width) : 1 / width;
    // The width overflows; half of it does not.
    const double half_width = b * 0.5 - a * 0.5;
    return log ? -(log_value(half_width) + LN_2) : 0.5 / half_width;
}

double dweibull(double x, double shape, double scale, bool log) {
    if (is_nan(x) || is_nan(shape) || is_nan(scale)) return NaN;
    if (shape < EPS) return NaN;
    if (scale < EPS) return NaN;
    if (x < 0) return constant_zero(log);
    if (x == 0 && shape < 1) return INF;
    if (x == INF) return constant_zero(log);
    // An infinite scale flattens the density to 0; an infinite shape
    // concentrates all mass at the scale.
    if (scale == INF) return special_value(0.0, log);
    if (shape == INF) return special_value(x == scale ? INF : 0.0, log);
    return dweibull_form(x, shape, scale, log);
}

}  // namespace quantora
