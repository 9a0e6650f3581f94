// Regularized lower incomplete gamma function P(a, x) and its inverse in x.
#include "special/inc_gamma.hpp"

#include <limits>

#include "special/bisection.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/gamma.hpp"
#include "special/lagged_updates.hpp"
#include "special/gauss_legendre.hpp"

namespace quantora {

namespace {

// Deepest levels of the two continued fractions; evaluation runs from there up.
constexpr int LOWER_FRACTION_DEPTH = 55;
constexpr int UPPER_FRACTION_DEPTH = 100;

// Below this shape the two fractions cover every x; from it on, the bulk
// x <= 3a is integrated instead.
constexpr double QUADRATURE_MIN_SHAPE = 10;
constexpr double LOWER_FRACTION_MAX_EXCESS = 10;
constexpr double UPPER_FRACTION_MIN_RATIO = 3;

constexpr int INVERSE_UPDATES = 36;
constexpr double LARGEST = std::numeric_limits<double>::max();


// x^a e^-x / Gamma(a), the factor in front of both continued fractions.
double fraction_prefactor(double a, double x) {
    return exp_kernel((log_kernel(x) * a - x) - lgamma_kernel(a));
}

// gamma(a, x) e^x x^-a = 1/(a - a x/(a + 1 + x/(a + 2 - (a + 1) x/(a + 3 + 2x/(a + 4 - ...))))).
// Level j carries c_j x over (j + a) - 1: c_j = j/2 for even j and
// -((j + 1)/2 + (a - 1)) for odd j. Converges fast while x is not far above a.
double lower_fraction(double a, double x) {
    double level = (static_cast<double>(LOWER_FRACTION_DEPTH) + a) - 1;
    for (int j = LOWER_FRACTION_DEPTH - 1; j >= 2; --j) {
        const double c = (j % 2 == 0) ? static_cast<double>(j) * 0.5
                                      : -(static_cast<double>(j + 1) * 0.5 + (a - 1));
        level = ((static_cast<double>(j) + a) - 1) + (c * x) / level;
    }
    const double c1 = -((a - 1) + 1);
    return fraction_prefactor(a, x) / (((a + 1) - 1) + (c1 * x) / level);
}

// Legendre's fraction Gamma(a, x) e^x x^-a = 1/(x + 1 - a - 1(1 - a)/(x + 3 - a - 2(2 - a)/(...))),
// which converges fast once x is well above a; P = 1 - Q.
double upper_fraction(double a, double x) {
    double level = (static_cast<double>(2 * UPPER_FRACTION_DEPTH - 1) - a) + x;
    for (int j = UPPER_FRACTION_DEPTH - 1; j >= 2; --j) {
        const double jd = static_cast<double>(j);
        level = ((a - jd) * jd) / level + ((static_cast<double>(2 * j - 1) - a) + x);
    }
    const double q = fraction_prefactor(a, x) / (((1 - a) + x) + (a - 1) / level);
    return 1 - q;
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

double quadrature(double a, double x, const QuadratureWindow& window) {
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
    return term(h - (d * GAUSS_LEGENDRE_NODES[1]) * 0.5, 0) + sum;
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

}  // namespace

double inc_gamma_kernel(double a, double x) {
    if (a != a || x != x || a < 0) return NaN;
    if (x < EPS) return 0.0;
    if (a < EPS) return 1.0;
    if (a < QUADRATURE_MIN_SHAPE) {
        return x - a < LOWER_FRACTION_MAX_EXCESS ? lower_fraction(a, x) : upper_fraction(a, x);
    }
    if (x / a > UPPER_FRACTION_MIN_RATIO) return upper_fraction(a, x);
    // Beyond the window's upper end the quadrature would drop the mass between
    // it and x; Legendre's fraction is already accurate there.
    const QuadratureWindow window = quadrature_window(a);
    if (window.upper_end < x) return upper_fraction(a, x);
    return quadrature(a, x, window);
}

double inc_gamma_inv_kernel(double a, double p) {
    if (a != a || p != p) return NaN;
    if (p < EPS) return 0.0;
    if (p > 1) return NaN;
    if (near_zero(1 - p)) return INF;
    if (a < EPS) return 0.0;
    // The updates can leave the domain or stall where P is flat.
    const double x = refine(a, p, first_guess(a, p));
    return checked_root(x, p, LARGEST, [a](double y) { return inc_gamma_kernel(a, y); });
}

}  // namespace quantora
