#include "cdf/gamma_tail.hpp"

#include "cdf/probability.hpp"
#include "special/inc_gamma.hpp"
#include "special/log_scale.hpp"

namespace quantora::cdf_detail {

using namespace gamma_tail_rules;

double gamma_tail(GammaTail tail, double a, double literal, double numerator, double denominator, bool log_p) {
    return gamma_tail(tail, gamma_shape(a), literal, numerator, denominator, log_p);
}

double gamma_tail(GammaTail tail, const GammaShape& shape, double literal, double numerator, double denominator,
                  bool log_p) {
    const double a = shape.a;
    const CertifiedGamma kernel = inc_gamma_certified(shape, literal);
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
