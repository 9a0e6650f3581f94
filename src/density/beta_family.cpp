// Beta, F and Student t densities.
#include "density/beta_densities.hpp"

#include "density/beta_density_forms.hpp"
#include "density/conventions.hpp"
#include "density/density.hpp"
#include "special/beta_power.hpp"
#include "special/gamma.hpp"
#include "special/log_scale.hpp"

namespace quantora {

using namespace density_rules;
using namespace beta_density_forms;

namespace {

constexpr double LN_PI = 1.1447298858494002;

// Zero or infinite shape parameters leave a point mass (or two) on [0, 1]:
// a zero parameter pulls all mass to its end, an infinite one away from it.
double degenerate_beta(double x, double a, double b) {
    if (a == 0 && b == 0) return (x == 0 || x == 1) ? INF : 0.0;
    if (a == 0) return x == 0 ? INF : 0.0;
    if (b == 0) return x == 1 ? INF : 0.0;
    if (a == INF && b == INF) return x == 0.5 ? INF : 0.0;
    if (b == INF) return x == 0 ? INF : 0.0;
    return x == 1 ? INF : 0.0;
}

// The density at an end point of [0, 1] where the exponent of the vanishing
// factor is power - 1; other_shape is the limit when that exponent is 0.
double beta_end_point(double power, double other_shape, bool log) {
    if (power < 1) return INF;
    if (power > 1) return constant_zero(log);
    return special_value(other_shape, log);
}

// The F density through the beta law of u = y/(y + 1), y = x df1/df2:
// f(x) = g(u) du/dx with du/dx = (df1/df2)/(y + 1)^2, which with
// g(u) = u^h1 w^h2 / (B u w), w = 1 - u = 1/(y + 1), is u^h1 w^h2 / (B x).
// Where y overflows, w = 1/(y + 1) < 2^-1020 and h1 w = df2/(2x) < 1/2, so
// h1 ln(1 - w) = -h1 w to the last bit and ln w = ln df2 - ln df1 - ln x.
double f_log_density(double x, double df1, double df2) {
    const double h1 = df1 * 0.5;
    const double h2 = df2 * 0.5;
    const double y = x * (df1 / df2);
    const double log_x = log_value(x);
    if (y == INF) {
        const double log_w = (log_value(df2) - log_value(df1)) - log_x;
        return ((h2 * log_w - exp_value(log_value(h1) + log_w)) - log_beta_value(h1, h2)) - log_x;
    }
    return BetaPower(h1, h2).log_at(y / (y + 1), 1 / (y + 1)) - log_x;
}

// ln Γ((dof + 1)/2) - ln Γ(dof/2) - ln sqrt(dof π) - (dof + 1)/2 ln(1 + x^2/dof)
// with the difference of log-gamma values and the logarithm near 1 formed
// without cancellation, for every dof and x.
double t_log_density(double x, double dof) {
    const double k = dof * 0.5;
    const double h = k + 0.5;
    const double r = (x / dof) * x;
    const double magnitude = x < 0 ? -x : x;
    const double log_base = r == INF ? 2 * log_value(magnitude) - log_value(dof) : log1p_value(r);
    const double log_ratio = k < 1 ? lgamma_kernel(h) - (lgamma_kernel(k + 1) - log_value(k))
                                   : -log_gamma_ratio(k, 0.5);
    return (log_ratio - (log_value(dof) + LN_PI) * 0.5) - h * log_base;
}

bool positive_finite(double v) { return v > 0 && v < INF; }

}  // namespace

double beta_density_forms::shape_magnitude(const BetaShape& shape) {
    return log_gamma_magnitude(shape.a + shape.b + 2) + (1 / shape.a + 1 / shape.b);
}

// Out of line, as everything the vector units call on plain doubles.
std::size_t BetaDensities::footprint(double, double) { return 0; }
std::size_t FDensities::footprint(double, double) { return 0; }
std::size_t TDensities::footprint(double) { return 0; }

BetaDensities::BetaDensities(double a, double b)
    : shape_(beta_shape(a, b)),
      finite_shapes_(positive_finite(a) && positive_finite(b)),
      magnitude_(shape_magnitude(shape_)) {}

double BetaDensities::operator()(double x, bool log) const {
    const bool regular = finite_shapes_ && x > 0 && x < 1;
    return regular ? inside(x, log) : dbeta(x, shape_.a, shape_.b, log);
}

double BetaDensities::inside(double x, bool log) const {
    const Kept<double> literal = beta_literal(x, shape_, magnitude_, log);
    if (literal.kept) return literal.value;
    return canonical(from_log_density(BetaPower(shape_.a, shape_.b).log_density(x, 1 - x), log));
}

FDensities::FDensities(double df1, double df2)
    : df1_(df1),
      df2_(df2),
      halves_(beta_shape(df1 * 0.5, df2 * 0.5)),
      finite_dofs_(finite_dof(df1) && finite_dof(df2)),
      magnitude_(shape_magnitude(halves_)) {}

double FDensities::operator()(double x, bool log) const {
    const bool regular = finite_dofs_ && x > 0 && x < INF;
    return regular ? inside(x, log) : df(x, df1_, df2_, log);
}

double FDensities::inside(double x, bool log) const {
    const Kept<double> literal = f_literal(x, df1_, df2_, halves_, magnitude_, log);
    if (literal.kept) return literal.value;
    return canonical(from_log_density(f_log_density(x, df1_, df2_), log));
}

TDensities::TDensities(double dof) : dof_(dof), finite_dof_(finite_dof(dof)), h_(dof * 0.5 + 0.5) {
    const double k = dof * 0.5;
    const double log_gamma_h = lgamma_kernel(h_);
    const double log_dof = log_kernel(dof);
    const double log_gamma_k = lgamma_kernel(k);
    log_norm_ = (log_gamma_h - (log_dof + LN_PI) * 0.5) - log_gamma_k;
    // Both log-gamma values and ln dof.
    norm_magnitude_ = 2 * log_gamma_magnitude(h_ + 2) + 1 / k;
}

double TDensities::operator()(double x, bool log) const {
    const bool regular = finite_dof_ && !is_nan(x) && !is_infinite(x);
    return regular ? inside(x, log) : dt(x, dof_, log);
}

double TDensities::inside(double x, bool log) const {
    const Kept<double> literal = t_literal(x, dof_, h_, log_norm_, norm_magnitude_, log);
    if (literal.kept) return literal.value;
    return canonical(from_log_density(t_log_density(x, dof_), log));
}

double dbeta(double x, double a, double b, bool log) {
    if (is_nan(x) || is_nan(a) || is_nan(b)) return NaN;
    if (a < 0) return NaN;
    if (b < 0) return NaN;
    if (x < 0 || x > 1) return constant_zero(log);
    if (a == 0 || b == 0 || any_posinf(a, b)) return special_value(degenerate_beta(x, a, b), log);
    if (x == 0) return beta_end_point(a, b, log);
    if (x == 1) return beta_end_point(b, a, log);
    return BetaDensities(a, b).inside(x, log);
}

double df(double x, double df1, double df2, bool log) {
    if (is_nan(x) || is_nan(df1) || is_nan(df2)) return NaN;
    if (df1 < EPS) return NaN;
    if (df2 < EPS) return NaN;
    if (x < 0) return constant_zero(log);
    if (x == 0) {
        if (df1 < 2) return special_value(INF, log);
        return special_value(df1 == 2 ? 1.0 : 0.0, log);
    }
    // The density falls off as a power of x (or faster) for every pair of
    // degrees of freedom, so its limit at infinity is 0.
    if (x == INF) return special_value(0.0, log);
    if (df1 == INF && df2 == INF) {
        if (x == 1) return INF;
        return constant_zero(log);
    }
    // One infinite degree of freedom turns the ratio into a scaled inverse
    // chi-squared or chi-squared variable.
    if (df1 == INF) return canonical(dinvgamma(x, df2 * 0.5, df2 * 0.5, log));
    if (df2 == INF) return canonical(dgamma(x, df1 * 0.5, 2 / df1, log));
    return FDensities(df1, df2).inside(x, log);
}

double dt(double x, double dof, bool log) {
    if (is_nan(x) || is_nan(dof)) return NaN;
    if (dof < EPS) return NaN;
    if (is_infinite(x)) return constant_zero(log);
    if (dof == INF) return dnorm(x, 0, 1, log);
    return TDensities(dof).inside(x, log);
}

}  // namespace quantora
