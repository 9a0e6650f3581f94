// Distribution functions with a closed form: normal, Bernoulli, Cauchy,
// exponential, Laplace, log-normal, logistic, uniform and Weibull.
#include "cdf/cdf.hpp"
#include "cdf/closed_form_forms.hpp"
#include "cdf/probability.hpp"
#include "special/closed_form_terms.hpp"
#include "special/trig.hpp"

namespace quantora {

using namespace cdf_detail;
using namespace cdf_forms;

namespace {

constexpr double LN_PI = 1.1447298858494002;


// atan(sigma/(mu - x))/pi for x below mu: the arc tangent of the reciprocal,
// which is its argument itself below EPS. Its logarithm comes from the
// logarithms of scale and distance once the ratio leaves the normal range.
double cauchy_lower_tail(double x, double mu, double sigma, bool log_p) {
    const double d = mu - x;
    const double w = d != INF ? sigma / d : (sigma / (mu * 0.5 - x * 0.5)) * 0.5;
    const double angle = near_zero(w) ? w : atan_kernel(w);
    if (!log_p) return angle / PI;
    if (w >= SMALLEST_NORMAL) return log_value(angle) - LN_PI;
    return (log_value(sigma) - log_distance(mu, x)) - LN_PI;
}

// The normal's limits when a parameter is infinite or the scale is zero;
// x and mu at the same infinity have no limit.
double normal_limit(double x, double mu, double sigma) {
    if (same_infinity(x, mu)) return NaN;
    if (sigma == INF) {
        if (x == INF) return 1;
        if (mu == -INF) return 1;
        if (x == -INF) return 0;
        if (mu == INF) return 0;
        return 0.5;
    }
    if (sigma == 0) return x >= mu ? 1.0 : 0.0;
    return (x == INF || mu == -INF) ? 1.0 : 0.0;
}

// Laplace and logistic limits share the treatment of an infinite scale:
// with x or mu infinite as well there is no limit.
double infinite_scale_limit(double x, double mu) {
    return (is_infinite(x) || is_infinite(mu)) ? NaN : 0.5;
}

}  // namespace

double pnorm(double x, double mu, double sigma, bool log_p) {
    if (x != x || mu != mu || sigma != sigma) return NaN;
    if (sigma < 0) return NaN;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        return pnorm_form(x, mu, sigma, log_p);
    }
    return result(normal_limit(x, mu, sigma), log_p);
}

double pbern(std::int64_t x, double prob, bool log_p) {
    if (prob != prob) return NaN;
    if (prob == -INF || prob == INF) return NaN;
    if (prob < 0 || prob > 1) return NaN;
    double v;
    if (x < 0) {
        v = 0;
    } else if (x >= 1) {
        v = 1;
    } else {
        v = 1 - prob;
    }
    return result(v, log_p);
}

double pcauchy(double x, double mu, double sigma, bool log_p) {
    if (x != x || mu != mu || sigma != sigma) return NaN;
    if (sigma < 0) return NaN;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma)) {
        // A zero scale is left to the arithmetic: z is then +-infinity, or
        // NaN at x == mu.
        const double z = standardized(x, mu, sigma);
        if (sigma > 0 && z < CAUCHY_LOWER_TAIL) return cauchy_lower_tail(x, mu, sigma, log_p);
        return cauchy_central(z, log_p);
    }
    double v;
    if (sigma == INF) {
        v = infinite_scale_limit(x, mu);
    } else if (same_infinity(x, mu)) {
        v = NaN;
    } else {
        v = (x == INF || mu == -INF) ? 1.0 : 0.0;
    }
    return result(v, log_p);
}

double pexp(double x, double rate, bool log_p) {
    if (x != x || rate != rate) return NaN;
    if (rate < 0) return NaN;
    rate = plus_zero(rate);
    if (x <= 0) return result(0.0, log_p);
    if (rate == INF) return result(1.0, log_p);
    return pexp_form(x, rate, log_p);
}

double plaplace(double x, double mu, double sigma, bool log_p) {
    if (x != x || mu != mu || sigma != sigma) return NaN;
    if (sigma < 0) return NaN;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        return plaplace_form(x, mu, sigma, log_p);
    }
    double v;
    if (same_infinity(x, mu)) {
        v = NaN;
    } else if (sigma == INF) {
        v = infinite_scale_limit(x, mu);
    } else if (sigma == 0) {
        v = sign_of(x - mu) * 0.5 + 0.5;
    } else {
        v = (x == INF || mu == -INF) ? 1.0 : 0.0;
    }
    return result(v, log_p);
}

double plnorm(double x, double mu, double sigma, bool log_p) {
    if (x != x || mu != mu || sigma != sigma) return NaN;
    if (sigma < 0) return NaN;
    if (x <= 0) return certain_zero(log_p);
    return pnorm(log_value(x), mu, sigma, log_p);
}

double plogis(double x, double mu, double sigma, bool log_p) {
    if (x != x || mu != mu || sigma != sigma) return NaN;
    if (sigma < 0) return NaN;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        return plogis_form(x, mu, sigma, log_p);
    }
    double v;
    if (same_infinity(x, mu)) {
        v = NaN;
    } else if (sigma == INF) {
        v = infinite_scale_limit(x, mu);
    } else if (x == INF || mu == -INF) {
        v = 1;
    } else if (x == -INF || mu == INF) {
        v = 0;
    } else {
        v = sign_of(x - mu) * 0.5 + 0.5;
    }
    return result(v, log_p);
}

double punif(double x, double a, double b, bool log_p) {
    if (x != x || a != a || b != b) return NaN;
    if (!(a < b)) return NaN;
    if (is_infinite(a) && is_infinite(b)) return NaN;
    double v;
    if (x <= a) {
        v = 0;
    } else if (x >= b) {
        v = 1;
    } else {
        const double width = b - a;
        if (width != INF) return probability(plus_zero((x - a) / width), log_p);
        // Finite ends whose distance overflows: the same quotient in halves.
        v = is_infinite(a) || is_infinite(b) ? (x - a) / width : (x * 0.5 - a * 0.5) / (b * 0.5 - a * 0.5);
    }
    return result(v, log_p);
}

double pweibull(double x, double shape, double scale, bool log_p) {
    if (x != x || shape != shape || scale != scale) return NaN;
    if (shape < EPS || scale < EPS) return NaN;
    if (x <= 0) return certain_zero(log_p);
    if (!is_infinite(x) && !is_infinite(shape) && !is_infinite(scale)) return pweibull_form(x, shape, scale, log_p);
    double v;
    if (x == INF) {
        v = scale == INF ? NaN : 1.0;
    } else if (scale == INF) {
        v = 0;
    } else {
        // An infinite shape makes the distribution a step at the scale.
        const double r = x / scale;
        if (r > 1) {
            v = 1;
        } else if (r == 1) {
            v = -expm1_kernel(-1.0);
        } else {
            v = 0;
        }
    }
    return result(v, log_p);
}

}  // namespace quantora
