#pragma once
// The literal beta, F and t densities, written once over the number type T:
// `double` for the scalar kernels (beta_family.cpp), which take the careful
// forms wherever a literal result is not kept, and Lanes for the vector
// units, whose elements outside a literal's range or not kept take the
// scalar kernel. Each literal gives its density and whether it is kept.
#include "density/beta_densities.hpp"
#include "density/conventions.hpp"
#include "special/beta_power.hpp"
#include "special/constants.hpp"
#include "special/elementary_forms.hpp"
#include "special/lanes.hpp"
#include "special/log_scale_forms.hpp"

namespace quantora {
namespace beta_density_forms {

using density_rules::from_log_density;

// Up to this y the literal t = (1 - q x) q of the F density, where
// 1 - q x = 1/(y + 1) cancels, keeps its relative error (about y units of
// 2^-53) below 2^-24.
constexpr double F_LITERAL_RATIO = 0x1p29;

// The part of the beta literal's error magnitude that depends on the shapes
// alone: the log-gamma values of ln B(a, b), with the 1/a and 1/b of the
// low bits of small shapes.
double shape_magnitude(const BetaShape& shape);

// A literal log-density with a bound on its absolute error.
template <class T>
struct LogDensity {
    T value;
    T bound;
};

// The literal beta log-density for 0 < x < 1 and finite positive shapes, with
// a bound on its absolute error; an infinite bound below x = EPS, where the
// logarithms do not resolve x. `magnitude` is shape_magnitude(shape).
template <class T>
LogDensity<T> literal_beta_log_density(T x, const BetaShape& shape, double magnitude) {
    const double a = shape.a;
    const double b = shape.b;
    const T log_x = log_kernel(x);
    const T log_1mx = log_kernel(1.0 - x);
    // a == 1 or b == 1 makes its power of x or 1 - x equal to 1 even where
    // the logarithm underflows to -infinity.
    const T log_density = (coef_times_log(T(a - 1), log_x) - shape.log_beta) + coef_times_log(T(b - 1), log_1mx);
    const T bound = LITERAL_ERROR_SCALE * ((abs_value((a - 1) * log_x) + abs_value((b - 1) * log_1mx)) + magnitude);
    return {log_density, select((x >= EPS) & (bound == bound), bound, T(INF))};
}

// The kept beta density, value or (log) logarithm.
template <class T>
Kept<T> beta_literal(T x, const BetaShape& shape, double magnitude, bool log) {
    const LogDensity<T> literal = literal_beta_log_density(x, shape, magnitude);
    const MaskOf<T> kept = keeps_log(literal.value, literal.bound, log);
    return {branch(kept, T(0.0), [log](T v) { return from_log_density(v, log); }, literal.value), kept};
}

// The F density for 0 < x < infinity at finite degrees of freedom, through
// u = y/(y + 1), y = x df1/df2, which is beta(df1/2, df2/2) distributed:
// f(x) = g(u) t with t = du/dx written as (1 - q x) q = q/(y + 1),
// q = (df1/df2)/(y + 1). `halves` is the beta shape (df1/2, df2/2) and
// `magnitude` its shape_magnitude.
template <class T>
Kept<T> f_literal(T x, double df1, double df2, const BetaShape& halves, double magnitude, bool log) {
    const T y = (x * df1) / df2;
    const MaskOf<T> resolved = y <= F_LITERAL_RATIO;
    if (!any(resolved)) return {T(0.0), resolved};
    const T u = y / (y + 1.0);
    const T q = (halves.a / halves.b) / (y + 1.0);
    const T t = (1.0 - q * x) * q;
    // 1 - q x = 1/(y + 1) cancels, with a relative error of about y units of
    // 2^-53 (an absolute one in ln t); the beta density at u must resolve u
    // and 1 - u.
    const LogDensity<T> beta = literal_beta_log_density(u, halves, magnitude);
    const T log_t = log_value(t);
    const T bound = beta.bound + (y + 4.0) * 0x1p-53;
    const MaskOf<T> kept = resolved & keeps_log(log_t + beta.value, bound, log);
    const auto density = [log](T log_t, T log_beta, T t) {
        return log ? log_t + log_beta : t * exp_value(log_beta);
    };
    return {branch(kept, T(0.0), density, log_t, beta.value, t), kept};
}

// The t density for finite x at a finite dof >= EPS: with h = (dof + 1)/2,
// ln f = log_norm - h ln(1 + x^2/dof), where log_norm is
// ln Γ(h) - ln sqrt(dof π) - ln Γ(dof/2) and norm_magnitude the magnitude of
// its terms. The rounding of 1 + x^2/dof adds h to the magnitude.
template <class T>
Kept<T> t_literal(T x, double dof, double h, double log_norm, double norm_magnitude, bool log) {
    const T log_base = log_kernel((x / dof) * x + 1.0);
    const T log_density = log_norm + log_base * (-h);
    const T magnitude = norm_magnitude + h * (abs_value(log_base) + 1.0);
    const MaskOf<T> kept = (log_base != INF) & keeps_log(log_density, LITERAL_ERROR_SCALE * magnitude, log);
    return {branch(kept, T(0.0), [log](T v) { return from_log_density(v, log); }, log_density), kept};
}

}  // namespace beta_density_forms

// The densities at fixed parameters over lanes: the literal where it is kept,
// the scalar kernel for every other element.

template <class L>
L BetaDensities::lanes(L x, bool log) const {
    const auto scalar = [this, log](double v) { return (*this)(v, log); };
    if (!finite_shapes_) return each_lane(scalar, x);
    const auto literal = [this, log](L v) {
        return beta_density_forms::beta_literal(v, shape_, magnitude_, log);
    };
    return kept_or_scalar((x >= EPS) & (x < 1.0), literal, scalar, x);
}

template <class L>
L FDensities::lanes(L x, bool log) const {
    const auto scalar = [this, log](double v) { return (*this)(v, log); };
    if (!finite_dofs_) return each_lane(scalar, x);
    const auto literal = [this, log](L v) {
        return beta_density_forms::f_literal(v, df1_, df2_, halves_, magnitude_, log);
    };
    return kept_or_scalar((x > 0.0) & (x < INF), literal, scalar, x);
}

template <class L>
L TDensities::lanes(L x, bool log) const {
    const auto scalar = [this, log](double v) { return (*this)(v, log); };
    if (!finite_dof_) return each_lane(scalar, x);
    const auto literal = [this, log](L v) {
        return beta_density_forms::t_literal(v, dof_, h_, log_norm_, norm_magnitude_, log);
    };
    return kept_or_scalar(is_finite(x), literal, scalar, x);
}

}  // namespace quantora
