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
#include "density/gamma_densities.hpp"

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

bool positive_finite(double v) { return v > 0 && v < INF; }

}  // namespace

std::size_t GammaDensities::footprint(double, double) { return 0; }
std::size_t ChisqDensities::footprint(double) { return 0; }
std::size_t InvGammaDensities::footprint(double, double) { return 0; }

GammaDensities::GammaDensities(double shape, double scale)
    : shape_(shape),
      scale_(scale),
      regular_(positive_finite(shape) && scale >= EPS && scale < INF),
      head_(LogSum(-lgamma_kernel(shape), lgamma_pole_error(shape)).minus(log_kernel(scale) * shape)) {}

double GammaDensities::operator()(double x, bool log) const {
    return regular_ && positive_finite(x) ? inside(x, log) : dgamma(x, shape_, scale_, log);
}

double GammaDensities::inside(double x, bool log) const {
    const Kept<double> literal_density = kept_density(literal(x), log);
    if (literal_density.kept) return literal_density.value;
    return canonical(from_log(log_density_by_mass(shape_, log_value(shape_), log_value(x), x, scale_), log));
}

InvGammaDensities::InvGammaDensities(double shape, double scale)
    : shape_(shape),
      scale_(scale),
      regular_(positive_finite(shape) && positive_finite(scale)),
      head_(LogSum(log_value(scale) * shape, lgamma_pole_error(shape)).minus(lgamma_kernel(shape))) {}

double InvGammaDensities::operator()(double x, bool log) const {
    return regular_ && positive_finite(x) ? inside(x, log) : dinvgamma(x, shape_, scale_, log);
}

double InvGammaDensities::inside(double x, bool log) const {
    const Kept<double> literal_density = kept_density(literal(x), log);
    if (literal_density.kept) return literal_density.value;
    return canonical(from_log(log_density_by_mass(shape_, log_value(shape_), log_value(x), scale_, x), log));
}

ChisqDensities::ChisqDensities(double dof)
    : dof_(dof),
      half_(dof * 0.5),
      regular_(positive_finite(dof)),
      head_(LogSum(-lgamma_kernel(half_), lgamma_pole_error(half_)).minus(half_ * LN_2)) {}

double ChisqDensities::operator()(double x, bool log) const {
    return regular_ && positive_finite(x) ? inside(x, log) : dchisq(x, dof_, log);
}

double ChisqDensities::inside(double x, bool log) const {
    const Kept<double> literal_density = kept_density(literal(x), log);
    if (literal_density.kept) return literal_density.value;
    return canonical(from_log(log_density_by_mass(half_, log_value(dof_) - LN_2, log_value(x), x, 2.0), log));
}

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
    return GammaDensities(shape, scale).inside(x, log);
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
    return InvGammaDensities(shape, scale).inside(x, log);
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
    return ChisqDensities(dof).inside(x, log);
}

}  // namespace quantora
