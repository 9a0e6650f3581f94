#pragma once
// The regularized incomplete beta function's continued fraction, its kernel
// value and the inverse's Halley update, written once over the number type of
// x: `double` for the kernels (inc_beta.cpp), lanes of several x at one pair of
// shapes for the array functions. Which of the two forms, direct or reflected,
// serves x differs from lane to lane, so the fraction takes its shapes on the
// lanes too. Everything derived from the shapes alone stays a double, and
// nothing here calls an inline function on plain doubles, so that the vector
// units' files instantiate none.
#include "special/constants.hpp"
#include "special/elementary_forms.hpp"
#include "special/inc_beta.hpp"
#include "special/inc_gamma_forms.hpp"
#include "special/lanes.hpp"

namespace quantora::inc_beta_forms {

// The fraction stops at the first level that changes its value by less than
// the tolerance, or at the last level, unconverged.
constexpr double FRACTION_TOLERANCE = 1e-15;
constexpr int FRACTION_LAST_LEVEL = 205;

// Updates of the inverse after its first guess.
constexpr int INVERSE_UPDATES = 36;

// Coefficient of level j of the fraction I_x(a, b) = x^a (1 - x)^b / (a B(a, b)) / (1 + e_1/(1 + e_2/(...))),
// counted from e_0: e_2k = -(k + a)(a + b + k) x / ((2k + a + 1)(2k + a)),
// e_2k-1 = (b - k) k x / ((2k + a - 1)(2k + a)).
template <class T>
T fraction_coefficient(T a, T b, T x, int j) {
    if (j % 2 == 0) {
        const double k = static_cast<double>(j / 2);
        const double k2 = static_cast<double>(j);
        return ((k + a) * (-x)) * ((a + b) + k) / (((k2 + a) + 1.0) * (k2 + a));
    }
    const double k = static_cast<double>((j + 1) / 2);
    const double k2 = static_cast<double>(j + 1);
    return ((b - k) * (k * x)) / (((k2 + a) - 1.0) * (k2 + a));
}

// The fraction's value, and where it converged before the last level.
template <class T>
struct Fraction {
    T value;
    MaskOf<T> converged;
};

// The fraction by the modified Lentz method, forward. Each element keeps the
// value of the level at which its own change fell below the tolerance; on
// lanes the levels go on while any element still changes, the settled ones
// holding their value.
template <class T>
Fraction<T> lentz_fraction(T a, T b, T x) {
    T d = 1.0 / (1.0 + fraction_coefficient(a, b, x, 0));
    T c = 1.0;
    T f = d;
    MaskOf<T> converged = T(0.0) != T(0.0);
    for (int j = 1; j <= FRACTION_LAST_LEVEL; ++j) {
        const T e = fraction_coefficient(a, b, x, j);
        d = 1.0 / (e * d + 1.0);
        c = e / c + 1.0;
        f = select(converged, f, (c * f) * d);
        const T change = c * d - 1.0;
        converged = converged | (change == 0.0) | (abs_value(change) < FRACTION_TOLERANCE);
        if (all(converged)) break;
    }
    return {f, converged};
}

// The direct form, which converges fast for x below the mean-like split point.
template <class T>
T direct_form(T a, T b, double log_beta, T x) {
    const T front = exp_kernel((log_kernel(1.0 - x) * b + log_kernel(x) * a) - log_beta) / a;
    return front * lentz_fraction(a, b, x).value;
}

// I_x(a, b) at the shapes of s (neither NaN) for any x: NaN at NaN, 0 below
// EPS, and elsewhere the direct form below the split point (a + 1)/(a + b + 2)
// and the reflected one, 1 - I_(1-x)(b, a), from it on.
template <class T>
T kernel_value(const BetaShape& s, T x) {
    const auto regular = x >= EPS;
    const T y = select(regular, x, T(0.5));
    const auto direct = T((s.a + 1) / ((s.a + s.b) + 2)) > y;
    const T form = direct_form(select(direct, T(s.a), T(s.b)), select(direct, T(s.b), T(s.a)), s.log_beta,
                               select(direct, y, 1.0 - y));
    const T value = select(direct, form, 1.0 - form);
    return select(regular, value, select(x != x, T(NaN), T(0.0)));
}

// The beta density at y, 0 at the ends (where it may be 0 or infinite).
template <class T>
T beta_density(const BetaShape& s, T y) {
    const auto ends = near_zero(y) | near_zero(1.0 - y);
    return branch(
        !ends, T(0.0),
        [&s](T y) {
            return exp_kernel((log_kernel(y) * (s.a - 1) + log_kernel(1.0 - y) * (s.b - 1)) - s.log_beta);
        },
        y);
}

// A weight this small ends the inverse's updates: the step would be noise.
template <class T>
MaskOf<T> stops(T weight) {
    return near_zero(weight);
}

// One Halley-type update of x towards I_x(a, b) = p, from the kernel's value
// at x and the density at the lagging iterate, the correction factor clamped
// as for the incomplete gamma function.
template <class T>
T halley_update(const BetaShape& s, T p, T x, T density, T kernel_at_x) {
    const T g = ((((s.a - 1) / x) - ((s.b - 1) / (1.0 - x))) * density) / density;
    const T r = (kernel_at_x - p) / density;
    const T c = inc_gamma_forms::clamp_halley(1.0 - (r * 0.5) * g);
    return x - r / c;
}

}  // namespace quantora::inc_beta_forms
