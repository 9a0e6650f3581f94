// Distribution functions with a closed form: normal, Bernoulli, Cauchy,
// exponential, Laplace, log-normal, logistic, uniform and Weibull.
#include "cdf/cdf.hpp"
#include "cdf/probability.hpp"
#include "special/erf.hpp"
#include "special/trig.hpp"

namespace quantora {

using namespace cdf_detail;

namespace {

constexpr double SQRT2 = 1.4142135623730951;

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
    double v;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        const double z = ((x - mu) / sigma) / SQRT2;
        v = (erf_kernel(z) + 1) * 0.5;
    } else {
        v = normal_limit(x, mu, sigma);
    }
    return probability(v, log_p);
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
    return probability(v, log_p);
}

double pcauchy(double x, double mu, double sigma, bool log_p) {
    if (x != x || mu != mu || sigma != sigma) return NaN;
    if (sigma < 0) return NaN;
    double v;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma)) {
        // A zero scale is left to the arithmetic: z is then +-infinity, or
        // NaN at x == mu.
        const double z = (x - mu) / sigma;
        v = atan_kernel(z) / PI + 0.5;
    } else if (sigma == INF) {
        v = infinite_scale_limit(x, mu);
    } else if (same_infinity(x, mu)) {
        v = NaN;
    } else {
        v = (x == INF || mu == -INF) ? 1.0 : 0.0;
    }
    return probability(v, log_p);
}

double pexp(double x, double rate, bool log_p) {
    if (x != x || rate != rate) return NaN;
    if (rate < 0) return NaN;
    double v;
    if (x <= 0) {
        v = 0;
    } else if (rate == INF) {
        v = 1;
    } else {
        // 1 - e^(-rate x) without cancellation for small rate x.
        v = -expm1_kernel((-rate) * x);
    }
    return probability(v, log_p);
}

double plaplace(double x, double mu, double sigma, bool log_p) {
    if (x != x || mu != mu || sigma != sigma) return NaN;
    if (sigma < 0) return NaN;
    double v;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        const double d = x - mu;
        const double s = sign_of(d);
        const double a = d < 0 ? -d : (d > 0 ? d : 0.0);
        const double e = exp_kernel((-a) / sigma);
        v = (1 - e) * (s * 0.5) + 0.5;
    } else if (same_infinity(x, mu)) {
        v = NaN;
    } else if (sigma == INF) {
        v = infinite_scale_limit(x, mu);
    } else if (sigma == 0) {
        v = sign_of(x - mu) * 0.5 + 0.5;
    } else {
        v = (x == INF || mu == -INF) ? 1.0 : 0.0;
    }
    return probability(v, log_p);
}

double plnorm(double x, double mu, double sigma, bool log_p) {
    if (x != x || mu != mu || sigma != sigma) return NaN;
    if (sigma < 0) return NaN;
    if (x < EPS) return certain_zero(log_p);
    return pnorm(log_kernel(x), mu, sigma, log_p);
}

double plogis(double x, double mu, double sigma, bool log_p) {
    if (x != x || mu != mu || sigma != sigma) return NaN;
    if (sigma < 0) return NaN;
    double v;
    if (!is_infinite(x) && !is_infinite(mu) && !is_infinite(sigma) && sigma != 0) {
        // (1 + tanh(w))/2 with w = (x - mu)/(2 sigma). The fixed-depth fraction
        // of tanh overshoots +-1 slightly for |w| beyond about 19; the clamp
        // of the result keeps the far tails at 0 and 1.
        const double w = (x - mu) / (sigma + sigma);
        v = (tanh_kernel(w) + 1) * 0.5;
    } else if (same_infinity(x, mu)) {
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
    return probability(v, log_p);
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
        v = (x - a) / (b - a);
    }
    return probability(v, log_p);
}

double pweibull(double x, double shape, double scale, bool log_p) {
    if (x != x || shape != shape || scale != scale) return NaN;
    if (shape < EPS || scale < EPS) return NaN;
    if (x < EPS) return certain_zero(log_p);
    double v;
    if (!is_infinite(x) && !is_infinite(shape) && !is_infinite(scale)) {
        const double r = x / scale;
        const double t = exp_kernel(log_kernel(r) * shape);
        v = -expm1_kernel(-t);
    } else if (x == INF) {
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
    return probability(v, log_p);
}

}  // namespace quantora
