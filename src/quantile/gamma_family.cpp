// Quantiles of the chi-squared, gamma and inverse-gamma laws: the inverse of
// the regularized incomplete gamma function, after the degenerate laws (zero or
// infinite shapes and scales) are answered directly.
#include "quantile/conventions.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/inc_gamma.hpp"

namespace quantora {

using namespace quantile_rules;

double qchisq(double p, double dof) {
    if (dof != dof || dof < 0 || invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return INF;
    }
    // chi^2_k = 2 Gamma(k/2, 1).
    const double r = inc_gamma_inv_kernel(dof * 0.5, p);
    return r + r;
}

double qgamma(double p, double shape, double scale) {
    if (shape != shape || scale != scale || shape < 0 || scale < EPS || invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return INF;
    }
    if (shape == INF || scale == INF) {
        return NaN;
    }
    if (shape == 0) {
        return 0;
    }
    return inc_gamma_inv_kernel(shape, p) * scale;
}

double qinvgamma(double p, double shape, double scale) {
    if (shape != shape || scale != scale || shape < 0 || scale < 0 || invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return INF;
    }
    // Of the degenerate laws only a zero scale with a positive shape has a
    // definite quantile, the point mass at 0.
    if (shape == INF || scale == INF || shape == 0) {
        return scale == 0 && shape != 0 ? 0.0 : NaN;
    }
    if (scale == 0) {
        return 0;
    }
    // X = scale / Y with Y ~ Gamma(shape, 1): the lower p-quantile of X is scale
    // over the upper p-quantile of Y.
    return scale / inc_gamma_inv_kernel(shape, 1 - p);
}

}  // namespace quantora
