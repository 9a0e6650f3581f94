#pragma once
// Terms shared by the closed-form densities, distribution functions and
// quantiles: the standardized argument of a location-scale law and the
// logarithm of a ratio, both over the whole range of the doubles.
#include "special/constants.hpp"
#include "special/lanes.hpp"
#include "special/log_scale.hpp"
#include "special/log_scale_forms.hpp"

namespace quantora {

// (x - mu)/sigma for finite x and mu and sigma > 0. Where x - mu overflows
// although the quotient need not, the difference of the halves is formed
// instead; halving such magnitudes is exact, so the quotient is still the
// correctly rounded one unless it overflows itself.
template <class T>
T standardized(T x, T mu, T sigma) {
    const T d = x - mu;
    return branch(is_infinite(d), d / sigma, [](T x, T mu, T sigma) { return ((x * 0.5 - mu * 0.5) / sigma) * 2.0; },
                  x, mu, sigma);
}

// ln |x - mu| for finite x and mu, also where the difference overflows.
inline double log_distance(double x, double mu) {
    constexpr double LN_2 = 0.6931471805599453;
    const double d = abs_value(x - mu);
    if (d != INF) return log_value(d);
    return log_value(abs_value(x * 0.5 - mu * 0.5)) + LN_2;
}

// ln(a/b) for finite a >= 0 and b > 0: the logarithm of the quotient while the
// quotient is a normal double, else the difference of the two logarithms,
// which neither underflows nor overflows.
template <class T>
T log_of_quotient(T a, T b) {
    constexpr double SMALLEST_NORMAL = 2.2250738585072014e-308;
    const T r = a / b;
    const auto normal = (r >= SMALLEST_NORMAL) & (r != INF);
    const T of_quotient = branch(normal, T(0.0), [](T r) { return log_value(r); }, r);
    return branch(!normal, of_quotient, [](T a, T b) { return log_value(a) - log_value(b); }, a, b);
}

// Above this shape the Weibull power (x/scale)^shape is taken from a
// logarithm of the ratio that does not carry the rounding of x/scale: that
// rounding shifts ln(x/scale) by up to 1.1e-16 absolute, and the log-density
// (shape - 1) ln r - r^shape by up to shape 1.1e-16 (1 + r^shape), which must
// stay below 1e-13 where the log-density is near 0.
constexpr double WEIBULL_LARGE_SHAPE = 500;

// ln(x/scale) for the Weibull laws, x >= 0 and scale > 0 finite. Near x =
// scale a large shape takes it as ln(1 + (x - scale)/scale), where the
// difference is exact and the logarithm keeps its relative accuracy.
template <class T>
T weibull_log_ratio(T x, T scale, T shape) {
    const T r = x / scale;
    const auto near = (shape > WEIBULL_LARGE_SHAPE) & (r >= 0.5) & (r <= 2.0);
    const T far = branch(!near, T(0.0), [](T x, T scale) { return log_of_quotient(x, scale); }, x, scale);
    return branch(near, far, [](T x, T scale) { return log1p_value((x - scale) / scale); }, x, scale);
}

}  // namespace quantora
