// Distribution functions on the regularized incomplete beta function: beta,
// F and Student t.
#include "cdf/cdf.hpp"
#include "cdf/probability.hpp"
#include "special/inc_beta.hpp"
#include "special/trig.hpp"

namespace quantora {

using namespace cdf_detail;

double pbeta(double x, double a, double b, bool log_p) {
    if (x != x || a != a || b != b) return NaN;
    if (a < 0) return NaN;
    if (b < 0) return NaN;
    if (x <= 0) return certain_zero(log_p);
    double v;
    if (x >= 1) {
        v = 1;
    } else if (a == 0) {
        // A zero shape puts all mass on an end point; with both zero it is
        // split evenly between 0 and 1.
        v = b == 0 ? 0.5 : 1.0;
    } else if (b == 0) {
        v = 0;
    } else if (any_posinf(a, b)) {
        // Infinite shapes concentrate the mass at 1/2 (both), 0 (b) or 1 (a).
        if (a == INF && b == INF) {
            v = x < 0.5 ? 0.0 : 1.0;
        } else {
            v = b == INF ? 1.0 : 0.0;
        }
    } else {
        v = inc_beta_kernel(a, b, x);
    }
    return probability(v, log_p);
}

double pf(double x, double df1, double df2, bool log_p) {
    if (x != x || df1 != df1 || df2 != df2) return NaN;
    if (df1 < EPS) return NaN;
    if (df2 < EPS) return NaN;
    if (x < EPS) return certain_zero(log_p);
    if (x == INF) return certain_one(log_p);
    if (df1 == INF && df2 == INF) {
        // Both chi-squared averages are exactly 1: a point mass at x == 1.
        if (x > 1) return certain_one(log_p);
        if (x == 1) return probability(0.5, log_p);
        return certain_zero(log_p);
    }
    // With one infinite degree of freedom its average is 1 and the other
    // side is a scaled chi-squared variable.
    if (df1 == INF) return probability(1 - pchisq(df2 / x, df2, false), log_p);
    if (df2 == INF) return pchisq(x * df1, df1, log_p);
    const double y = (x * df1) / df2;
    const double h1 = df1 * 0.5;
    const double h2 = df2 * 0.5;
    const double u = y / (y + 1);
    return probability(inc_beta_kernel(h1, h2, u), log_p);
}

double pt(double x, double dof, bool log_p) {
    if (x != x || dof != dof) return NaN;
    if (dof < EPS) return NaN;
    if (x == INF) return certain_one(log_p);
    if (x == -INF) return certain_zero(log_p);
    if (dof == INF) return pnorm(x, 0, 1, log_p);
    double v;
    if (dof == 1) {
        v = atan_kernel(x) / PI + 0.5;
    } else if (dof == 2) {
        const double r = sqrt_kernel(x * x + 2);
        v = x / (r + r) + 0.5;
    } else {
        // The tail mass beyond |x| is I_u(dof/2, 1/2)/2 with
        // u = dof/(dof + x^2). Near the centre (x^2 < dof) u is close to 1, so
        // the complement I_{1-u}(1/2, dof/2) is evaluated instead, with
        // 1 - u = x^2/(x^2 + dof) formed directly rather than by cancellation.
        const double k = dof * 0.5;
        const double w = x * x;
        if (dof > w) {
            const double central = pbeta(w / (w + dof), 0.5, k, false);
            const double tail = 0.5 - central * 0.5;
            v = x > 0 ? 1 - tail : tail;
        } else {
            const double u = 1 / ((x / dof) * x + 1);
            const double tail = pbeta(u, k, 0.5, false) * 0.5;
            v = x > 0 ? 1 - tail : tail;
        }
    }
    return probability(v, log_p);
}

}  // namespace quantora
