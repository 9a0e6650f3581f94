#pragma once
// The logarithm and exponential over the whole range of the doubles
// (log_scale.hpp) on lanes, and ln(1 + x) written once over the number type.
// Each lane overload states where the value is the elementary kernel's own
// form; every other element goes to the scalar function, which extends the
// kernels by exact scaling.
#include "special/constants.hpp"
#include "special/elementary_forms.hpp"
#include "special/lanes.hpp"
#include "special/log_scale.hpp"

namespace quantora {
namespace log_scale {

// exp_kernel's integer power of e over- or underflows beyond these; inside
// them its value is a normal double (or an exact infinity above the top).
// Just below the lower one the power underflows for some x and not for others.
constexpr double EXP_KERNEL_LOWEST = -708.0;
constexpr double EXP_KERNEL_HIGHEST = 709.5;

// The range of log1p_value where the quotient form is used; outside it 1 + x
// carries no cancellation.
constexpr double LOG1P_QUOTIENT_LOW = -0.5;
constexpr double LOG1P_QUOTIENT_HIGH = 0.5;

}  // namespace log_scale

// ln(1 + x) for x >= -1: ln((1 + z)/(1 - z)) with z = x/(2 + x) near 0, where
// the fraction keeps the relative accuracy that 1 + x would lose.
template <class T>
T log1p_form(T x) {
    const auto quotient = (log_scale::LOG1P_QUOTIENT_LOW <= x) & (x <= log_scale::LOG1P_QUOTIENT_HIGH);
    const T direct = branch(!quotient, T(0.0), [](T v) { return log_value(1.0 + v); }, x);
    return branch(quotient & (x != 0.0), direct, [](T v) { return elementary::log_quotient_form(v / (2.0 + v)); },
                  x);
}

template <int W, int K, class U>
Lanes<W, K, U> log_value(Lanes<W, K, U> x) {
    return form_or_scalar(
        (x >= EPS) & (x < INF) & (abs_value(x - 1.0) >= EPS), [](auto v) { return elementary::log_form(v); },
        [](double v) { return log_value(v); }, x);
}

template <int W, int K, class U>
Lanes<W, K, U> exp_value(Lanes<W, K, U> x) {
    return form_or_scalar(
        (x >= log_scale::EXP_KERNEL_LOWEST) & (x < log_scale::EXP_KERNEL_HIGHEST) & (abs_value(x) >= EPS),
        [](auto v) { return elementary::exp_form(v); }, [](double v) { return exp_value(v); }, x);
}

template <int W, int K, class U>
Lanes<W, K, U> log1p_value(Lanes<W, K, U> x) {
    return form_or_scalar(
        x >= -1.0, [](auto v) { return log1p_form(v); }, [](double v) { return log1p_value(v); }, x);
}

}  // namespace quantora
