#pragma once
// The formulas of the exponential, logarithm, e^x - 1, square root and floor,
// written once over the number type T: `double` for the scalar kernels of
// elementary.cpp, Lanes for the vector units. The scalar kernels decide their
// special values first and pass the rest to these forms; a lane kernel sends
// elements outside a form's range to the scalar kernel.
//
// A form on lanes makes exactly the IEEE operations of the scalar form on
// every element, in the same order. Where elements would branch apart, both
// sides are computed and each element selects its own; a loop with a
// data-dependent count runs while any element still needs it, and only those
// elements are updated.
#include <cstdint>

#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/lanes.hpp"

namespace quantora {
namespace elementary {

// Both continued fractions are cut at this level and summed from it upward.
constexpr int FRACTION_DEPTH = 25;
// The exponential's fraction is used directly for |x| below this, and on the
// residual of the integer split beyond.
constexpr double EXP_FRACTION_RANGE = 2;
// The residual of the split is moved by one from this fraction upward.
constexpr double EXP_CARRY = 0.5;
// The logarithm's fraction is used directly on [0.5, 1.5], both ends included.
constexpr double LOG_DIRECT_LOW = 0.5;
constexpr double LOG_DIRECT_HIGH = 1.5;
constexpr double LN_10 = 2.302585092994046;
constexpr int SQRT_MAX_UPDATES = 100;
// Every double of magnitude 2^52 or more is an integer.
constexpr double TWO_52 = 4503599627370496.0;

// ln k rounded to double, indexed by the leading decimal digit k = 2..10 of a
// mantissa; slot 1 is ln 1 = 0 and slot 0 is never read.
constexpr double LN_DIGIT[11] = {
    0.0,
    0.0,
    0.6931471805599453,
    1.0986122886681098,
    1.3862943611198906,
    1.6094379124341003,
    1.791759469228055,
    1.9459101490553132,
    2.0794415416798357,
    2.1972245773362196,
    2.302585092994046,
};

// The integer powers e^n of the exponential's split for |n| <= POWERS_REACH
// are read from a table made once by pow_int_kernel itself: the same bits
// without the square-and-multiply chain, which on lanes would run one element
// at a time. Further out e^n is 0 or infinity, and pow_int_kernel gives it
// directly.
constexpr int POWERS_REACH = 1024;
// e^n for n = -POWERS_REACH..POWERS_REACH, at index n + POWERS_REACH.
const double* powers_of_e();
// e^n for an integral double n of any magnitude, by pow_int_kernel; n
// saturates at the ends of the 64-bit range.
double power_of_e(double n);

// floor x, exact: below 2^52 in magnitude, adding and subtracting 2^52 with
// x's sign rounds x to a nearest integer (in the default rounding, which every
// kernel assumes), moved down by one when that lies above x. Arguments below EPS in magnitude, zeros of either sign and
// infinities are returned as they are.
template <class T>
T floor_form(T x) {
    const T shift = select(x < 0.0, T(-TWO_52), T(TWO_52));
    const T nearest = (x + shift) - shift;
    const T below = select(nearest > x, nearest - 1.0, nearest);
    const auto integral = (abs_value(x) >= TWO_52) | near_zero(x);
    return select(x != x, T(NaN), select(integral, x, below));
}

// e^x = 1/(1 - x/(1 + x - (x/2)/(1 + x/2 - (x/3)/(...)))):
// C(j) = (x/(j-1) + 1) - (x/j) / C(j + 1), C(25) = 1. Accurate for |x| < 2.
// The quotient x/(j-1) of level j is the x/j of the level above it: each is
// computed once and carried upward.
template <class T>
T exp_fraction(T x) {
    T level = 1.0;
    T deeper_quotient = x / static_cast<double>(FRACTION_DEPTH - 1);
    for (int j = FRACTION_DEPTH - 1; j >= 2; --j) {
        const T quotient = x / static_cast<double>(j - 1);
        level = (quotient + 1.0) - deeper_quotient / level;
        deeper_quotient = quotient;
    }
    return 1.0 / (1.0 - x / level);
}

// e^x for finite x with |x| >= EPS: the fraction itself below 2 in magnitude;
// beyond, x = n + r with |r| < 2 and e^x = e^r e^n.
template <class T>
T exp_form(T x) {
    const auto direct = abs_value(x) < EXP_FRACTION_RANGE;
    if (all(direct)) return exp_fraction(x);
    const T f = floor_form(x);
    const T residual = x - f;
    const T s = select(x > 0.0, T(1.0), T(-1.0));
    const auto carry = (residual != 0.0) & (residual >= EXP_CARRY);
    const T n = select(carry, f + s, f);
    const T r = select(direct, x, select(carry, residual - s, residual));
    const T fraction = exp_fraction(r);
    const double* table = powers_of_e();
    const T power = each_lane(
        [table](double k) {
            if (-POWERS_REACH <= k && k <= POWERS_REACH) return table[static_cast<int>(k) + POWERS_REACH];
            return power_of_e(k);
        },
        n);
    return select(direct, fraction, fraction * power);
}

// ln((1+z)/(1-z)) = 2z / (1 - z^2/(3 - 4z^2/(5 - 9z^2/(7 - ...)))), with w = z^2:
// L(j) = (2j - 1) - j^2 w / L(j + 1), L(25) = 49.
template <class T>
T log_quotient_form(T z) {
    const T w = z * z;
    T level = 2.0 * FRACTION_DEPTH - 1;
    for (std::int64_t j = FRACTION_DEPTH - 1; j >= 2; --j) {
        level = static_cast<double>(2 * j - 1) - static_cast<double>(j * j) * w / level;
    }
    return (z + z) / (1.0 - w / level);
}

// ln x for finite x >= EPS not indistinguishable from 1. On [0.5, 1.5] the
// fraction at z = (x - 1)/(x + 1); elsewhere x = m 10^e with m in [1, 10],
// reached by one rounded multiplication or division by 10 per decade, and
// ln x = e ln 10 + (ln(m/k) + ln k) with k the leading digit of m.
template <class T>
T log_form(T x) {
    const auto direct = (LOG_DIRECT_LOW <= x) & (x <= LOG_DIRECT_HIGH);
    if (all(direct)) return log_quotient_form((x - 1.0) / (x + 1.0));
    T mantissa = x;
    T exponent = 0.0;
    // An element below 1 only climbs and one above 10 only descends: a step
    // from below 1 stays below 10, one from above 10 stays above 1.
    for (auto low = mantissa < 1.0; any(low); low = mantissa < 1.0) {
        mantissa = select(low, mantissa * 10.0, mantissa);
        exponent = select(low, exponent - 1.0, exponent);
    }
    for (auto high = mantissa > 10.0; any(high); high = mantissa > 10.0) {
        mantissa = select(high, mantissa / 10.0, mantissa);
        exponent = select(high, exponent + 1.0, exponent);
    }
    const T digit = each_lane([](double m) { return static_cast<double>(static_cast<int>(m)); }, mantissa);
    const T g = select(direct, x, mantissa / digit);
    const T part = log_quotient_form((g - 1.0) / (g + 1.0));
    const T log_digit = each_lane([](double k) { return LN_DIGIT[static_cast<int>(k)]; }, digit);
    return select(direct, part, exponent * LN_10 + (part + log_digit));
}

// e^x - 1 for x not NaN: e^x minus 1 where that loses at most about 1e-12
// relative, the Taylor polynomial of fifth order (Horner form from the top)
// at and below 1e-4 in magnitude.
template <class T>
T expm1_form(T x) {
    const auto through_exp = (x != 0.0) & (abs_value(x) > 1e-4);
    if (all(through_exp)) return exp_kernel(x) - 1.0;
    T s = (x * x) / 120.0;
    s = s + x / 24.0;
    s = s * x;
    s = s + x / 6.0;
    s = s * x;
    s = s + x * 0.5;
    s = s * x;
    s = s + x;
    if (!any(through_exp)) return s;
    return select(through_exp, exp_kernel(x) - 1.0, s);
}

// sqrt x for finite x >= EPS not indistinguishable from 1. Arguments above 4
// are scaled by 1/4 and the root by 2 until they are at most 4; Newton's
// iteration then runs from y = x/2 until |y - x/y| / (y + 1) < EPS (absolute
// for small arguments, relative for large), for at most SQRT_MAX_UPDATES updates.
// An element that has passed the test keeps its y, so its test passes again.
template <class T>
T sqrt_form(T x) {
    T scale = 1.0;
    for (auto above = x > 4.0; any(above); above = x > 4.0) {
        x = select(above, x * 0.25, x);
        scale = select(above, scale * 2.0, scale);
    }
    T y = x * 0.5;
    for (int update = 0; update < SQRT_MAX_UPDATES; ++update) {
        const T q = x / y;
        const auto moving = !(abs_value(y - q) / (y + 1.0) < EPS);
        if (!any(moving)) break;
        y = select(moving, (y + q) * 0.5, y);
    }
    return scale * y;
}

// coef * log_value with 0 * (-infinity) taken as +0: a factor t^0 tends to 1
// as t -> 0. The other products without a value (0 times +infinity, infinity
// times 0) give the canonical NaN, not the processor's default one.
template <class T>
T coef_times_log_form(T coef, T log_value) {
    const T product = coef * log_value;
    const T valued = select(product != product, T(NaN), product);
    return select((coef == 0.0) & (log_value == -INF), T(0.0), valued);
}

}  // namespace elementary

// The kernels on lanes. Each states the range its form takes; the scalar
// kernel answers for every other element.
template <int W, int K, class U>
Lanes<W, K, U> exp_kernel(Lanes<W, K, U> x) {
    return form_or_scalar(
        (abs_value(x) >= EPS) & (abs_value(x) < INF), [](auto v) { return elementary::exp_form(v); },
        [](double v) { return exp_kernel(v); }, x);
}

template <int W, int K, class U>
Lanes<W, K, U> log_kernel(Lanes<W, K, U> x) {
    return form_or_scalar(
        (x >= EPS) & (x < INF) & (abs_value(x - 1.0) >= EPS), [](auto v) { return elementary::log_form(v); },
        [](double v) { return log_kernel(v); }, x);
}

template <int W, int K, class U>
Lanes<W, K, U> coef_times_log(Lanes<W, K, U> coef, Lanes<W, K, U> log_value) {
    return elementary::coef_times_log_form(coef, log_value);
}

template <int W, int K, class U>
Lanes<W, K, U> expm1_kernel(Lanes<W, K, U> x) {
    return form_or_scalar(
        x == x, [](auto v) { return elementary::expm1_form(v); }, [](double v) { return expm1_kernel(v); }, x);
}

template <int W, int K, class U>
Lanes<W, K, U> sqrt_kernel(Lanes<W, K, U> x) {
    return form_or_scalar(
        (x >= EPS) & (x < INF) & (abs_value(1.0 - x) >= EPS), [](auto v) { return elementary::sqrt_form(v); },
        [](double v) { return sqrt_kernel(v); }, x);
}

}  // namespace quantora
