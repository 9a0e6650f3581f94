// Densities with a closed form in logarithms and exponentials: normal,
// Bernoulli, Cauchy, exponential, Laplace, log-normal, logistic, uniform and
// Weibull. Each kernel tests its arguments in a fixed order (NaN, parameter
// range, support, degenerate and infinite cases) before it reaches the formula,
// so that the first matching test decides when several conditions hold at once.
#include "density/conventions.hpp"
#include "density/density.hpp"

namespace quantora {

using namespace density_rules;

namespace {

constexpr double LN_SQRT_2PI = 0.9189385332046728;
constexpr double PI = 3.141592653589793;

// Degenerate or infinite location-scale parameters: an infinite scale flattens
// the density to 0 everywhere, x and mu at the same infinity leave it undefined,
// and a zero scale concentrates all mass at mu.
double location_scale_special(double x, double mu, double sigma) {
    if (sigma == INF) return 0.0;
    if (same_infinity(x, mu)) return NaN;
    if (sigma == 0 && x == mu) return INF;
    return 0.0;
}

}  // namespace

double dnorm(double x, double mu, double sigma, bool log) {
    if (is_nan(x) || is_nan(mu) || is_nan(sigma)) return NaN;
    if (sigma < 0) return NaN;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        const double z = (x - mu) / sigma;
        const double log_density = (-LN_SQRT_2PI - log_kernel(sigma)) - (z * z) * 0.5;
        return from_log_density(log_density, log);
    }
    return special_value(location_scale_special(x, mu, sigma), log);
}

double dbern(std::int64_t x, double prob, bool log) {
    if (is_nan(prob)) return NaN;
    if (is_infinite(prob)) return NaN;
    if (prob < 0) return NaN;
    if (prob > 1) return NaN;
    double v = 0.0;
    if (x == 1) {
        v = prob;
    } else if (x == 0) {
        v = 1 - prob;
    }
    return special_value(v, log);
}

double dcauchy(double x, double mu, double sigma, bool log) {
    if (is_nan(x) || is_nan(mu) || is_nan(sigma)) return NaN;
    if (sigma < 0) return NaN;
    double v;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma)) {
        // A zero scale is not caught: z becomes infinite or NaN and so does v.
        const double z = (x - mu) / sigma;
        v = 1 / ((z * z + 1) * (sigma * PI));
    } else if (sigma == INF) {
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
    // A zero rate with finite x gives log(0) = -infinity, hence the density 0.
    return from_log_density(log_kernel(rate) - x * rate, log);
}

double dlaplace(double x, double mu, double sigma, bool log) {
    if (is_nan(x) || is_nan(mu) || is_nan(sigma)) return NaN;
    if (sigma < 0) return NaN;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        const double d = x - mu;
        // |d| taken as +0 at d == 0 so that a -0 difference cannot flip the
        // sign of a zero log-density.
        double a = d < 0 ? -d : d;
        if (d == 0) a = 0.0;
        const double log_density = -log_kernel(sigma + sigma) - a / sigma;
        return from_log_density(log_density, log);
    }
    return special_value(location_scale_special(x, mu, sigma), log);
}

double dlnorm(double x, double mu, double sigma, bool log) {
    if (is_nan(x) || is_nan(mu) || is_nan(sigma)) return NaN;
    if (sigma < 0) return NaN;
    if (x < 0) return constant_zero(log);
    // -infinity for every x below EPS, x == 0 included.
    const double lx = log_kernel(x);
    if (!is_infinite(lx) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        if (log) return dnorm(lx, mu, sigma, true) - lx;
        return dnorm(lx, mu, sigma, false) / x;
    }
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
        // A zero scale is not caught: z is infinite or NaN and so is L.
        const double z = -((x - mu) / sigma);
        const double e = exp_kernel(z);
        const double g = log_kernel(e + 1);
        const double s = log_kernel(sigma);
        const double log_density = (z - s) - (g + g);
        return from_log_density(log_density, log);
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
    if (log) return -log_kernel(b - a);
    return 1 / (b - a);
}

double dweibull(double x, double shape, double scale, bool log) {
    if (is_nan(x) || is_nan(shape) || is_nan(scale)) return NaN;
    if (shape < EPS) return NaN;
    if (scale < EPS) return NaN;
    if (x < 0) return constant_zero(log);
    if (x == 0 && shape < 1) return INF;
    if (x == INF) return constant_zero(log);
    const double r = x / scale;
    const double g = log_kernel(shape / scale);
    const double lr = log_kernel(r);
    const double t = exp_kernel(lr * shape);
    // For shape == 1 and r below EPS the power term vanishes exactly, leaving
    // the density's limit 1/scale.
    const double log_density = (coef_times_log(shape - 1, lr) + g) - t;
    return from_log_density(log_density, log);
}

}  // namespace quantora
