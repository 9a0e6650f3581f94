// Regularized incomplete beta function I_x(a, b) and its inverse in x.
#include "special/inc_beta.hpp"

#include "special/beta_power.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/gamma.hpp"
#include "special/gauss_legendre.hpp"
#include "special/inc_beta_forms.hpp"
#include "special/lagged_updates.hpp"
#include "special/log_scale.hpp"

namespace quantora {

using namespace inc_beta_forms;

namespace {

// The literal value is kept only once its fraction has converged, its front
// e^L only where that is a normal double, and its value only where the
// bound on the front's error, and on the reflected side the rounding of
// 1 - F, stay below KEPT_ERROR relative (below KEPT_LOG_ERROR absolute for a
// logarithm near 0).
constexpr double FRONT_EXPONENT_LOW = -700;

}  // namespace

BetaShape beta_shape(double a, double b) { return {a, b, lbeta_kernel(a, b)}; }

CheckedValue inc_beta_checked(double a, double b, double x, double argument_error) {
    return inc_beta_checked(beta_shape(a, b), x, argument_error);
}

CheckedValue inc_beta_checked(const BetaShape& shape, double x, double argument_error) {
    const double a = shape.a;
    const double b = shape.b;
    if (a != a || b != b || x != x) return {NaN, INF};
    if (x <= 0) return {0.0, 0.0};
    if (x < EPS) return {0.0, INF};
    const bool direct = (a + 1) / ((a + b) + 2) > x;
    const double p = direct ? a : b;
    const double q = direct ? b : a;
    const double z = direct ? x : 1 - x;
    const double log_1mz = log_kernel(1 - z);
    const double log_z = log_kernel(z);
    const double exponent = (log_1mz * q + log_z * p) - shape.log_beta;
    const Fraction<double> k = lentz_fraction(p, q, z);
    const double front = exp_kernel(exponent);
    const double front_tail = (front / p) * k.value;
    const double v = direct ? front_tail : 1 - front_tail;
    if (!k.converged) return {v, INF};
    const double s = a + b;
    const double magnitude = (abs_value(log_1mz * q) + abs_value(log_z * p)) +
                             (log_gamma_magnitude(s + 2) + (1 / p + 1 / q));
    const double error = LITERAL_ERROR_SCALE * magnitude;
    if (direct && !(exponent >= FRONT_EXPONENT_LOW && error <= KEPT_ERROR)) return {v, INF};
    // The front's relative error (e^error - 1, which is error itself where
    // that is small) times the front, the argument's error, and on the
    // reflected side one rounding of 1 - F.
    const double relative = error <= KEPT_ERROR ? error : exp_value(error) - 1;
    const double moved = argument_error == 0 ? 0.0 : front * argument_error / (1 - x);
    return {v, (relative * front_tail + moved) + (direct ? 0.0 : EPS)};
}

bool keeps(double v, double error, bool log_p) {
    // A zero is never kept: where the true value is 0 the callers decide it
    // before any formula, so a formula's zero is an underflow.
    if (!(v > 0) || !(error <= KEPT_ERROR * v)) return false;
    if (!log_p || v <= 0.5) return true;
    return error <= KEPT_ERROR * (1 - v) || error <= KEPT_LOG_ERROR;
}

namespace {

// Large shapes near the centre: there the fraction needs about sqrt(min(a, b))
// levels, while the law is close to normal and its density smooth on the
// scale of its standard deviation sd. From QUADRATURE_SHAPE on, within
// QUADRATURE_REACH standard deviations of the mean, the mass between x and
// QUADRATURE_WINDOW standard deviations out on the near side is integrated by
// the 50-point Gauss-Legendre rule: the mass beyond the window is below
// 1e-30 of what is left (skewness at most 2/sqrt(QUADRATURE_SHAPE)), and the
// rule is exact to about 1e-14 over the window. Nodes and window are placed
// by the offset d = a y - b x, 0 at the mean, in units of its standard
// deviation sqrt(a b/(a + b + 1)): x itself cannot resolve the width of the
// law near a mean of 1/2 once the shapes pass about 2^50.
constexpr double QUADRATURE_SHAPE = 1000;
constexpr double QUADRATURE_REACH = 5;
constexpr double QUADRATURE_WINDOW = 12;

// The mass of the beta law between the points whose offsets (beta_offset)
// are `from` and `to` > from: x = (a - d)/(a + b) falls as d grows, so it is
// the integral of the density over d from `from` to `to`, divided by a + b.
double offset_integral(const BetaPower& power, double from, double to) {
    const double mid = (from + to) * 0.5;
    const double half = (to - from) * 0.5;
    double sum = 0;
    for (int i = 0; i < GAUSS_LEGENDRE_POINTS; ++i) {
        const double d = mid + half * GAUSS_LEGENDRE_NODES[i];
        sum = sum + GAUSS_LEGENDRE_WEIGHTS[i] * exp_value(power.log_density_at_offset(d));
    }
    return (sum * half) / (power.a() + power.b());
}

double finish(double v, bool log_p) {
    const double c = v > 1 ? 1.0 : (v < 0 ? 0.0 : v);
    return log_p ? log_value(c) : c;
}

// 1 - U from the upper tail U.
double from_upper(double upper, bool log_p) {
    if (log_p) return plus_zero(log1p_value(-(upper > 1 ? 1.0 : upper)));
    return finish(1 - upper, false);
}

// The even part of the same fraction, K = 1/(1 + d_1/(1 + d_2/(1 + ...))) with
// d_j = e_(j-1): two of its levels per level of
//     K = 1/(β_1 - α_1/(β_2 - α_2/(β_3 - ...))),
//     β_1 = 1 + d_1,  β_(m+1) = 1 + d_2m + d_(2m+1),  α_m = d_(2m-1) d_2m.
// Near x = 1 each 1 + d_2m + d_(2m+1) cancels, and the rounding of x costs
// about (a + b) units of 2^-53; from y = 1 - x instead, with s = a + 2m,
//     β_1 = (y (a + b) - (b - 1))/(a + 1),
//     β_(m+1) = (2m(a + m) - (a - 1)(b - 1) + y M)/((s - 1)(s + 1)),
//     M = s (s + b - 2m - 1) - (2m(b - m) + b - 2m),
// whose terms cancel only as far as β itself is small. Below x = 1/2 the
// direct sum is the better of the two. Near 1 the β are of order b/a or
// y, subnormal for the largest a, so there every β is scaled by λ = a + 1
// and every α by λ² (which leaves K/λ); every product is formed from
// ratios, so that no shape overflows it.
//
// Where it is used (below the split point, and outside the quadrature's
// window for two large shapes) the even part converges within 90 levels
// (measured over shapes 1e-3 to 1e18, from the mean out to 100 standard
// deviations); the last level leaves a threefold margin.
constexpr int EVEN_FRACTION_LAST_LEVEL = 300;

// d_(2m+1) for m >= 0 and d_2m for m >= 1, times the scale.
double odd_coefficient(double a, double b, double x, double m, double scale) {
    return -(((a + m) / (a + 2 * m)) * scale) * ((a + b + m) / (a + 2 * m + 1)) * x;
}

double even_coefficient(double a, double b, double x, double m, double scale) {
    return ((m / (a + (2 * m - 1))) * scale) * ((b - m) / (a + 2 * m)) * x;
}

// β_(level+1) times the scale (1 below x = 1/2, a + 1 above).
double even_denominator(double a, double b, double x, double y, int level) {
    const double m = static_cast<double>(level);
    if (x < 0.5) {
        if (level == 0) return 1 + odd_coefficient(a, b, x, 0, 1);
        return (1 + even_coefficient(a, b, x, m, 1)) + odd_coefficient(a, b, x, m, 1);
    }
    if (level == 0) return y * (a + b) - (b - 1);
    const double s = a + 2 * m;
    const double lambda = a + 1;
    const double lead = (2 * m) * ((a + m) / (s + 1)) * (lambda / (s - 1)) - ((a - 1) / (s - 1)) * ((b - 1) * (lambda / (s + 1)));
    const double growth = (s / (s - 1)) * ((s + b - (2 * m + 1)) * (lambda / (s + 1))) -
                          ((2 * m) * ((b - m) / (s - 1)) + (b - 2 * m) / (s - 1)) * (lambda / (s + 1));
    return lead + y * growth;
}

double even_fraction(double a, double b, double x, double y) {
    constexpr double TINY = 0x1p-1000;
    const double scale = x < 0.5 ? 1.0 : a + 1;
    double d = even_denominator(a, b, x, y, 0);
    if (d == 0) d = TINY;
    d = 1 / d;
    double c = INF;
    double f = d;
    for (int level = 1; level <= EVEN_FRACTION_LAST_LEVEL; ++level) {
        const double m = static_cast<double>(level);
        const double alpha = odd_coefficient(a, b, x, m - 1, scale) * even_coefficient(a, b, x, m, scale);
        const double beta = even_denominator(a, b, x, y, level);
        d = beta - alpha * d;
        if (d == 0) d = TINY;
        c = beta - alpha / c;
        if (c == 0) c = TINY;
        d = 1 / d;
        const double change = c * d;
        f = f * change;
        if (abs_value(change - 1) < FRACTION_TOLERANCE) break;
    }
    return f * scale;
}

// ln(x^a y^b K / (a B(a, b))), the direct form with its front kept in logs.
double log_direct_form(double a, double b, double x, double y, double offset) {
    return (BetaPower(a, b).log_at(x, y, offset) - log_value(a)) + log_value(even_fraction(a, b, x, y));
}

}  // namespace

double inc_beta_sound(double a, double b, double x, double y, bool log_p) {
    return inc_beta_sound(a, b, x, y, beta_offset(a, b, x, y), log_p);
}

double inc_beta_sound(double a, double b, double x, double y, double offset, bool log_p) {
    if (a != a || b != b || x != x || y != y || offset != offset) return NaN;
    if (!(x > 0)) return log_p ? -INF : 0.0;
    if (!(y > 0)) return log_p ? 0.0 : 1.0;
    const double s = a + b;
    if (a >= QUADRATURE_SHAPE && b >= QUADRATURE_SHAPE) {
        const double spread = sqrt_kernel((a / (s + 1)) * b);
        if (abs_value(offset) <= QUADRATURE_REACH * spread) {
            const BetaPower power(a, b);
            // Below the mean (d > 0) the lower tail out to the window's end;
            // above it the upper tail.
            if (offset >= 0) return finish(offset_integral(power, offset, QUADRATURE_WINDOW * spread), log_p);
            return from_upper(offset_integral(power, -QUADRATURE_WINDOW * spread, offset), log_p);
        }
    }
    // The split point compared on the side where x and y are both resolved.
    const bool direct = x < 0.5 ? (a + 1) / (s + 2) > x : (b + 1) / (s + 2) < y;
    if (direct) {
        const double log_tail = log_direct_form(a, b, x, y, offset);
        return log_p ? (log_tail > 0 ? 0.0 : log_tail) : finish(exp_value(log_tail), false);
    }
    return from_upper(exp_value(log_direct_form(b, a, y, x, -offset)), log_p);
}

double log_power_tail(double a, double b, double log_x) {
    // a ln x beyond the doubles outweighs every other term.
    const double power = a * log_x;
    if (power == -INF) return -INF;
    return (power - log_value(a)) - log_beta_value(a, b);
}

double inc_beta(double a, double b, double x, bool log_p) { return inc_beta(beta_shape(a, b), x, log_p); }

double inc_beta(const BetaShape& shape, double x, bool log_p) {
    const CheckedValue literal = inc_beta_checked(shape, x);
    if (keeps(literal.value, literal.error, log_p)) return finish(literal.value, log_p);
    return inc_beta_sound(shape.a, shape.b, x, 1 - x, log_p);
}

namespace {

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

// Up to a fixed number of Halley-type updates with a density weight that lags
// one step behind the iterate; a vanishing weight ends them.
double refine(const BetaShape& shape, double p, double x0) {
    return run_lagged_updates<INVERSE_UPDATES>(x0, [&shape, p](double x, double y) {
        const double d = beta_density(shape, y);
        if (stops(d)) return stop_here();
        return step_to(halley_update(shape, p, x, d, kernel_value(shape, x)));
    });
}

}  // namespace

double inc_beta_kernel(double a, double b, double x) { return inc_beta_kernel(beta_shape(a, b), x); }

double inc_beta_kernel(const BetaShape& shape, double x) {
    if (shape.a != shape.a || shape.b != shape.b) return NaN;
    return kernel_value(shape, x);
}

double inc_beta_inv_kernel(double a, double b, double p) { return inc_beta_inv(beta_shape(a, b), p); }

InverseStart inc_beta_inv_start(const BetaShape& shape, double p) {
    const double a = shape.a;
    const double b = shape.b;
    if (a != a || b != b || p != p) return {false, NaN};
    if (p < EPS) return {false, 0.0};
    if (near_zero(1 - p)) return {false, 1.0};
    return {true, (a > 1 && b > 1) ? central_guess(a, b, p) : tail_guess(a, b, p)};
}

double inc_beta_inv(const BetaShape& shape, double p) {
    const InverseStart start = inc_beta_inv_start(shape, p);
    return start.updates ? refine(shape, p, start.value) : start.value;
}

}  // namespace quantora
