// Quantiles of the chi-squared, gamma and inverse-gamma laws: the inverse of
// the regularized incomplete gamma function, after the degenerate laws (zero or
// infinite shapes and scales) are answered directly. The inverse's fixed
// updates give a candidate, kept where it lies within the quantile tolerance
// of the root of the law's own distribution function, and otherwise replaced
// by that root, found by bisection over the doubles.
#include <limits>

#include "cdf/cdf.hpp"
#include "cdf/gamma_tail.hpp"
#include "quantile/conventions.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/inc_gamma.hpp"
#include "special/root_rule.hpp"

namespace quantora {

using namespace quantile_rules;
using cdf_detail::gamma_tail;
using cdf_detail::GammaTail;

namespace {

constexpr double LARGEST = std::numeric_limits<double>::max();

// The inverse's fixed updates run on the incomplete gamma kernel, whose
// quadrature grows noisy with the shape: beyond this shape their roots stray
// by more than 1e-10 (3e-8 at 1e12) and are no longer ordered in p, so the
// quantile is the bisection root alone.
constexpr double NOISY_INVERSE_SHAPE = 1e7;

// The fixed updates' root for shape a and probability p, or NaN (no candidate)
// where they cannot be trusted to keep the quantile monotone.
double inverse_candidate(double a, double p) {
    return a > NOISY_INVERSE_SHAPE ? NaN : inc_gamma_inv_kernel(a, p);
}

// The least double y at which reaches(y) holds, given the candidate x: x
// where it meets the rule, +infinity where not even the largest double
// reaches, else the root found by bisection.
template <class Forward>
double half_line_root(double candidate, double target, Forward forward) {
    // A candidate that fails the rule, NaN included, gives way to the root.
    if (meets_quantile_rule(candidate, target, 0.0, LARGEST, forward)) return plus_zero(candidate);
    if (!(forward(LARGEST) >= target)) return INF;
    return least_reaching(0.0, LARGEST, [target, &forward](double y) { return forward(y) >= target; });
}

// The quantile for p of a law on [0, infinity) with lower tail F and upper
// tail Q = 1 - F. Above the median F(y) >= p is read as Q(y) <= 1 - p, exact
// there: near 1 a distribution function rounded to a double cannot resolve
// the tail (at p = 1 - 2^-53 it reaches p half a tail early).
template <class Lower, class Upper>
double half_line_quantile(double candidate, double p, Lower lower, Upper upper) {
    if (p <= 0.5) return half_line_root(candidate, p, lower);
    return half_line_root(candidate, p - 1, [&upper](double y) { return -upper(y); });
}

// The upper tail of the gamma law with shape a at y = numerator/denominator;
// `literal` is that quotient as the distribution function forms it.
double gamma_upper(double a, double literal, double numerator, double denominator) {
    if (!(numerator > 0)) return 1.0;
    return gamma_tail(GammaTail::upper, a, literal, numerator, denominator, false);
}

}  // namespace

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
    const double k = dof * 0.5;
    const double r = inverse_candidate(k, p);
    return half_line_quantile(
        r + r, p, [dof](double y) { return pchisq(y, dof, false); },
        [k](double y) { return gamma_upper(k, y * 0.5, y, 2.0); });
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
    const double candidate = inverse_candidate(shape, p) * scale;
    return half_line_quantile(
        candidate, p, [shape, scale](double y) { return pgamma(y, shape, scale, false); },
        [shape, scale](double y) { return gamma_upper(shape, y / scale, y, scale); });
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
    // over the upper p-quantile of Y, and P(X <= y) = Q(shape, scale/y).
    const double candidate = scale / inverse_candidate(shape, 1 - p);
    auto reciprocal = [scale](double y) { return (1 / y) / (1 / scale); };
    return half_line_quantile(
        candidate, p, [shape, scale, reciprocal](double y) { return y > 0 ? gamma_upper(shape, reciprocal(y), scale, y) : 0.0; },
        [shape, scale, reciprocal](double y) {
            return y > 0 ? gamma_tail(GammaTail::lower, shape, reciprocal(y), scale, y, false) : 1.0;
        });
}

}  // namespace quantora
