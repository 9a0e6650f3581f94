// Distribution functions on the regularized lower incomplete gamma function:
// chi-squared, gamma and inverse gamma.
#include "cdf/gamma_laws.hpp"

#include "cdf/cdf.hpp"
#include "cdf/gamma_tail.hpp"
#include "cdf/probability.hpp"

namespace quantora {

using namespace cdf_detail;

namespace {

bool positive_finite(double v) { return v > 0 && v < INF; }
bool regular_shape(double a) { return a >= EPS && a < INF; }

}  // namespace

std::size_t GammaProbabilities::footprint(double, double) { return 0; }
std::size_t ChisqProbabilities::footprint(double) { return 0; }
std::size_t InvGammaProbabilities::footprint(double, double) { return 0; }

GammaProbabilities::GammaProbabilities(double shape, double scale)
    : shape_(gamma_shape(shape)), scale_(scale), regular_(regular_shape(shape) && scale >= EPS && scale < INF) {}

double GammaProbabilities::operator()(double x, bool log_p) const {
    return regular_ && positive_finite(x) ? inside(x, log_p) : pgamma(x, shape_.a, scale_, log_p);
}

double GammaProbabilities::inside(double x, bool log_p) const {
    return gamma_tail(GammaTail::lower, shape_, x / scale_, x, scale_, log_p);
}

// chi^2_k = 2 Gamma(k/2, 1).
ChisqProbabilities::ChisqProbabilities(double dof)
    : dof_(dof), shape_(gamma_shape(dof * 0.5)), regular_(dof < INF && regular_shape(dof * 0.5)) {}

double ChisqProbabilities::operator()(double x, bool log_p) const {
    return regular_ && positive_finite(x) ? inside(x, log_p) : pchisq(x, dof_, log_p);
}

double ChisqProbabilities::inside(double x, bool log_p) const {
    return gamma_tail(GammaTail::lower, shape_, x * 0.5, x, 2.0, log_p);
}

InvGammaProbabilities::InvGammaProbabilities(double shape, double scale)
    : shape_(gamma_shape(shape)),
      scale_(scale),
      reciprocal_(1 / scale),
      regular_(regular_shape(shape) && positive_finite(scale)) {}

double InvGammaProbabilities::operator()(double x, bool log_p) const {
    return regular_ && positive_finite(x) ? inside(x, log_p) : pinvgamma(x, shape_.a, scale_, log_p);
}

// P(X <= x) = P(1/X >= 1/x): the upper tail of the gamma law of 1/scale at 1/x.
double InvGammaProbabilities::inside(double x, bool log_p) const {
    return gamma_tail(GammaTail::upper, shape_, literal(x), scale_, x, log_p);
}

double pchisq(double x, double dof, bool log_p) {
    if (x != x || dof != dof) return NaN;
    if (dof < 0) return NaN;
    if (x <= 0) return certain_zero(log_p);
    // Zero degrees of freedom is a point mass at 0.
    if (dof == 0) return certain_one(log_p);
    if (x == INF) return certain_one(log_p);
    if (dof == INF) return certain_zero(log_p);
    return ChisqProbabilities(dof).inside(x, log_p);
}

double pgamma(double x, double shape, double scale, bool log_p) {
    if (x != x || shape != shape || scale != scale) return NaN;
    if (shape < 0) return NaN;
    if (scale < EPS) return NaN;
    if (x == INF && scale == INF) return NaN;
    if (x <= 0) return certain_zero(log_p);
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
        return GammaProbabilities(shape, scale).inside(x, log_p);
    }
    return probability(v, log_p);
}

double pinvgamma(double x, double shape, double scale, bool log_p) {
    if (x != x || shape != shape || scale != scale) return NaN;
    if (shape < 0) return NaN;
    if (scale < 0) return NaN;
    if (x < 0) return certain_zero(log_p);
    // P(X <= x) = P(1/X >= 1/x), and 1/X is gamma with scale 1/scale: the
    // upper tail of the gamma law of 1/scale at 1/x, with that law's rules
    // read on x and scale themselves (0 and infinity are each other's
    // reciprocals). An infinite scale leaves no law.
    if (scale == INF) return NaN;
    if (x == 0 && scale == 0) return NaN;
    if (x == INF) return certain_one(log_p);
    double v;
    if (x == 0 || shape == INF || scale == 0) {
        if (shape == 0) {
            v = scale == 0 ? 1.0 : 0.0;
        } else {
            v = x == 0 ? 0.0 : 1.0;
        }
    } else if (shape == 0) {
        v = 0;
    } else {
        return InvGammaProbabilities(shape, scale).inside(x, log_p);
    }
    return probability(v, log_p);
}

}  // namespace quantora
