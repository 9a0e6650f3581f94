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

// The method of the incomplete gamma function at y, the argument formed from
// x, as an index below METHODS; ELSEWHERE for the elements it does not take.
constexpr int ELSEWHERE = 3;

int gamma_method(bool regular, const GammaShape& shape, double x, double y) {
    if (!(regular && positive_finite(x) && y >= EPS && y < INF)) return ELSEWHERE;
    return static_cast<int>(inc_gamma_forms::method_at(shape.a, y));
}

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
    return gamma_tail(GammaTail::lower, shape_, literal(x), x, scale_, log_p);
}

int GammaProbabilities::method_of(double x) const { return gamma_method(regular_, shape_, x, literal(x)); }

// chi^2_k = 2 Gamma(k/2, 1).
ChisqProbabilities::ChisqProbabilities(double dof)
    : dof_(dof), shape_(gamma_shape(dof * 0.5)), regular_(dof < INF && regular_shape(dof * 0.5)) {}

double ChisqProbabilities::operator()(double x, bool log_p) const {
    return regular_ && positive_finite(x) ? inside(x, log_p) : pchisq(x, dof_, log_p);
}

double ChisqProbabilities::inside(double x, bool log_p) const {
    return gamma_tail(GammaTail::lower, shape_, literal(x), x, 2.0, log_p);
}

int ChisqProbabilities::method_of(double x) const { return gamma_method(regular_, shape_, x, literal(x)); }

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

int InvGammaProbabilities::method_of(double x) const { return gamma_method(regular_, shape_, x, literal(x)); }

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
