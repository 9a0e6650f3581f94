// Beta, F and Student t densities.
#include "density/conventions.hpp"
#include "density/density.hpp"
#include "special/gamma.hpp"

namespace quantora {

using namespace density_rules;

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

}  // namespace

double dbeta(double x, double a, double b, bool log) {
    if (is_nan(x) || is_nan(a) || is_nan(b)) return NaN;
    if (a < 0) return NaN;
    if (b < 0) return NaN;
    if (x < 0 || x > 1) return constant_zero(log);
    if (a == 0 || b == 0 || any_posinf(a, b)) return special_value(degenerate_beta(x, a, b), log);
    if (x == 0) return beta_end_point(a, b, log);
    if (x == 1) return beta_end_point(b, a, log);
    const double log_x = log_kernel(x);
    const double log_beta = lbeta_kernel(a, b);
    const double log_1mx = log_kernel(1 - x);
    // a == 1 or b == 1 makes its power of x or 1 - x equal to 1 even where
    // the logarithm underflows to -infinity.
    const double log_density = (coef_times_log(a - 1, log_x) - log_beta) + coef_times_log(b - 1, log_1mx);
    return from_log_density(log_density, log);
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
    if (x == INF) {
        double v;
        if (df1 == INF) {
            v = df2 >= 2 ? 0.0 : NaN;
        } else if (df2 == INF) {
            v = 0.0;
        } else {
            v = (df1 >= 2 && df2 >= 1) ? 0.0 : NaN;
        }
        return special_value(v, log);
    }
    if (df1 == INF && df2 == INF) {
        if (x == 1) return INF;
        return constant_zero(log);
    }
    // One infinite degree of freedom turns the ratio into a scaled inverse
    // chi-squared or chi-squared variable.
    if (df1 == INF) return dinvgamma(x, df2 * 0.5, df2 * 0.5, log);
    if (df2 == INF) return dgamma(x, df1 * 0.5, 2 / df1, log);
    // u = y / (y + 1) is beta(df1/2, df2/2) distributed; t = du/dx, written as
    // (1 - q x) q = q / (y + 1) with q = (df1/df2) / (y + 1).
    const double y = (x * df1) / df2;
    const double h1 = df1 * 0.5;
    const double h2 = df2 * 0.5;
    const double u = y / (y + 1);
    const double q = (h1 / h2) / (y + 1);
    const double t = (1 - q * x) * q;
    if (log) {
        const double log_t = log_kernel(t);
        return log_t + dbeta(u, h1, h2, true);
    }
    return t * dbeta(u, h1, h2, false);
}

double dt(double x, double dof, bool log) {
    if (is_nan(x) || is_nan(dof)) return NaN;
    if (dof < EPS) return NaN;
    if (is_infinite(x)) return constant_zero(log);
    if (dof == INF) return dnorm(x, 0, 1, log);
    const double k = dof * 0.5;
    const double h = k + 0.5;
    const double log_gamma_h = lgamma_kernel(h);
    const double log_dof = log_kernel(dof);
    const double log_gamma_k = lgamma_kernel(k);
    const double log_base = log_kernel((x / dof) * x + 1);
    const double log_density =
        ((log_gamma_h - (log_dof + LN_PI) * 0.5) - log_gamma_k) + log_base * (-h);
    return from_log_density(log_density, log);
}

}  // namespace quantora
