// Regularized lower incomplete gamma function P(a, x), with a bound on the
// error of each value from the error model of the method that produced it,
// and its inverse in x.
#include "special/inc_gamma.hpp"

#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/gamma.hpp"
#include "special/gauss_legendre.hpp"
#include "special/lagged_updates.hpp"
#include "special/legendre_fraction.hpp"

namespace quantora {

namespace {

// Deepest level of the lower continued fraction; evaluation runs from there up.
constexpr int LOWER_FRACTION_DEPTH = 55;

// Below this shape the two fractions cover every x; from it on, the bulk
// x <= 3a is integrated instead.
constexpr double QUADRATURE_MIN_SHAPE = 10;
constexpr double LOWER_FRACTION_MAX_EXCESS = 10;
constexpr double UPPER_FRACTION_MIN_RATIO = 3;

// Error model of the three methods, in units of EPS: the rounding of a
// fraction's denominator relative to the size of its terms, the rounding of
// the prefactor's exponent relative to the size of its terms, and the same for
// the quadrature's densities. Each is the largest ratio of actual to modelled
// error on random grids against the careful tails, doubled;
// benchmarks/switches_gamma_family.py measures the errors where values are kept.
constexpr double DENOMINATOR_ERROR = 6;
constexpr double EXPONENT_ERROR = 6;
constexpr double QUADRATURE_NOISE = 3;
constexpr double QUADRATURE_FLOOR = 1000;
constexpr double LEFT_OUT_MARGIN = 2;
constexpr double GAUSS_LEGENDRE_MAX_RISE = 120;
constexpr double TINY_SHAPE_ERROR = 37;
constexpr double CERTIFIABLE_ERROR = 1e-5;
// Below this the exponentials lose relative precision to underflow.
constexpr double SMALLEST_CERTIFIED = 1e-290;

constexpr int INVERSE_UPDATES = 36;

// x^a e^-x / Gamma(a), the factor in front of both continued fractions, and
// the size of the terms of its exponent, which bounds that exponent's
// rounding error (relative to it) and so the relative error of the factor.
struct Prefactor {
    double value;
    double exponent_size;
};

Prefactor fraction_prefactor(double a, double x) {
    const double power = log_kernel(x) * a;
    const double log_gamma_a = lgamma_kernel(a);
    const double value = exp_kernel((power - x) - log_gamma_a);
    return {value, (abs_value(power) + x) + (abs_value(log_gamma_a) + 1)};
}

// A relative error estimated from computed quantities holds while it is small;
// beyond CERTIFIABLE_ERROR those quantities may themselves be noise.
double first_order(double relative_error) {
    return relative_error <= CERTIFIABLE_ERROR ? relative_error : INF;
}

// Relative error of the fractions' results: the exponent's rounding, and the
// rounding of the fraction's denominator, whose terms are of size
// denominator_size while the denominator itself may be far smaller.
double fraction_error(const Prefactor& f, double denominator_size, double denominator) {
    return first_order(EPS * (DENOMINATOR_ERROR * denominator_size / abs_value(denominator) +
                              EXPONENT_ERROR * f.exponent_size));
}

// gamma(a, x) e^x x^-a = 1/(a - a x/(a + 1 + x/(a + 2 - (a + 1) x/(a + 3 + 2x/(a + 4 - ...))))).
// Level j carries c_j x over (j + a) - 1: c_j = j/2 for even j and
// -((j + 1)/2 + (a - 1)) for odd j. Converges fast while x is not far above a.
CertifiedGamma lower_fraction(double a, double x) {
    double level = (static_cast<double>(LOWER_FRACTION_DEPTH) + a) - 1;
    for (int j = LOWER_FRACTION_DEPTH - 1; j >= 2; --j) {
        const double c = (j % 2 == 0) ? static_cast<double>(j) * 0.5
                                      : -(static_cast<double>(j + 1) * 0.5 + (a - 1));
        level = ((static_cast<double>(j) + a) - 1) + (c * x) / level;
    }
    const double c1 = -((a - 1) + 1);
    const double denominator = ((a + 1) - 1) + (c1 * x) / level;
    const Prefactor f = fraction_prefactor(a, x);
    const double p = f.value / denominator;
    // (a + 1) - 1 carries an error of EPS/2 whatever a is; for small a the
    // denominator is of order a e^-x, so the relative error grows like e^x/a.
    return {p, p * fraction_error(f, 1 + a, denominator)};
}

// Legendre's fraction gives Q; P = 1 - Q.
CertifiedGamma upper_fraction(double a, double x) {
    const double denominator = legendre_denominator(a, x);
    const Prefactor f = fraction_prefactor(a, x);
    const double q = f.value / denominator;
    const double size = (abs_value(1 - a) + x) + 1;
    return {1 - q, q * fraction_error(f, size, denominator)};
}

struct Window {
    double lower;
    double upper;
};

// Multipliers of sqrt(a), the width of the density, for the ends of the
// integration window below and above the mean. Up to a = 30 the window starts
// 4 widths below the mean and leaves out a lower-tail mass of up to 3e-9.
Window window_multipliers(double a) {
    if (a > 800) return {11, 10};
    if (a > 300) return {10, 9};
    if (a > 90) return {9, 8};
    if (a > 70) return {8, 7};
    if (a > 50) return {7, 6};
    if (a > 40) return {6, 5};
    if (a > 30) return {5, 5};
    return {4, 5};
}

// The gamma density with shape a at t, log Gamma(a) supplied.
double gamma_density(double a, double t, double log_gamma_a) {
    return exp_kernel((log_kernel(t) * (a - 1) - t) - log_gamma_a);
}

// Error of the quadrature over [lb, x]. Each node's density carries the
// rounding of an exponent of size (a - 1)|ln x| + x + |ln Gamma(a)|, relative.
// Below the mean the density grows towards x by e^(2c) across the window,
// c = ((a - 1)/x - 1)(x - lb)/2; fifty nodes integrate such a rise to 1e-13
// up to c = 150 and then fail fast, so beyond GAUSS_LEGENDRE_MAX_RISE no bound
// is given. The mass below lb is left out: P(a, lb) < lb^a e^-lb / Gamma(a + 1)
// (a + 1)/(a + 1 - lb), which matters for 16 < a <= 30 only.
double quadrature_error(double a, double x, double lb, double log_gamma_a, double p) {
    const double rise = (((a - 1) / x) - 1) * (x - lb) * 0.5;
    if (rise > GAUSS_LEGENDRE_MAX_RISE || !(p >= SMALLEST_CERTIFIED)) return INF;
    const double size = ((a - 1) * abs_value(log_kernel(x)) + x) + (abs_value(log_gamma_a) + 1);
    double left_out = 0;
    if (lb > 0) {
        const double log_mass = ((log_kernel(lb) * a - lb) - log_gamma_a) - log_kernel(a);
        left_out = LEFT_OUT_MARGIN * exp_kernel(log_mass) * ((a + 1) / ((a + 1) - lb));
    }
    return p * first_order(EPS * (QUADRATURE_NOISE * size + QUADRATURE_FLOOR)) + left_out;
}

// For large shapes the density is nearly normal with width sqrt(a), and its
// mass below x is a Gauss-Legendre rule over [max(0, m - k_lo sqrt(a)), x],
// m = min(x, a). The window reaches up to a + k_hi sqrt(a); above that end the
// caller takes the upper fraction instead.
struct QuadratureWindow {
    double s;  // sqrt(a)
    Window k;
    double upper_end;
};

QuadratureWindow quadrature_window(double a) {
    const double s = sqrt_kernel(a);
    const Window k = window_multipliers(a);
    return {s, k, k.upper * s + a};
}

// The quadrature's value; its error bound only when asked for, since it costs
// a logarithm and an exponential of its own.
CertifiedGamma quadrature(double a, double x, const QuadratureWindow& window, bool certify) {
    const double m = x < a ? x : a;
    const double lower_end = m - window.k.lower * window.s;
    const double lb = lower_end > 0 ? lower_end : 0;
    const double ub = x;

    const double log_gamma_a = lgamma_kernel(a);
    const double d = ub - lb;
    const double h = (lb + ub) * 0.5;
    auto term = [&](double t, int i) {
        return gamma_density(a, t, log_gamma_a) * ((d * GAUSS_LEGENDRE_WEIGHTS[i]) * 0.5);
    };
    // Small terms first: from the outermost node inward, the innermost node last.
    double sum = term((d * GAUSS_LEGENDRE_NODES[GAUSS_LEGENDRE_POINTS - 1]) * 0.5 + h,
                      GAUSS_LEGENDRE_POINTS - 1);
    for (int i = GAUSS_LEGENDRE_POINTS - 2; i >= 1; --i) {
        sum = sum + term((d * GAUSS_LEGENDRE_NODES[i]) * 0.5 + h, i);
    }
    const double p = term(h - (d * GAUSS_LEGENDRE_NODES[1]) * 0.5, 0) + sum;
    return {p, certify ? quadrature_error(a, x, lb, log_gamma_a, p) : INF};
}

// Normal quantile of the upper tail probability r <= 0.5 (rational
// approximation, absolute error below 4.5e-4), for the first guesses.
double normal_upper_quantile(double r) {
    const double t = sqrt_kernel(log_kernel(r) * (-2));
    const double num = (t * 0.010328) * t + (t * 0.802853 + 2.515517);
    const double den = ((t * 0.189269) * t + (t * 1.432788 + 1)) + ((t * 0.001308) * t) * t;
    return t - num / den;
}

// Wilson-Hilferty for a > 1: (X/a)^(1/3) is nearly normal with mean 1 - 1/(9a)
// and variance 1/(9a). For a <= 1, tau approximates P(a, 1): below it
// P ~ tau x^a, above it the tail 1 - P ~ (1 - tau) e^-(x - 1).
double first_guess(double a, double p) {
    if (a > 1) {
        const bool lower = p <= 0.5;
        const double r = lower ? p : 1 - p;
        const double sigma = lower ? 1.0 : -1.0;
        const double z = normal_upper_quantile(r) * sigma;
        const double w = 1 - 1 / (a * 9);
        const double u = w - z / (sqrt_kernel(a) * 3);
        const double x0 = ((u * u) * u) * a;
        return x0 > 1e-4 ? x0 : 1e-4;
    }
    const double tau = (1 - a * 0.253) - (a * 0.12) * a;
    if (p < tau) return exp_kernel(log_kernel(p / tau) * (1 / a));
    return 1 - log_kernel(1 - (p - tau) / (1 - tau));
}

// Halley's correction factor 1 - h r/2 held in [0.8, 1.2]; a NaN passes through.
double clamp_halley(double s) {
    const double upper = s != s ? s : (s < 1.2 ? s : 1.2);
    return upper != upper ? upper : (upper > 0.8 ? upper : 0.8);
}

// Fixed number of Halley-type updates; the density weight lags one step
// behind the iterate.
double refine(double a, double p, double x0) {
    const double log_gamma_a = lgamma_kernel(a);
    return run_lagged_updates<INVERSE_UPDATES>(x0, [a, p, log_gamma_a](double x, double y) {
        const double d = gamma_density(a, y, log_gamma_a);
        const double r = (inc_gamma_kernel(a, x) - p) / d;
        const double h = ((((a - 1) / x) - 1) * d) / d;
        const double c = clamp_halley(1 - h * (r * 0.5));
        return step_to(x - r / c);
    });
}

// The kernel's three methods, chosen by the shape and by x against it.
CertifiedGamma evaluate(double a, double x, bool certify) {
    if (a != a || x != x || a < 0) return {NaN, INF};
    // The true P at x < EPS is not 0, and its logarithm is finite.
    if (x < EPS) return {0.0, INF};
    // 1 - P(a, x) ~ a E1(x) <= a E1(EPS) < 37 a for x >= EPS.
    if (a < EPS) return {1.0, TINY_SHAPE_ERROR * a};
    if (a < QUADRATURE_MIN_SHAPE) {
        return x - a < LOWER_FRACTION_MAX_EXCESS ? lower_fraction(a, x) : upper_fraction(a, x);
    }
    if (x / a > UPPER_FRACTION_MIN_RATIO) return upper_fraction(a, x);
    // Beyond the window's upper end the quadrature would drop the mass between
    // it and x; Legendre's fraction is already accurate there.
    const QuadratureWindow window = quadrature_window(a);
    if (window.upper_end < x) return upper_fraction(a, x);
    return quadrature(a, x, window, certify);
}

}  // namespace

CertifiedGamma inc_gamma_certified(double a, double x) { return evaluate(a, x, true); }

double inc_gamma_kernel(double a, double x) { return evaluate(a, x, false).p; }

double inc_gamma_inv_kernel(double a, double p) {
    if (a != a || p != p) return NaN;
    if (p < EPS) return 0.0;
    if (p > 1) return NaN;
    if (near_zero(1 - p)) return INF;
    if (a < EPS) return 0.0;
    return refine(a, p, first_guess(a, p));
}

}  // namespace quantora
