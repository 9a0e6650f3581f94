// Quantiles of the beta and F laws: the inverse of the regularized incomplete
// beta function, after the degenerate laws (zero or infinite shapes) are
// answered directly.
#include <limits>

#include "cdf/cdf.hpp"
#include "quantile/conventions.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/inc_beta.hpp"
#include "special/root_rule.hpp"

namespace quantora {

using namespace quantile_rules;

namespace {
constexpr double LARGEST = std::numeric_limits<double>::max();
}  // namespace

double qbeta(double p, double a, double b) {
    if (a != a || b != b || a < 0 || b < 0 || invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return 1;
    }
    // A zero shape sends all mass to its end of [0, 1]; both zero split it evenly
    // between the two ends.
    if (a == 0) {
        if (b == 0) {
            return p < 0.5 ? 0.0 : (p > 0.5 ? 1.0 : 0.5);
        }
        return 0;
    }
    if (b == 0) {
        return 1;
    }
    // An infinite shape concentrates the law at the other end, or at 1/2 when
    // both grow without bound.
    if (any_posinf(a, b)) {
        if (a == INF && b == INF) {
            return 0.5;
        }
        return b == INF ? 0.0 : 1.0;
    }
    // The updates can leave [0, 1], stall where the density weight vanishes
    // or settle on a root of the kernel's own inaccurate values; the result
    // is checked against the accurate distribution function.
    return checked_quantile(inc_beta_inv_kernel(a, b, p), p, 0.0, 1.0,
                            [a, b](double y) { return inc_beta(a, b, y, false); });
}

double qf(double p, double df1, double df2) {
    if (df1 != df1 || df2 != df2 || df1 < EPS || df2 < EPS || invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return INF;
    }
    // With an infinite degree of freedom the corresponding chi-squared over its
    // degrees of freedom is the constant 1.
    if (df1 == INF && df2 == INF) {
        return 1;
    }
    if (df2 == INF) {
        return qchisq(p, df1) / df1;
    }
    if (df1 == INF) {
        return df2 / qchisq(1 - p, df2);
    }
    // F = (B / A) x / (1 - x) for x ~ Beta(A, B), A = df1/2, B = df2/2.
    const double A = df1 * 0.5;
    const double B = df2 * 0.5;
    const double x = inc_beta_inv_kernel(A, B, p);
    const auto forward = [df1, df2](double y) { return pf(y, df1, df2, false); };
    const double y = checked_quantile(x / ((A / B) * (1 - x)), p, 0.0, LARGEST, forward);
    // No double reaches: the quantile lies beyond them.
    return y == LARGEST && !(forward(LARGEST) >= p) ? INF : y;
}

}  // namespace quantora
