// Quantiles of the chi-squared, gamma and inverse-gamma laws: the inverse of
// the regularized incomplete gamma function, after the degenerate laws (zero or
// infinite shapes and scales) are answered directly. The inverse's fixed
// updates give a candidate, kept where it lies within the quantile tolerance
// of the root of the law's own distribution function, and otherwise replaced
// by that root, found by bisection over the doubles.
#include "quantile/gamma_quantiles.hpp"

#include <limits>

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

bool trusted_inverse(const GammaShape& s) { return !(s.a > NOISY_INVERSE_SHAPE); }

// The fixed updates' root for shape a and probability p, or NaN (no candidate)
// where they cannot be trusted to keep the quantile monotone.
double inverse_candidate(const GammaShape& s, double p) { return trusted_inverse(s) ? inc_gamma_inv(s, p) : NaN; }

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

// The tails of the gamma law with shape a at y = numerator/denominator >= 0,
// as its distribution functions give them for a finite y; `literal` is that
// quotient as they form it.
double gamma_lower(const GammaShape& a, double literal, double numerator, double denominator) {
    if (!(numerator > 0)) return 0.0;
    return gamma_tail(GammaTail::lower, a, literal, numerator, denominator, false);
}

double gamma_upper(const GammaShape& a, double literal, double numerator, double denominator) {
    if (!(numerator > 0)) return 1.0;
    return gamma_tail(GammaTail::upper, a, literal, numerator, denominator, false);
}

bool inside_unit_interval(double p) { return p > 0 && p < 1; }
bool positive_finite(double v) { return v > 0 && v < INF; }

}  // namespace

std::size_t ChisqQuantiles::footprint(double) { return 0; }
const GammaShape& ChisqQuantiles::shape() const { return half_; }
std::size_t GammaQuantiles::footprint(double, double) { return 0; }
const GammaShape& GammaQuantiles::shape() const { return shape_; }
std::size_t InvGammaQuantiles::footprint(double, double) { return 0; }
const GammaShape& InvGammaQuantiles::shape() const { return shape_; }

// chi^2_k = 2 Gamma(k/2, 1).
ChisqQuantiles::ChisqQuantiles(double dof) : dof_(dof), half_(gamma_shape(dof * 0.5)) {}

double ChisqQuantiles::operator()(double p) const {
    return positive_finite(dof_) && inside_unit_interval(p) ? inside(p) : qchisq(p, dof_);
}

double ChisqQuantiles::inside(double p) const { return finish(p, inverse_candidate(half_, p)); }

bool ChisqQuantiles::inverts(double p) const {
    return positive_finite(dof_) && inside_unit_interval(p) && trusted_inverse(half_);
}

double ChisqQuantiles::inverse_argument(double p) const { return p; }

double ChisqQuantiles::finish(double p, double r) const {
    return half_line_quantile(
        r + r, p, [this](double y) { return gamma_lower(half_, y * 0.5, y, 2.0); },
        [this](double y) { return gamma_upper(half_, y * 0.5, y, 2.0); });
}

GammaQuantiles::GammaQuantiles(double shape, double scale) : shape_(gamma_shape(shape)), scale_(scale) {}

bool GammaQuantiles::regular() const { return positive_finite(shape_.a) && scale_ >= EPS && scale_ < INF; }

double GammaQuantiles::operator()(double p) const {
    return regular() && inside_unit_interval(p) ? inside(p) : qgamma(p, shape_.a, scale_);
}

double GammaQuantiles::inside(double p) const { return finish(p, inverse_candidate(shape_, p)); }

bool GammaQuantiles::inverts(double p) const {
    return regular() && inside_unit_interval(p) && trusted_inverse(shape_);
}

double GammaQuantiles::inverse_argument(double p) const { return p; }

double GammaQuantiles::finish(double p, double r) const {
    return half_line_quantile(
        r * scale_, p, [this](double y) { return gamma_lower(shape_, y / scale_, y, scale_); },
        [this](double y) { return gamma_upper(shape_, y / scale_, y, scale_); });
}

InvGammaQuantiles::InvGammaQuantiles(double shape, double scale) : shape_(gamma_shape(shape)), scale_(scale) {}

bool InvGammaQuantiles::regular() const { return positive_finite(shape_.a) && positive_finite(scale_); }

double InvGammaQuantiles::operator()(double p) const {
    return regular() && inside_unit_interval(p) ? inside(p) : qinvgamma(p, shape_.a, scale_);
}

double InvGammaQuantiles::inside(double p) const { return finish(p, inverse_candidate(shape_, 1 - p)); }

bool InvGammaQuantiles::inverts(double p) const {
    return regular() && inside_unit_interval(p) && trusted_inverse(shape_);
}

// X = scale / Y with Y ~ Gamma(shape, 1): the lower p-quantile of X is scale
// over the upper p-quantile of Y, and P(X <= y) = Q(shape, scale/y).
double InvGammaQuantiles::inverse_argument(double p) const { return 1 - p; }

double InvGammaQuantiles::finish(double p, double r) const {
    const double candidate = scale_ / r;
    const double scale = scale_;
    auto reciprocal = [scale](double y) { return (1 / y) / (1 / scale); };
    return half_line_quantile(
        candidate, p, [this, reciprocal](double y) { return y > 0 ? gamma_upper(shape_, reciprocal(y), scale_, y) : 0.0; },
        [this, reciprocal](double y) {
            return y > 0 ? gamma_tail(GammaTail::lower, shape_, reciprocal(y), scale_, y, false) : 1.0;
        });
}

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
    // Zero degrees of freedom are the point mass at 0; infinitely many leave
    // no mass at any finite point.
    if (dof == 0) {
        return 0;
    }
    if (dof == INF) {
        return INF;
    }
    return ChisqQuantiles(dof).inside(p);
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
    return GammaQuantiles(shape, scale).inside(p);
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
    return InvGammaQuantiles(shape, scale).inside(p);
}

}  // namespace quantora
