// Regularized incomplete beta function I_x(a, b) and its inverse in x.
#include "special/inc_beta.hpp"

#include "special/bisection.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/gamma.hpp"
#include "special/lagged_updates.hpp"

namespace quantora {

namespace {

constexpr double FRACTION_TOLERANCE = 1e-15;
constexpr int FRACTION_LAST_LEVEL = 205;
constexpr int INVERSE_UPDATES = 36;



// Coefficient of level j of the fraction I_x(a, b) = x^a (1 - x)^b / (a B(a, b)) / (1 + e_1/(1 + e_2/(...))),
// counted from e_0: e_2k = -(k + a)(a + b + k) x / ((2k + a + 1)(2k + a)),
// e_2k-1 = (b - k) k x / ((2k + a - 1)(2k + a)).
double fraction_coefficient(double a, double b, double x, int j) {
    if (j % 2 == 0) {
        const double k = static_cast<double>(j / 2);
        const double k2 = static_cast<double>(j);
        return ((k + a) * (-x)) * ((a + b) + k) / (((k2 + a) + 1) * (k2 + a));
    }
    const double k = static_cast<double>((j + 1) / 2);
    const double k2 = static_cast<double>(j + 1);
    return ((b - k) * (k * x)) / (((k2 + a) - 1) * (k2 + a));
}

// The fraction by the modified Lentz method: forward, stopping once a level
// changes the value by less than the tolerance.
double lentz_fraction(double a, double b, double x) {
    double d = 1 / (1 + fraction_coefficient(a, b, x, 0));
    double c = 1;
    double f = d;
    for (int j = 1; j <= FRACTION_LAST_LEVEL; ++j) {
        const double e = fraction_coefficient(a, b, x, j);
        d = 1 / (e * d + 1);
        c = e / c + 1;
        f = (c * f) * d;
        const double change = c * d - 1;
        if (change == 0 || abs_value(change) < FRACTION_TOLERANCE) break;
    }
    return f;
}

// The direct form, which converges fast for x below the mean-like split point.
double direct_form(double a, double b, double x) {
    const double front =
        exp_kernel((log_kernel(1 - x) * b + log_kernel(x) * a) - lbeta_kernel(a, b)) / a;
    return front * lentz_fraction(a, b, x);
}

// Normal quantile of the upper tail probability q <= 0.5 (rational
// approximation, absolute error below 4.5e-4), for the first guess.
double normal_upper_quantile(double q) {
    const double t = sqrt_kernel(log_kernel(q) * (-2));
    const double num = (t * 0.010328) * t + (t * 0.802853 + 2.515517);
    const double den = ((t * 0.189269) * t + (t * 1.432788 + 1)) + ((t * 0.001308) * t) * t;
    return t - num / den;
}

// Both shapes above 1: the normal quantile carried over to x through the
// logit-scale expansion x = a / (a + b e^(2w)).
double central_guess(double a, double b, double p) {
    const double sigma = p < 0.5 ? 1.0 : -1.0;
    const double q = p > 0.5 ? 1 - p : p;
    const double z = normal_upper_quantile(q) * sigma;
    const double ra = 1 / ((a + a) - 1);
    const double rb = 1 / ((b + b) - 1);
    const double h = 2 / (rb + ra);
    const double lambda = (z * z - 3) / 6;
    const double w = (sqrt_kernel(lambda + h) * z) / h -
                     ((lambda + 0.8333333333333334) - 2 / (h * 3)) * (rb - ra);
    return a / (exp_kernel(w + w) * b + a);
}

// Otherwise the two ends of the distribution are power laws: near 0,
// I ~ x^a / (a B) and near 1, 1 - I ~ (1 - x)^b / (b B); T_a and T_b share
// the mass between the two ends.
double tail_guess(double a, double b, double p) {
    const double s = a + b;
    const double ta = exp_kernel(log_kernel(a / s) * a) / a;
    const double tb = exp_kernel(log_kernel(b / s) * b) / b;
    const double w = ta + tb;
    if (p > 0.5) {
        const double q = 1 - p;
        if (tb / w >= q) return 1 - exp_kernel(log_kernel((w * q) * b) * (1 / b));
        return 1 - (1 - exp_kernel(log_kernel((w * q) * a) * (1 / a)));
    }
    if (p <= ta / w) return exp_kernel(log_kernel((w * p) * a) * (1 / a));
    return 1 - exp_kernel(log_kernel((w * p) * b) * (1 / b));
}

// The beta density at y, 0 at the ends (where it may be 0 or infinite).
double beta_density(double a, double b, double y, double log_beta) {
    if (near_zero(y) || near_zero(1 - y)) return 0.0;
    return exp_kernel((log_kernel(y) * (a - 1) + log_kernel(1 - y) * (b - 1)) - log_beta);
}

// Halley's correction factor 1 - g r/2 held in [0.8, 1.2]; a NaN passes through.
double clamp_halley(double s) {
    const double upper = s != s ? s : (s < 1.2 ? s : 1.2);
    return upper != upper ? upper : (upper > 0.8 ? upper : 0.8);
}

// Up to a fixed number of Halley-type updates with a density weight that lags
// one step behind the iterate; a vanishing weight ends them.
double refine(double a, double b, double p, double x0) {
    const double log_beta = lbeta_kernel(a, b);
    return run_lagged_updates<INVERSE_UPDATES>(x0, [a, b, p, log_beta](double x, double y) {
        const double d = beta_density(a, b, y, log_beta);
        if (near_zero(d)) return stop_here();
        const double g = ((((a - 1) / x) - ((b - 1) / (1 - x))) * d) / d;
        const double r = (inc_beta_kernel(a, b, x) - p) / d;
        const double c = clamp_halley(1 - (r * 0.5) * g);
        return step_to(x - r / c);
    });
}

}  // namespace

double inc_beta_kernel(double a, double b, double x) {
    if (a != a || b != b || x != x) return NaN;
    if (x < EPS) return 0.0;
    if ((a + 1) / ((a + b) + 2) > x) return direct_form(a, b, x);
    return 1 - direct_form(b, a, 1 - x);
}

double inc_beta_inv_kernel(double a, double b, double p) {
    if (a != a || b != b || p != p) return NaN;
    if (p < EPS) return 0.0;
    if (near_zero(1 - p)) return 1.0;
    const double x0 = (a > 1 && b > 1) ? central_guess(a, b, p) : tail_guess(a, b, p);
    // The updates can leave [0, 1] or stop on a guess where the weight vanishes.
    const double x = refine(a, b, p, x0);
    return checked_root(x, p, 1.0, [a, b](double y) { return inc_beta_kernel(a, b, y); });
}

}  // namespace quantora
