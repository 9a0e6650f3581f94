// Distribution functions on the regularized lower incomplete gamma function:
// chi-squared, gamma and inverse gamma.
#include "cdf/cdf.hpp"
#include "cdf/probability.hpp"
#include "special/inc_gamma.hpp"

namespace quantora {

using namespace cdf_detail;

double pchisq(double x, double dof, bool log_p) {
    if (x != x || dof != dof) return NaN;
    if (dof < 0) return NaN;
    if (x < EPS) return certain_zero(log_p);
    // Zero degrees of freedom is a point mass at 0.
    if (dof == 0) return certain_one(log_p);
    if (x == INF) return certain_one(log_p);
    if (dof == INF) return certain_zero(log_p);
    return probability(inc_gamma_kernel(dof * 0.5, x * 0.5), log_p);
}

double pgamma(double x, double shape, double scale, bool log_p) {
    if (x != x || shape != shape || scale != scale) return NaN;
    if (shape < 0) return NaN;
    if (scale < EPS) return NaN;
    if (x == INF && scale == INF) return NaN;
    if (x < EPS) return certain_zero(log_p);
    double v;
    if (x == INF || shape == INF || scale == INF) {
        // A zero shape is a point mass at 0, which an infinite scale moves
        // out to infinity.
        if (shape == 0) {
            v = scale == INF ? 0.0 : 1.0;
        } else {
            v = x == INF ? 1.0 : 0.0;
        }
    } else if (shape == 0) {
        v = 1;
    } else {
        v = inc_gamma_kernel(shape, x / scale);
    }
    return probability(v, log_p);
}

double pinvgamma(double x, double shape, double scale, bool log_p) {
    if (x != x || shape != shape || scale != scale) return NaN;
    if (shape < 0) return NaN;
    if (scale < 0) return NaN;
    if (x < 0) return certain_zero(log_p);
    // P(X <= x) = P(1/X >= 1/x), and 1/X is gamma with scale 1/scale. The
    // reciprocals of 0 and infinity are taken as their limits.
    const double t = x == 0 ? INF : (x == INF ? 0.0 : 1 / x);
    const double s = scale == 0 ? INF : (scale == INF ? 0.0 : 1 / scale);
    return probability(1 - pgamma(t, shape, s, false), log_p);
}

}  // namespace quantora
