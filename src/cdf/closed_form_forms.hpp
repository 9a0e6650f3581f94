#pragma once
// The formulas of the closed-form distribution functions that rest on the
// error function, the hyperbolic tangent, the logarithm and the exponential,
// written once over the number type T: `double` for the scalar kernels of
// closed_form.cpp, which decide their special values first and then call
// these, and Lanes for the vector units, whose kernels below send every
// element outside a form's range to the scalar kernel.
#include "cdf/cdf.hpp"
#include "cdf/probability.hpp"
#include "special/closed_form_terms.hpp"
#include "special/erf_forms.hpp"
#include "special/lanes.hpp"
#include "special/log_scale_forms.hpp"
#include "special/trig_forms.hpp"

namespace quantora {
namespace cdf_forms {

using cdf_detail::probability;
using cdf_detail::sign_of;

constexpr double SQRT2 = 1.4142135623730951;
constexpr double LN_2 = 0.6931471805599453;
constexpr double SMALLEST_NORMAL = 2.2250738585072014e-308;

// Lower tails formed as 1/2 + (an odd function)/2 keep about 1.1e-16 of
// absolute error, which is relative error 1.1e-16/P(X <= x): 1e-7 where the
// tail probability is about 1e-9. Beyond these points of the standardized
// argument each lower tail has a form of its own, without the difference.
// The normal law's is on z = (x - mu)/(sigma sqrt 2), where P(X <= x) is 1.4e-9.
constexpr double NORMAL_LOWER_TAIL = -4.2;
// |x - mu|/sigma of the Laplace law, where e^(-|z|)/2 is 1e-9.
constexpr double LAPLACE_LOWER_TAIL = 20;
// (x - mu)/(2 sigma) of the logistic law, where 1/(1 + e^(2|w|)) is 5.6e-9 and
// the hyperbolic tangent's own error of a few units in 1e-16 has grown to 2e-8.
constexpr double LOGISTIC_LOWER_TAIL = -9.5;

// A probability as returned: the one NaN, and no -0.
template <class T>
T result(T v, bool log_p) {
    return probability(canonical(plus_zero(v)), log_p);
}

// Phi(-t sqrt 2) = erfc(t)/2 = e^(-t^2) erfcx(t)/2. The factor e^(-t^2) is
// applied as two factors e^(-t^2/2), each a normal double for as long as the
// product can be one, so the value runs down into the subnormals; its
// logarithm stays finite until t^2 itself overflows.
template <class T>
T normal_lower_tail(T t, bool log_p) {
    const T half_scaled = erfcx_kernel(t) * 0.5;
    if (log_p) return -(t * t) + log_value(half_scaled);
    const T root = exp_kernel(-(t * t) * 0.5);
    return root * (root * half_scaled);
}

// Finite x and mu, finite sigma > 0.
template <class T>
T pnorm_form(T x, T mu, T sigma, bool log_p) {
    const T z = standardized(x, mu, sigma) / SQRT2;
    const auto tail = z < NORMAL_LOWER_TAIL;
    const T lower = branch(tail, T(0.0), [log_p](T t) { return normal_lower_tail(t, log_p); }, -z);
    return branch(!tail, lower, [log_p](T z) { return result((erf_kernel(z) + 1.0) * 0.5, log_p); }, z);
}

// e^z/(1 + e^z) for z = (x - mu)/sigma far below 0, and its logarithm
// z - ln(1 + e^z).
template <class T>
T logistic_lower_tail(T z, bool log_p) {
    const T e = exp_value(z);
    if (log_p) return z - log1p_value(e);
    return e / (1.0 + e);
}

// Finite x and mu, finite sigma > 0: (1 + tanh(w))/2 with w = (x - mu)/(2
// sigma). The fixed-depth fraction of tanh overshoots 1 slightly for w beyond
// about 19; the clamp of the result keeps the upper tail at 1.
template <class T>
T plogis_form(T x, T mu, T sigma, bool log_p) {
    const T d = x - mu;
    const T two_sigma = sigma + sigma;
    const T w = branch(is_infinite(d) | (two_sigma == INF), d / two_sigma,
                       [](T x, T mu, T sigma) { return standardized(x, mu, sigma) * 0.5; }, x, mu, sigma);
    const auto tail = w < LOGISTIC_LOWER_TAIL;
    const T lower = branch(tail, T(0.0), [log_p](T w) { return logistic_lower_tail(w + w, log_p); }, w);
    return branch(!tail, lower, [log_p](T w) { return result((tanh_kernel(w) + 1.0) * 0.5, log_p); }, w);
}

// x > 0 and finite rate >= 0 (+0, not -0): 1 - e^(-rate x) without
// cancellation for small rate x; once rate x leaves the normal range its
// logarithm is ln rate + ln x.
template <class T>
T pexp_form(T x, T rate, bool log_p) {
    const T exponent = (-rate) * x;
    if (!log_p) return result(-expm1_kernel(exponent), false);
    const auto tiny = -exponent < SMALLEST_NORMAL;
    const T direct = branch(!tiny, T(0.0), [](T exponent) { return result(-expm1_kernel(exponent), true); }, exponent);
    return branch(tiny, direct, [](T rate, T x) { return log_value(rate) + log_value(x); }, rate, x);
}

// Finite x and mu, finite sigma > 0: 1/2 + sign(z) (1 - e^(-|z|))/2, and far
// in the lower tail e^(-|z|)/2 with no difference left to cancel.
template <class T>
T plaplace_form(T x, T mu, T sigma, bool log_p) {
    const T z = standardized(x, mu, sigma);
    const T s = sign_of(z);
    const T a = plus_zero(abs_value(z));
    const auto tail = (s < 0.0) & (a > LAPLACE_LOWER_TAIL);
    const T lower = branch(tail, T(0.0), [log_p](T a) { return log_p ? -a - LN_2 : exp_value(-a) * 0.5; }, a);
    return branch(
        !tail, lower,
        [log_p](T a, T s) {
            const T e = exp_kernel(-a);
            return result((1.0 - e) * (s * 0.5) + 0.5, log_p);
        },
        a, s);
}

// Beyond this point of the standardized argument the Cauchy lower tail has a
// form of its own, without the difference 1/2 - ..., for the reason given
// beside the normal law's switch above.
// (x - mu)/sigma of the Cauchy law, where 1/2 + atan(z)/pi is 1.6e-9.
constexpr double CAUCHY_LOWER_TAIL = -2e8;

// The Cauchy law at z = (x - mu)/sigma from its lower tail on: 1/2 + atan(z)/pi.
template <class T>
T cauchy_central(T z, bool log_p) {
    return result(atan_kernel(z) / cdf_detail::PI + 0.5, log_p);
}

// Below this logarithm of the Weibull power t = (x/scale)^shape, ln(1 - e^-t)
// is ln t to the last bit, and t itself leaves the normal range.
constexpr double WEIBULL_LOG_POWER_DIRECT = -708;

// x > 0, shape and scale finite and at least EPS: 1 - e^-t, t = (x/scale)^shape.
template <class T>
T pweibull_form(T x, T shape, T scale, bool log_p) {
    const T log_power = weibull_log_ratio(x, scale, shape) * shape;
    const T t = exp_value(log_power);
    const T v = result(-expm1_kernel(-t), log_p);
    return log_p ? select(log_power < WEIBULL_LOG_POWER_DIRECT, log_power, v) : v;
}

}  // namespace cdf_forms

// The distribution functions on lanes: the form where the scalar kernel would
// reach it, the scalar kernel elsewhere.
struct PnormLanes {
    template <class L>
    L operator()(L x, L mu, L sigma, bool log_p) const {
        return form_or_scalar(
            is_finite(x) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0),
            [log_p](L x, L mu, L sigma) { return cdf_forms::pnorm_form(x, mu, sigma, log_p); },
            [log_p](double x, double mu, double sigma) { return pnorm(x, mu, sigma, log_p); }, x, mu, sigma);
    }
};

struct PexpLanes {
    template <class L>
    L operator()(L x, L rate, bool log_p) const {
        return form_or_scalar(
            (x > 0.0) & (rate >= 0.0) & (rate < INF),
            [log_p](L x, L rate) { return cdf_forms::pexp_form(x, plus_zero(rate), log_p); },
            [log_p](double x, double rate) { return pexp(x, rate, log_p); }, x, rate);
    }
};

struct PweibullLanes {
    template <class L>
    L operator()(L x, L shape, L scale, bool log_p) const {
        return form_or_scalar(
            (x > 0.0) & (x < INF) & (shape >= EPS) & (shape < INF) & (scale >= EPS) & (scale < INF),
            [log_p](L x, L shape, L scale) { return cdf_forms::pweibull_form(x, shape, scale, log_p); },
            [log_p](double x, double shape, double scale) { return pweibull(x, shape, scale, log_p); }, x, shape,
            scale);
    }
};

struct PcauchyLanes {
    template <class L>
    L operator()(L x, L mu, L sigma, bool log_p) const {
        const L z = standardized(x, mu, sigma);
        return form_or_scalar(
            is_finite(x) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0) & (z >= cdf_forms::CAUCHY_LOWER_TAIL),
            [log_p](L z, L, L, L) { return cdf_forms::cauchy_central(z, log_p); },
            [log_p](double, double x, double mu, double sigma) { return pcauchy(x, mu, sigma, log_p); }, z, x, mu,
            sigma);
    }
};

struct PlaplaceLanes {
    template <class L>
    L operator()(L x, L mu, L sigma, bool log_p) const {
        return form_or_scalar(
            is_finite(x) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0),
            [log_p](L x, L mu, L sigma) { return cdf_forms::plaplace_form(x, mu, sigma, log_p); },
            [log_p](double x, double mu, double sigma) { return plaplace(x, mu, sigma, log_p); }, x, mu, sigma);
    }
};

// For x > 0 the log-normal law is the normal law of ln x, special values
// included.
struct PlnormLanes {
    template <class L>
    L operator()(L x, L mu, L sigma, bool log_p) const {
        return form_or_scalar(
            x > 0.0, [log_p](L x, L mu, L sigma) { return PnormLanes{}(log_value(x), mu, sigma, log_p); },
            [log_p](double x, double mu, double sigma) { return plnorm(x, mu, sigma, log_p); }, x, mu, sigma);
    }
};

struct PlogisLanes {
    template <class L>
    L operator()(L x, L mu, L sigma, bool log_p) const {
        return form_or_scalar(
            is_finite(x) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0),
            [log_p](L x, L mu, L sigma) { return cdf_forms::plogis_form(x, mu, sigma, log_p); },
            [log_p](double x, double mu, double sigma) { return plogis(x, mu, sigma, log_p); }, x, mu, sigma);
    }
};

}  // namespace quantora
