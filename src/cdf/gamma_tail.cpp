#include "cdf/gamma_tail.hpp"

#include "cdf/probability.hpp"
#include "special/inc_gamma.hpp"
#include "special/kept_accuracy.hpp"
#include "special/log_scale.hpp"

namespace quantora::cdf_detail {

namespace {

// The rounding of a value near 1: half the spacing of the doubles below 1.
constexpr double ROUNDING_NEAR_ONE = EPS / 4;
constexpr double SPACING_NEAR_ONE = EPS / 2;

// A probability v from a method with error method_error, and error in all: kept
// where it is within the margin of kept results, and where the method's error
// is also within the margin of the complement 1 - v (down to the spacing of the
// doubles near 1), so that near 1 the function keeps rising with x instead of
// wandering in its last digits.
bool kept(double v, double error, double method_error, bool log_p) {
    if (!(v > 0)) return false;
    const double complement = 1 - v > SPACING_NEAR_ONE ? 1 - v : SPACING_NEAR_ONE;
    if (!(method_error <= KEPT_RELATIVE_ERROR * complement)) return false;
    return within_kept_accuracy(error / v, log_p ? log_value(v) : 0.0, log_p);
}

}  // namespace

double gamma_tail(GammaTail tail, double a, double literal, double numerator, double denominator, bool log_p) {
    const CertifiedGamma kernel = inc_gamma_certified(a, literal);
    const bool upper = tail == GammaTail::upper;
    const double v = upper ? 1 - kernel.p : kernel.p;
    // 1 - p carries p's own rounding as an absolute error.
    const double error = upper ? kernel.error + ROUNDING_NEAR_ONE : kernel.error;
    if (kept(v, error, kernel.error, log_p)) return probability(v, log_p);
    const GammaTails t = inc_gamma_tails(a, quotient_argument(numerator, denominator));
    if (!upper) return canonical(log_p ? t.log_lower : t.lower);
    return canonical(log_p ? t.log_upper : t.upper);
}

}  // namespace quantora::cdf_detail
