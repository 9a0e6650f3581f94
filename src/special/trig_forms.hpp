#pragma once
// The fractions and series of the tangent, the arc tangent and the hyperbolic
// tangent written once over the number type, for the scalar kernels of
// trig.cpp and for lanes. Where the depth of a fraction or the length of a
// series depends on the argument, each lane starts from its own and the
// levels it does not take leave it as it is.
#include "special/constants.hpp"
#include "special/lanes.hpp"
#include "special/trig.hpp"

namespace quantora {
namespace trig_forms {

constexpr int TANH_DEPTH = 35;

// Lambert: tanh z = z/(1 + z^2/(3 + z^2/(5 + ...))), H(j) = (2j - 1) + w/H(j + 1),
// for z >= EPS with z^2 finite.
template <class T>
T tanh_fraction(T z) {
    const T w = z * z;
    T level = 2.0 * TANH_DEPTH - 1;
    for (int j = TANH_DEPTH - 1; j >= 2; --j) level = static_cast<double>(2 * j - 1) + w / level;
    return z / (w / level + 1.0);
}

constexpr double HALF_PI = 1.5707963267948966;
constexpr double TAN_AT_POLE = 1.633124e+16;

// The tangent's pole region: there the series in z = x - pi/2 replaces the
// fraction.
constexpr double TAN_POLE_LOW = 1.55;
constexpr double TAN_POLE_HIGH = 1.6;

// -cot z = -1/z + z/3 + z^3/45 + 2z^5/945 + z^7/4725, summed from the smallest term.
template <class T>
T tan_near_pole(T x) {
    const T z = x - HALF_PI;
    const T w = z * z;
    const T z3 = w * z;
    const T z5 = (w * w) * z;
    const T z7 = (w * w) * (w * z);
    const T value = (((z7 / 4725.0 + (z5 + z5) / 945.0) + z3 / 45.0) + z / 3.0) - 1.0 / z;
    return select(near_zero(z), T(TAN_AT_POLE), value);
}

// Lambert: tan x = x/(1 - x^2/(3 - x^2/(5 - ...))), T(j) = (2j - 1) - w/T(j + 1),
// T(K) = 2K - 1, deeper for arguments nearer the pole.
template <class T>
T tan_fraction(T x) {
    const T w = x * x;
    const T depth = select(x > 1.4, T(45.0), select(x > 1.0, T(35.0), T(25.0)));
    const int deepest = any(x > 1.4) ? 45 : (any(x > 1.0) ? 35 : 25);
    T level = depth * 2.0 - 1.0;
    for (int j = deepest - 1; j >= 2; --j) {
        level = select(static_cast<double>(j) < depth, static_cast<double>(2 * j - 1) - w / level, level);
    }
    return x / (1.0 - w / level);
}

// tan x for EPS <= x <= pi: near the pole its series, elsewhere the fraction.
template <class T>
T tan_reduced(T x) {
    const auto pole = (TAN_POLE_LOW < x) & (x < TAN_POLE_HIGH);
    const T far = branch(!pole, T(0.0), [](T x) { return tan_fraction(x); }, x);
    return branch(pole, far, [](T x) { return tan_near_pole(x); }, x);
}

// The number of pairs the arc tangent's series takes at x > 2.5.
template <class T>
T atan_series_pairs(T x) {
    return select(x < 3.0, T(10.0), select(x < 4.0, T(9.0), select(x < 5.0, T(8.0), select(x < 7.0, T(7.0),
           select(x < 11.0, T(6.0), select(x < 25.0, T(5.0), select(x < 100.0, T(4.0),
           select(x < 1000.0, T(3.0), T(2.0)))))))));
}

// atan x = pi/2 - 1/x + 1/(3x^3) - 1/(5x^5) + ..., in pairs
// 1/((4k-5) q_k) - 1/((4k-3) q_k w) with q_2 = x^3 and q_(k+1) = w q_k w,
// summed from the smallest pair upward.
template <class T>
T atan_series(T x, T w) {
    constexpr int MOST_PAIRS = 10;
    const T pairs = atan_series_pairs(x);
    const int longest = any(x < 3.0) ? 10 : (any(x < 4.0) ? 9 : (any(x < 5.0) ? 8 : (any(x < 7.0) ? 7 :
                        (any(x < 11.0) ? 6 : (any(x < 25.0) ? 5 : (any(x < 100.0) ? 4 : (any(x < 1000.0) ? 3 : 2)))))));
    T q[MOST_PAIRS + 1];
    q[2] = (x * x) * x;
    for (int k = 3; k <= longest; ++k) q[k] = (w * q[k - 1]) * w;
    T sum = 0.0;
    for (int k = longest; k >= 2; --k) {
        const T term = 1.0 / (static_cast<double>(4 * k - 5) * q[k]) - 1.0 / ((static_cast<double>(4 * k - 3) * q[k]) * w);
        const double kd = static_cast<double>(k);
        sum = select(pairs == kd, term, select(pairs > kd, sum + term, sum));
    }
    return sum + (HALF_PI - 1.0 / x);
}

// atan x = x/(1 + x^2/(3 + 4x^2/(5 + 9x^2/(7 + ...)))), A(j) = j^2 w/A(j + 1) + (2j - 1).
template <class T>
T atan_fraction(T x, T w) {
    const T depth = select(x < 0.5, T(15.0), select(x < 1.0, T(25.0), select(x < 1.5, T(35.0),
                    select(x < 2.0, T(45.0), T(52.0)))));
    const int deepest = any(x >= 2.0) ? 52 : (any(x >= 1.5) ? 45 : (any(x >= 1.0) ? 35 : (any(x >= 0.5) ? 25 : 15)));
    T level = depth * 2.0 - 1.0;
    for (int j = deepest - 1; j >= 2; --j) {
        const T next = (static_cast<double>(j * j) * w) / level + static_cast<double>(2 * j - 1);
        level = select(static_cast<double>(j) < depth, next, level);
    }
    return x / (w / level + 1.0);
}

// The arc tangent's series above 2.5, its fraction below.
constexpr double ATAN_SERIES_FROM = 2.5;

template <class T>
T atan_core(T x) {
    const T w = x * x;
    const auto series = x > ATAN_SERIES_FROM;
    const T fraction = branch(!series, T(0.0), [](T x, T w) { return atan_fraction(x, w); }, x, w);
    return branch(series, fraction, [](T x, T w) { return atan_series(x, w); }, x, w);
}

}  // namespace trig_forms

// atan is odd: the fraction or the series runs on |x|.
template <int W, int K, class U>
Lanes<W, K, U> atan_kernel(Lanes<W, K, U> x) {
    return form_or_scalar(
        abs_value(x) >= EPS,
        [](auto v) {
            const auto core = trig_forms::atan_core(abs_value(v));
            return canonical(select(v < 0.0, -core, core));
        },
        [](double v) { return atan_kernel(v); }, x);
}

// tan is odd; on |x| <= pi it needs no reduction.
template <int W, int K, class U>
Lanes<W, K, U> tan_kernel(Lanes<W, K, U> x) {
    constexpr double PI = 3.141592653589793;
    return form_or_scalar(
        (abs_value(x) >= EPS) & (abs_value(x) <= PI),
        [](auto v) {
            const auto core = trig_forms::tan_reduced(abs_value(v));
            return canonical(select(v < 0.0, -core, core));
        },
        [](double v) { return tan_kernel(v); }, x);
}

// tanh is odd: the fraction runs on |z|.
template <int W, int K, class U>
Lanes<W, K, U> tanh_kernel(Lanes<W, K, U> z) {
    return form_or_scalar(
        (abs_value(z) >= EPS) & (z * z < INF),
        [](auto v) {
            const auto core = trig_forms::tanh_fraction(abs_value(v));
            return canonical(select(v < 0.0, -core, core));
        },
        [](double v) { return tanh_kernel(v); }, z);
}

}  // namespace quantora
