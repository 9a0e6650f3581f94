// Regularized lower incomplete gamma function P(a, x), with a bound on the
// error of each value from the error model of the method that produced it,
// and its inverse in x.
#include "special/inc_gamma.hpp"

#include "special/bits.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/gamma.hpp"
#include "special/inc_gamma_forms.hpp"
#include "special/lagged_updates.hpp"

namespace quantora {

using namespace inc_gamma_forms;

namespace {

constexpr double TINY_SHAPE_ERROR = 37;

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

// The kernel's three methods (inc_gamma_forms.hpp) where they apply.
CertifiedGamma evaluate(const GammaShape& s, double x, double log_x, bool certify) {
    const double a = s.a;
    if (a != a || x != x || a < 0) return {NaN, INF};
    // The true P at x < EPS is not 0, and its logarithm is finite.
    if (x < EPS) return {0.0, INF};
    // 1 - P(a, x) ~ a E1(x) <= a E1(EPS) < 37 a for x >= EPS.
    if (a < EPS) return {1.0, TINY_SHAPE_ERROR * a};
    const Certified<double> r = evaluate_regular(s, x, log_x, certify);
    return {r.p, r.error};
}

// A function's values at the last two arguments it was asked about. The
// inverse's updates ask again about the same iterates: ln y at the lagged
// iterate y, the previous update's x; the kernel at x once more while a
// fixed point is confirmed; both at every turn of a cycle of two.
class RecentValues {
public:
    template <class F>
    double operator()(double x, F f) {
        for (int k = 0; k < filled_; ++k) {
            if (same_bits(x, arguments_[k])) return values_[k];
        }
        const int slot = filled_ < 2 ? filled_++ : oldest_;
        oldest_ = slot ^ 1;
        arguments_[slot] = x;
        values_[slot] = f(x);
        return values_[slot];
    }

private:
    double arguments_[2] = {0, 0};
    double values_[2] = {0, 0};
    int filled_ = 0;
    int oldest_ = 0;
};

// Fixed number of Halley-type updates; the density weight lags one step
// behind the iterate.
double refine(const GammaShape& s, double p, double x0) {
    const double a = s.a;
    RecentValues logs;
    RecentValues densities;
    RecentValues kernel;
    const auto log_of = [](double t) { return log_kernel(t); };
    return run_lagged_updates<INVERSE_UPDATES>(x0, [&](double x, double y) {
        const double d = densities(y, [&](double t) { return density_of_log(a, t, logs(t, log_of), s.log_gamma); });
        const double k = kernel(x, [&](double t) { return evaluate(s, t, logs(t, log_of), false).p; });
        return step_to(halley_update(a, p, x, d, k));
    });
}

}  // namespace

namespace inc_gamma_forms {

QuadratureWindow quadrature_window(double a) {
    const double s = sqrt_kernel(a);
    const Window k = window_multipliers(a);
    return {s, k, k.upper * s + a};
}

bool fractions_only(double a) { return a < QUADRATURE_MIN_SHAPE; }

Method method_at(double a, double x) {
    if (fractions_only(a)) return takes_lower_fraction(a, x) ? Method::lower_fraction : Method::upper_fraction;
    return takes_upper_fraction(a, quadrature_window(a), x) ? Method::upper_fraction : Method::quadrature;
}

}  // namespace inc_gamma_forms

GammaShape gamma_shape(double a) { return {a, lgamma_kernel(a)}; }

CertifiedGamma inc_gamma_certified(const GammaShape& shape, double x) {
    return evaluate(shape, x, log_kernel(x), true);
}

CertifiedGamma inc_gamma_certified(double a, double x) { return inc_gamma_certified(gamma_shape(a), x); }

double inc_gamma_kernel(double a, double x) { return evaluate(gamma_shape(a), x, log_kernel(x), false).p; }

InverseStart inc_gamma_inv_start(const GammaShape& shape, double p) {
    const double a = shape.a;
    if (a != a || p != p) return {false, NaN};
    if (p < EPS) return {false, 0.0};
    if (p > 1) return {false, NaN};
    if (near_zero(1 - p)) return {false, INF};
    if (a < EPS) return {false, 0.0};
    return {true, first_guess(a, p)};
}

double inc_gamma_inv(const GammaShape& shape, double p) {
    const InverseStart start = inc_gamma_inv_start(shape, p);
    return start.updates ? refine(shape, p, start.value) : start.value;
}

double inc_gamma_inv_kernel(double a, double p) { return inc_gamma_inv(gamma_shape(a), p); }

}  // namespace quantora
