#include "cdf/gamma_tail.hpp"

#include "cdf/probability.hpp"
#include "special/inc_gamma.hpp"
#include "special/kept_accuracy.hpp"
#include "special/log_scale.hpp"

namespace quantora::cdf_detail {

double gamma_tail(GammaTail tail, double a, double literal, double numerator, double denominator, bool log_p) {
    const CertifiedGamma kernel = inc_gamma_certified(a, literal);
    const double v = tail == GammaTail::lower ? kernel.p : 1 - kernel.p;
    if (v > 0) {
        const double log_v = log_p ? log_value(v) : 0.0;
        if (within_kept_accuracy(kernel.error / v, log_v, log_p)) return probability(v, log_p);
    }
    const GammaTails t = inc_gamma_tails(a, quotient_argument(numerator, denominator));
    if (tail == GammaTail::lower) return canonical(log_p ? t.log_lower : t.lower);
    return canonical(log_p ? t.log_upper : t.upper);
}

}  // namespace quantora::cdf_detail
