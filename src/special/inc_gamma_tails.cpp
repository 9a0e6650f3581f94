// Both tails of the regularized incomplete gamma function to nearly full
// relative accuracy, for the tails, the log scale and extreme shapes.
//
// Each method computes the smaller tail directly and the other as its
// complement, and keeps the prefactor x^a e^-x / Gamma(a + 1) in logarithms:
//   a < 1:    below x = 1.5, P by its power series and Q by the small-shape
//             form (Gamma(1 + a) - 1 and x^a - 1 without cancellation), the
//             smaller kept; above, Q by Legendre's continued fraction;
//   a < 20:   below x = a + 1, P by the power series; above, Q by the fraction;
//   a >= 20:  for 0.3 a <= x <= 2.15 a, Temme's uniform expansion, either
//             tail; below, P by the power series; above, Q by the fraction.
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/gamma.hpp"
#include "special/inc_gamma.hpp"
#include "special/inc_gamma_coefficients.hpp"
#include "special/legendre_fraction.hpp"
#include "special/log_scale.hpp"
#include "special/saddle_point.hpp"

namespace quantora {

namespace {

using namespace inc_gamma_coefficients;

constexpr double LN_SQRT_2PI = 0.9189385332046728;
constexpr double SQRT_2PI = 2.5066282746310002;
constexpr double SQRT_PI = 1.772453850905516;
constexpr double SMALLEST_NORMAL = 2.2250738585072014e-308;
constexpr double HALF_LARGEST = 8.988465674311579e307;

// Below SMALL_SHAPE and SMALL_SHAPE_REACH P can lie close to 1, and Q needs a
// form of its own; from SMALL_SHAPE_REACH on, Legendre's fraction converges
// within 80 levels for every shape below 1.
constexpr double SMALL_SHAPE = 1;
constexpr double SMALL_SHAPE_REACH = 1.5;
// For 1 <= a < UNIFORM_MIN_SHAPE the power series serves x < a + 1, where
// P <= 0.87; above, the fraction converges within 60 levels.
constexpr double SERIES_REACH = 1;
// Temme's expansion for a >= 20 with ten terms in 1/a, between ratios x/a
// of 0.3 and 2.15 (|eta| <= 1); outside, the power series converges by at
// least a factor 0.3 a term, and the fraction within 20 levels.
constexpr double UNIFORM_MIN_SHAPE = 20;
constexpr double UNIFORM_LOW_RATIO = 0.3;
constexpr double UNIFORM_HIGH_RATIO = 2.15;

// The power series run until a term no longer moves the sum; in the regions
// above that takes at most 51 terms (P below x = a + 1 < 21), 32 (P below
// 0.3 a), 21 (the small-shape series) and 24 (erf below 1.5).
constexpr int SERIES_MAX_ORDER = 200;
constexpr double SERIES_CUTOFF = EPS / 8;

// erfc(z) through its continued fraction in 1/z from z = 1.5 on, where 100
// levels converge fully; below, as 1 - erf with erf from its series of positive
// terms (erfc(1.5) = 0.034, so the difference keeps 14 digits).
constexpr double ERFC_FRACTION_MIN = 1.5;
constexpr int ERFC_FRACTION_DEPTH = 100;

// Veltkamp's split: operands below this magnitude can be split without
// overflow, and products above SMALLEST_EXACT_PRODUCT keep their error terms
// out of the subnormals.
constexpr double SPLITTER = 134217729.0;  // 2^27 + 1
constexpr double LARGEST_SPLIT = 1e290;
constexpr double SMALLEST_EXACT_PRODUCT = 1e-290;

struct Split {
    double high;
    double low;
};

Split split(double v) {
    const double c = SPLITTER * v;
    const double high = c - (c - v);
    return {high, v - high};
}

// n/d - q for the rounded quotient q = n/d, through the exact product q d =
// p + e (Dekker's product, with no fused operations); 0 where the operands or
// the product lie beyond the range where the split is exact.
double quotient_rounding(double n, double d, double q) {
    const double p = q * d;
    const double magnitude = abs_value(p);
    if (!(abs_value(q) < LARGEST_SPLIT && abs_value(d) < LARGEST_SPLIT && magnitude > SMALLEST_EXACT_PRODUCT)) {
        return 0.0;
    }
    const Split qs = split(q);
    const Split ds = split(d);
    const double e = (((qs.high * ds.high - p) + qs.high * ds.low) + qs.low * ds.high) + qs.low * ds.low;
    return ((n - p) - e) / d;
}

// The deviance a ln(a/x) + x - a; where a + x would overflow, as
// a (r - 1 - ln r) with r = x/a, which stays in range.
double scaled_deviance(double a, double x) {
    if (a < HALF_LARGEST && x < HALF_LARGEST) return deviance(a, x);
    const double r = x / a;
    if (r == 0) return INF;
    return a * deviance(1.0, r);
}

// The deviance a ln(a/x) + x - a at the exact argument x + low, to first
// order in low: its derivative in x is 1 - a/x.
double corrected_deviance(double a, const GammaArgument& x) {
    const double d = scaled_deviance(a, x.value);
    if (x.low == 0) return d;
    const double corrected = d + (1 - a / x.value) * x.low;
    return corrected > 0 ? corrected : 0.0;
}

struct Tail {
    double value;
    double log;
};

Tail from_log(double log_v) { return {exp_value(log_v), log_v}; }

// The tail t and its complement 1 - t, each with its logarithm.
GammaTails lower_given(Tail p) { return {p.value, 1 - p.value, p.log, log1p_value(-p.value)}; }
GammaTails upper_given(Tail q) { return {1 - q.value, q.value, log1p_value(-q.value), q.log}; }

// 1 + x/(a + 1) + x^2/((a + 1)(a + 2)) + ..., so that
// P(a, x) = x^a e^-x / Gamma(a + 1) times this sum.
double lower_series(double a, double x) {
    double term = 1;
    double sum = 1;
    for (int n = 1; n <= SERIES_MAX_ORDER; ++n) {
        term = term * (x / (a + static_cast<double>(n)));
        sum = sum + term;
        if (term <= sum * SERIES_CUTOFF) break;
    }
    return sum;
}

Tail lower_by_series(double a, const GammaArgument& x) {
    return from_log(log_poisson_mass(a, x) + log_value(lower_series(a, x.value)));
}

// Q = x^a e^-x / Gamma(a) / U with U Legendre's denominator.
Tail upper_by_fraction(double a, const GammaArgument& x) {
    const double log_q =
        (log_poisson_mass(a, x) + log_value(a)) - log_value(legendre_denominator(a, x.value));
    return from_log(log_q);
}

// 1/Gamma(1 + a) = 1 + a s(a) for 0 <= a <= 1; returns s(a).
double reciprocal_gamma_slope(double a) {
    double s = RECIPROCAL_GAMMA[RECIPROCAL_GAMMA_ORDER - 1];
    for (int j = RECIPROCAL_GAMMA_ORDER - 2; j >= 1; --j) s = s * a + RECIPROCAL_GAMMA[j];
    return s;
}

// T = sum_{n >= 1} (-x)^n / (n! (a + n)), so that
// gamma(a, x) = x^a (1/a + T); for x < 1.5 the terms fall at once.
double alternating_series(double a, double x) {
    double power = 1;
    double sum = 0;
    for (int n = 1; n <= SERIES_MAX_ORDER; ++n) {
        power = power * (-x / static_cast<double>(n));
        const double term = power / (a + static_cast<double>(n));
        sum = sum + term;
        if (abs_value(term) <= abs_value(sum) * SERIES_CUTOFF) break;
    }
    return sum;
}

// (e^t - 1)/t, 1 at t = 0.
double expm1_over(double t) { return t == 0 ? 1.0 : expm1_kernel(t) / t; }

// a < 1, x < 1.5. With r = 1/Gamma(1 + a) = 1 + a s:
//   P = x^a r (1 + a T),
//   Q = r ((Gamma(1 + a) - 1) - (x^a - 1) - a x^a T)
//     = a r (-s/r - ln x (x^a - 1)/(a ln x) - x^a T),
// where the bracket is of order E1(x) and carries no cancellation as a -> 0.
// Both are direct; the smaller is kept and the other is its complement.
GammaTails small_shape(double a, double x, double log_x) {
    const double s = reciprocal_gamma_slope(a);
    const double r = 1 + a * s;
    const double log_r = log1p_value(a * s);
    const double t = a * log_x;
    const double series = alternating_series(a, x);
    const double log_p = (t + log_r) + log1p_value(a * series);
    const double p = exp_value(log_p);
    if (p <= 0.5) return lower_given({p, log_p});
    const double bracket = ((-s / r) - log_x * expm1_over(t)) - exp_value(t) * series;
    const double log_q = (log_value(a) + log_r) + log_value(bracket);
    return upper_given({a * (r * bracket), log_q});
}

// Temme's c_k(eta) summed with weights a^-k.
double temme_sum(double eta, double a) {
    const double inverse = 1 / a;
    double sum = 0;
    for (int k = TEMME_TERMS - 1; k >= 0; --k) {
        double c = TEMME[k][TEMME_ORDER[k] - 1];
        for (int j = TEMME_ORDER[k] - 2; j >= 0; --j) c = c * eta + TEMME[k][j];
        sum = sum * inverse + c;
    }
    return sum;
}

// e^(z^2) erfc(z) for z >= 1.5:
// 2/sqrt(pi) / (2z + 2/(2z + 4/(2z + 6/(...)))), cut at level 100.
double scaled_erfc(double z) {
    const double y = z + z;
    double level = y;
    for (int j = ERFC_FRACTION_DEPTH - 1; j >= 2; --j) level = static_cast<double>(2 * j) / level + y;
    return (2 / SQRT_PI) / (2 / level + y);
}

// e^(z^2) erf(z) sqrt(pi)/2 = z + 2z^3/3 + 4z^5/15 + ..., every term positive.
double scaled_erf_series(double z) {
    const double w = (z + z) * z;
    double term = z;
    double sum = z;
    for (int n = 1; n <= SERIES_MAX_ORDER; ++n) {
        term = term * (w / static_cast<double>(2 * n + 1));
        sum = sum + term;
        if (term <= sum * SERIES_CUTOFF) break;
    }
    return sum;
}

// Q = erfc(z)/2 + R and P = erfc(z)/2 - R for eta >= 0 and eta < 0, where
// z = sqrt(D) = |eta| sqrt(a/2), D = a (lambda - 1 - ln lambda) the deviance,
// and R = e^-D / sqrt(2 pi a) sum_k c_k(eta) a^-k.
GammaTails uniform(double a, const GammaArgument& argument) {
    const double x = argument.value;
    const double d = corrected_deviance(a, argument);
    const bool above = x >= a;
    const double magnitude = sqrt_kernel((d + d) / a);
    const double eta = above ? magnitude : -magnitude;
    const double correction = temme_sum(eta, a) / (SQRT_2PI * sqrt_kernel(a));
    const double signed_correction = above ? correction : -correction;
    const double z = sqrt_kernel(d);
    Tail tail;
    if (z < ERFC_FRACTION_MIN) {
        const double e = exp_value(-d);
        const double erfc = 1 - (2 / SQRT_PI) * (e * scaled_erf_series(z));
        const double v = 0.5 * erfc + e * signed_correction;
        tail = {v, log_value(v)};
    } else {
        tail = from_log(log_value(0.5 * scaled_erfc(z) + signed_correction) - d);
    }
    return above ? upper_given(tail) : lower_given(tail);
}

}  // namespace

GammaArgument quotient_argument(double numerator, double denominator) {
    const double value = numerator / denominator;
    return {value, quotient_rounding(numerator, denominator, value), log_quotient(numerator, denominator)};
}

// For a >= 1 the saddle-point form keeps its relative accuracy where a ln x,
// x and ln Gamma(a + 1) are large and cancel; below, or for an x that
// underflowed, no such cancellation occurs.
double log_poisson_mass(double a, const GammaArgument& x) {
    // A mean that overflowed leaves e^-x below every double.
    if (x.value == INF) return -INF;
    if (a >= 1 && x.value >= SMALLEST_NORMAL && x.value != INF) {
        return -(stirling_error(a) + corrected_deviance(a, x)) - (LN_SQRT_2PI + 0.5 * log_value(a));
    }
    return coef_times_log(a, x.log) - x.value - lgamma_kernel(a + 1);
}

GammaTails inc_gamma_tails(double a, const GammaArgument& argument) {
    const double x = argument.value;
    if (x == 0 && argument.log == -INF) return {0.0, 1.0, -INF, 0.0};
    if (x == INF) return {1.0, 0.0, 0.0, -INF};
    if (a < SMALL_SHAPE) {
        if (x < SMALL_SHAPE_REACH) return small_shape(a, x, argument.log);
        return upper_given(upper_by_fraction(a, argument));
    }
    if (a < UNIFORM_MIN_SHAPE) {
        if (x < a + SERIES_REACH) return lower_given(lower_by_series(a, argument));
        return upper_given(upper_by_fraction(a, argument));
    }
    const double ratio = x / a;
    if (ratio < UNIFORM_LOW_RATIO) return lower_given(lower_by_series(a, argument));
    if (ratio > UNIFORM_HIGH_RATIO) return upper_given(upper_by_fraction(a, argument));
    return uniform(a, argument);
}

}  // namespace quantora
