// The error function by two continued fractions, and its inverse by a
// polynomial first guess refined by a fixed number of Halley-type updates.
#include "special/erf.hpp"

#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/lagged_updates.hpp"
#include "special/log_scale.hpp"

namespace quantora {

namespace {

constexpr double SQRT_PI = 1.772453850905516;
constexpr double LARGE_ARGUMENT = 2.1;
constexpr int FRACTION_DEPTH = 60;  // levels 2 .. 59 carry terms
constexpr int REFINEMENTS = 55;

// Coefficients of the first guess, leading coefficient first.
constexpr double CENTRAL[9] = {
    2.81022636e-08, 3.43273939e-07, -3.5233877e-06, -4.39150654e-06, 0.00021858087,
    -0.00125372503, -0.00417768164, 0.246640727,    1.50140941,
};
constexpr double TAIL[9] = {
    -0.000200214257, 0.000100950558, 0.00134934322, -0.00367342844, 0.00573950773,
    -0.0076224613,   0.00943887047,  1.00167406,    2.83297682,
};


// erfc x = (e^(-x^2)/sqrt(pi)) * 2/(2x + 2/(2x + 4/(2x + 6/(...)))), y = 2x:
// F(j) = 2j / F(j + 1) + y, F(60) = y.
double erfc_denominator(double y) {
    double level = y;
    for (int j = FRACTION_DEPTH - 1; j >= 2; --j) level = static_cast<double>(2 * j) / level + y;
    return 2 / level + y;
}

// erf x = (2x e^(-x^2)/sqrt(pi)) / (1 - 2x^2 + 4x^2/(3 - 2x^2 + 8x^2/(5 - 2x^2 + ...))),
// w = x^2: G(j) = 4j w / G(j + 1) + ((2j - 1) - 2w), G(60) = 119 - 2w.
double erf_denominator(double w) {
    double level = 119 - (w + w);
    for (int j = FRACTION_DEPTH - 1; j >= 2; --j) {
        level = (static_cast<double>(4 * j) * w) / level + (static_cast<double>(2 * j - 1) - (w + w));
    }
    return (4 * w) / level + (1 - (w + w));
}

// 2/(sqrt(pi) F(2x)) = e^(x^2) erfc x, from the fraction in 1/x alone.
double erfc_scaled(double x) { return (2 / SQRT_PI) / erfc_denominator(x + x); }

// erf of x >= EPS; the fraction in 1/x converges fast above the threshold,
// the one in x^2 below it.
double erf_core(double x) {
    double e = exp_kernel((-x) * x);
    e = e / SQRT_PI;
    const double y = x + x;
    if (x > LARGE_ARGUMENT) return 1 - (e + e) / erfc_denominator(y);
    const double w = x * x;
    const double numerator = e * y;
    return numerator / erf_denominator(w);
}

double horner(const double (&c)[9], double t) {
    double p = c[0];
    for (int k = 1; k < 9; ++k) p = p * t + c[k];
    return p;
}

// Clamp that lets a NaN through unchanged.
double clamp_step(double s) {
    const double upper = s > 1.2 ? 1.2 : s;
    return upper < 0.8 ? 0.8 : upper;
}

}  // namespace

double erf_kernel(double x) {
    if (x != x) return NaN;
    if (x == INF) return 1.0;
    if (x == -INF) return -1.0;
    if (near_zero(x)) return 0.0;
    return x < 0 ? -erf_core(-x) : erf_core(x);
}

double erfcx_kernel(double x) {
    if (x != x) return NaN;
    if (x > LARGE_ARGUMENT) return erfc_scaled(x);
    // Here erfc x = 1 - erf x is at least 0.003 and loses nothing to the difference.
    return exp_value(x * x) * (1 - erf_kernel(x));
}

double erf_inv_kernel(double p) {
    if (p != p) return NaN;
    if (p != 0 && abs_value(p) > 1) return NaN;
    if (near_zero(1 - p)) return INF;
    if (near_zero(p + 1)) return -INF;

    const double w = -log_kernel((p + 1) * (1 - p));
    const double guess = w < 5 ? horner(CENTRAL, w - 2.5) : horner(TAIL, sqrt_kernel(w) - 3);

    // The weight is e^(-x^2) without the 2/sqrt(pi) of erf's derivative, and it is
    // taken from the iterate before the current one. The fixed point is still
    // erf(x) = p; each step overshoots Newton's by that factor and still contracts.
    return run_lagged_updates<REFINEMENTS>(guess * p, [p](double x, double lagging) {
        const double d = exp_kernel((-lagging) * lagging);
        const double r = (erf_kernel(x) - p) / d;
        const double h = ((x * (-2)) * d) / d;
        const double s = 1 - (r * 0.5) * h;
        return step_to(x - r / clamp_step(s));
    });
}

}  // namespace quantora
