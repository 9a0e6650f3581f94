// Gamma, inverse-gamma and chi-squared densities.
#include "density/conventions.hpp"
#include "density/density.hpp"
#include "special/gamma.hpp"

namespace quantora {

using namespace density_rules;

namespace {

constexpr double LN_2 = 0.6931471805599453;

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
    const double log_x = log_kernel(x);
    // For shape == 1 and x below EPS the power of x is 1, not 0 * -infinity.
    const double log_density =
        (((-log_gamma_shape) - log_scale * shape) + coef_times_log(shape - 1, log_x)) - x / scale;
    return from_log_density(log_density, log);
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
    const double log_scale = log_kernel(scale);
    const double log_gamma_shape = lgamma_kernel(shape);
    const double log_x = log_kernel(x);
    const double log_density =
        ((log_scale * shape - log_gamma_shape) + log_x * (-shape - 1)) - scale / x;
    return from_log_density(log_density, log);
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
    const double k = dof * 0.5;
    // lgamma(0) = +infinity makes a zero dof give the density 0 for x > 0.
    const double log_gamma_k = lgamma_kernel(k);
    const double log_x = log_kernel(x);
    // For dof == 2 and x below EPS the power of x is 1, not 0 * -infinity.
    const double log_density = (((-log_gamma_k) - k * LN_2) + coef_times_log(k - 1, log_x)) - x * 0.5;
    return from_log_density(log_density, log);
}

}  // namespace quantora
