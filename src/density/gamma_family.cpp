// Gamma, inverse-gamma and chi-squared densities.
//
// Each density is first formed as the plain sum of logarithms its formula
// states. That sum is kept where a bound on its rounding error keeps the margin
// of kept results; the bound grows with the size of the terms, which cancel
// for large shapes, and with 1/shape for small ones, where ln Gamma loses the
// low bits of its argument. Elsewhere the density is written through the
// Poisson mass at the shape, in its saddle-point form:
//     gamma:         f(x) = (k/x) y^k e^-y / Gamma(k + 1),  y = x/scale,
//     inverse gamma: f(x) = (k/x) y^k e^-y / Gamma(k + 1),  y = scale/x.
#include "density/conventions.hpp"
#include "density/density.hpp"
#include "density/log_density.hpp"
#include "special/gamma.hpp"
#include "special/inc_gamma.hpp"

namespace quantora {

using namespace density_rules;

namespace {

constexpr double LN_2 = 0.6931471805599453;

// ln((k/x) y^k e^-y / Gamma(k + 1)) for y = numerator / denominator.
double log_density_by_mass(double k, double log_k, double log_x, double numerator, double denominator) {
    return (log_k - log_x) + log_poisson_mass(k, quotient_argument(numerator, denominator));
}

}  // namespace

double dgamma(double x, double shape, double scale, bool log) {
    if (is_nan(x) || is_nan(shape) || is_nan(scale)) return NaN;
    if (shape < 0) return NaN;
    if (scale < EPS) return NaN;
    if (x < 0) return constant_zero(log);
    if (x == 0) {
        // A zero shape is a point mass here; below 1 the density has a pole.
        if (shape < 1) return special_value(INF, log);
        if (shape == 1) return special_value(1 / scale, log);
        return special_value(0.0, log);
    }
    // A zero shape puts all mass at the origin.
    if (shape == 0) return special_value(0.0, log);
    if (any_posinf(x, shape, scale)) return constant_zero(log);
    const double log_gamma_shape = lgamma_kernel(shape);
    const double log_scale = log_kernel(scale);
    const double log_x = log_value(x);
    const LogSum sum = LogSum(-log_gamma_shape, lgamma_pole_error(shape))
                           .minus(log_scale * shape)
                           .plus(coef_times_log(shape - 1, log_x))
                           .minus(x / scale);
    if (sum.kept(log)) return from_log(sum.value, log);
    return canonical(from_log(log_density_by_mass(shape, log_value(shape), log_x, x, scale), log));
}

double dinvgamma(double x, double shape, double scale, bool log) {
    if (is_nan(x) || is_nan(shape) || is_nan(scale)) return NaN;
    if (shape < 0) return NaN;
    if (scale < 0) return NaN;
    if (x < 0) return constant_zero(log);
    if (x == 0) {
        if (shape == 0) return special_value(0.0, log);
        return special_value(scale == 0 ? INF : 0.0, log);
    }
    // A zero shape sends all mass to infinity: the reverse of the gamma density.
    if (shape == 0) return special_value(INF, log);
    if (scale == 0) return constant_zero(log);
    if (any_posinf(x, shape, scale)) return constant_zero(log);
    const double log_scale = log_value(scale);
    const double log_gamma_shape = lgamma_kernel(shape);
    const double log_x = log_value(x);
    const LogSum sum = LogSum(log_scale * shape, lgamma_pole_error(shape))
                           .minus(log_gamma_shape)
                           .plus(log_x * (-shape - 1))
                           .minus(scale / x);
    if (sum.kept(log)) return from_log(sum.value, log);
    return canonical(from_log(log_density_by_mass(shape, log_value(shape), log_x, scale, x), log));
}

double dchisq(double x, double dof, bool log) {
    if (is_nan(x) || is_nan(dof)) return NaN;
    if (dof < 0) return NaN;
    if (x < 0) return constant_zero(log);
    if (x == 0) {
        if (dof < 2) return special_value(INF, log);
        return special_value(dof == 2 ? 0.5 : 0.0, log);
    }
    if (x == INF || dof == INF) return constant_zero(log);
    // Zero degrees of freedom is a point mass at 0.
    if (dof == 0) return constant_zero(log);
    const double k = dof * 0.5;
    const double log_gamma_k = lgamma_kernel(k);
    const double log_x = log_value(x);
    const LogSum sum = LogSum(-log_gamma_k, lgamma_pole_error(k))
                           .minus(k * LN_2)
                           .plus(coef_times_log(k - 1, log_x))
                           .minus(x * 0.5);
    if (sum.kept(log)) return from_log(sum.value, log);
    return canonical(from_log(log_density_by_mass(k, log_value(dof) - LN_2, log_x, x, 2.0), log));
}

}  // namespace quantora
