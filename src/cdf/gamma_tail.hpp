#pragma once
// Either tail of the gamma law, for the distribution functions built on the
// regularized incomplete gamma function.
#include "cdf/probability.hpp"
#include "special/inc_gamma.hpp"
#include "special/inc_gamma_forms.hpp"
#include "special/kept_accuracy.hpp"
#include "special/lanes.hpp"

namespace quantora::cdf_detail {

enum class GammaTail { lower, upper };

// P(a, y) or Q(a, y), plain or logged, for a finite shape a > 0 and
// y = numerator / denominator >= 0: the incomplete gamma kernel's value at
// `literal` (an argument formed as the caller's algorithm forms it; Q as
// 1 - P) wherever its certified error keeps the margin of kept results, and
// otherwise the value of the careful tails at the exact quotient, whose
// logarithm is taken from numerator and denominator where the quotient
// itself under- or overflows.
double gamma_tail(GammaTail tail, double a, double literal, double numerator, double denominator, bool log_p);
double gamma_tail(GammaTail tail, const GammaShape& shape, double literal, double numerator, double denominator,
                  bool log_p);

namespace gamma_tail_rules {

// The rounding of a value near 1: half the spacing of the doubles below 1.
constexpr double ROUNDING_NEAR_ONE = EPS / 4;
constexpr double SPACING_NEAR_ONE = EPS / 2;

// A probability v from a method with error method_error, and error in all: kept
// where it is within the margin of kept results, and where the method's error
// is also within the margin of the complement 1 - v (down to the spacing of the
// doubles near 1), so that near 1 the function keeps rising with x instead of
// wandering in its last digits.
template <class T>
auto kept(T v, T error, T method_error, bool log_p) {
    const T complement = select(1.0 - v > SPACING_NEAR_ONE, 1.0 - v, T(SPACING_NEAR_ONE));
    const auto settled = (v > 0.0) & (method_error <= KEPT_RELATIVE_ERROR * complement);
    return settled & within_kept_accuracy(error / v, log_p ? log_value(v) : T(0.0), log_p);
}

}  // namespace gamma_tail_rules

// gamma_tail over lanes of x at one shape a >= EPS, literal = y as the caller
// forms it: the kernel's kept value on the lanes where `inside` holds, the
// literal argument is at least EPS and finite, and the value is kept;
// scalar(x) one element at a time elsewhere.
template <class L, class Mask, class Scalar>
L gamma_tail_lanes(GammaTail tail, const GammaShape& shape, L literal, Mask inside, bool log_p, L x,
                   Scalar scalar) {
    using namespace gamma_tail_rules;
    const Mask regular = inside & (literal >= EPS) & (literal < INF);
    L v = x;
    Mask keep = regular;
    if (any(regular)) {
        const L y = select(regular, literal, L(1.0));
        const inc_gamma_forms::Certified<L> r = inc_gamma_forms::evaluate_regular(shape, y, log_kernel(y), true);
        const bool upper = tail == GammaTail::upper;
        v = upper ? 1.0 - r.p : r.p;
        const L error = upper ? r.error + ROUNDING_NEAR_ONE : r.error;
        keep = regular & kept(v, error, r.error, log_p);
    }
    return form_or_scalar(
        keep, [log_p](L v, L) { return probability(v, log_p); }, [&scalar](double, double x) { return scalar(x); },
        v, x);
}

}  // namespace quantora::cdf_detail
