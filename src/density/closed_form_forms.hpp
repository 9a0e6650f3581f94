#pragma once
// The formulas of the closed-form densities that rest on the logarithm and
// the exponential, written once over the number type T: `double` for the
// scalar kernels of closed_form.cpp, which decide their special values first
// and then call these, and Lanes for the vector units, whose kernels below
// send every element outside a form's range to the scalar kernel.
#include "density/conventions.hpp"
#include "density/density.hpp"
#include "special/closed_form_terms.hpp"
#include "special/elementary_forms.hpp"
#include "special/lanes.hpp"
#include "special/log_scale_forms.hpp"

namespace quantora {
namespace density_forms {

using density_rules::from_log_density;

constexpr double LN_SQRT_2PI = 0.9189385332046728;
constexpr double LN_2 = 0.6931471805599453;
constexpr double SMALLEST_NORMAL = 2.2250738585072014e-308;

// z^2/2; where z * z overflows, (z/2) z may not.
template <class T>
T half_square(T z) {
    const T square = z * z;
    return select(square != INF, square * 0.5, (z * 0.5) * z);
}

// Finite x and mu, finite sigma > 0.
template <class T>
T dnorm_form(T x, T mu, T sigma, bool log) {
    const T z = standardized(x, mu, sigma);
    const T log_density = (-LN_SQRT_2PI - log_value(sigma)) - half_square(z);
    return from_log_density(log_density, log);
}

// Finite x > 0 and mu, finite sigma > 0: the normal density of ln x over x.
// A normal density below the normal range has lost digits that the division
// by a small x would bring back into view; it is then formed in logarithms.
template <class T>
T dlnorm_form(T x, T mu, T sigma, bool log) {
    const T lx = log_value(x);
    if (log) return dnorm_form(lx, mu, sigma, true) - lx;
    const T normal_density = dnorm_form(lx, mu, sigma, false);
    return branch(
        !(normal_density >= SMALLEST_NORMAL), normal_density / x,
        [](T lx, T mu, T sigma) { return exp_value(dnorm_form(lx, mu, sigma, true) - lx); }, lx, mu, sigma);
}

// ln(e^z/(sigma (1 + e^z)^2)), z = -(x - mu)/sigma. Once e^z overflows the
// density is taken at -z, where it is the same by symmetry.
template <class T>
T logistic_log_density(T z, T sigma) {
    const T e = exp_kernel(z);
    const T s = log_value(sigma);
    const auto overflow = e == INF;
    const T direct = branch(
        !overflow, T(0.0),
        [](T z, T e, T s) {
            const T g = log_kernel(e + 1.0);
            return (z - s) - (g + g);
        },
        z, e, s);
    return branch(
        overflow, direct,
        [](T z, T s) {
            const T g = log1p_value(exp_value(-z));
            return (-z - s) - (g + g);
        },
        z, s);
}

// Finite x and mu, finite sigma > 0.
template <class T>
T dlogis_form(T x, T mu, T sigma, bool log) {
    return from_log_density(logistic_log_density(-standardized(x, mu, sigma), sigma), log);
}

// Finite x >= 0 and rate >= 0 (a zero rate gives ln 0 = -infinity, hence
// the density 0).
template <class T>
T dexp_form(T x, T rate, bool log) {
    return from_log_density(log_value(rate) - x * rate, log);
}

// Finite x and mu, finite sigma > 0. |x - mu|/sigma is taken as +0 at
// x == mu so that a -0 difference cannot flip the sign of a zero
// log-density.
template <class T>
T dlaplace_form(T x, T mu, T sigma, bool log) {
    const T a = plus_zero(abs_value(standardized(x, mu, sigma)));
    const T two_sigma = sigma + sigma;
    const T log_two_sigma =
        branch(two_sigma == INF, log_value(two_sigma), [](T sigma) { return log_value(sigma) + LN_2; }, sigma);
    const T log_density = -log_two_sigma - a;
    return from_log_density(log_density, log);
}

// x >= 0, shape and scale finite and at least EPS: ln(shape/scale) +
// (shape - 1) ln(x/scale) - (x/scale)^shape. Once the power overflows it
// outgrows every other term, and the density is 0.
template <class T>
T dweibull_form(T x, T shape, T scale, bool log) {
    const T g = log_of_quotient(shape, scale);
    const T lr = weibull_log_ratio(x, scale, shape);
    const T t = exp_value(lr * shape);
    // For shape == 1 at x == 0 the power term vanishes exactly, leaving the
    // density's limit 1/scale.
    const T log_density = (coef_times_log(shape - 1.0, lr) + g) - t;
    return select(t == INF, T(log ? -INF : 0.0), from_log_density(log_density, log));
}

}  // namespace density_forms

// The densities on lanes: the form where the scalar kernel would reach it,
// the scalar kernel elsewhere.
struct DnormLanes {
    template <class L>
    L operator()(L x, L mu, L sigma, bool log) const {
        return form_or_scalar(
            is_finite(x) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0),
            [log](L x, L mu, L sigma) { return density_forms::dnorm_form(x, mu, sigma, log); },
            [log](double x, double mu, double sigma) { return dnorm(x, mu, sigma, log); }, x, mu, sigma);
    }
};

struct DlnormLanes {
    template <class L>
    L operator()(L x, L mu, L sigma, bool log) const {
        return form_or_scalar(
            (x > 0.0) & (x < INF) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0),
            [log](L x, L mu, L sigma) { return density_forms::dlnorm_form(x, mu, sigma, log); },
            [log](double x, double mu, double sigma) { return dlnorm(x, mu, sigma, log); }, x, mu, sigma);
    }
};

struct DlogisLanes {
    template <class L>
    L operator()(L x, L mu, L sigma, bool log) const {
        return form_or_scalar(
            is_finite(x) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0),
            [log](L x, L mu, L sigma) { return density_forms::dlogis_form(x, mu, sigma, log); },
            [log](double x, double mu, double sigma) { return dlogis(x, mu, sigma, log); }, x, mu, sigma);
    }
};

struct DexpLanes {
    template <class L>
    L operator()(L x, L rate, bool log) const {
        return form_or_scalar(
            (x >= 0.0) & (x < INF) & (rate >= 0.0) & (rate < INF),
            [log](L x, L rate) { return density_forms::dexp_form(x, rate, log); },
            [log](double x, double rate) { return dexp(x, rate, log); }, x, rate);
    }
};

struct DweibullLanes {
    template <class L>
    L operator()(L x, L shape, L scale, bool log) const {
        return form_or_scalar(
            (x > 0.0) & (x < INF) & (shape >= EPS) & (shape < INF) & (scale >= EPS) & (scale < INF),
            [log](L x, L shape, L scale) { return density_forms::dweibull_form(x, shape, scale, log); },
            [log](double x, double shape, double scale) { return dweibull(x, shape, scale, log); }, x, shape, scale);
    }
};

struct DlaplaceLanes {
    template <class L>
    L operator()(L x, L mu, L sigma, bool log) const {
        return form_or_scalar(
            is_finite(x) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0),
            [log](L x, L mu, L sigma) { return density_forms::dlaplace_form(x, mu, sigma, log); },
            [log](double x, double mu, double sigma) { return dlaplace(x, mu, sigma, log); }, x, mu, sigma);
    }
};

}  // namespace quantora
