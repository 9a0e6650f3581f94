#include "cdf/gamma_tail.hpp"

#include "cdf/probability.hpp"
#include "special/inc_gamma.hpp"
#include "special/kept_accuracy.hpp"
#include "special/log_scale.hpp"

namespace quantora::cdf_detail {

namespace {

constexpr double SMALLEST_NORMAL = 2.2250738585072014e-308;

// ln(numerator / denominator), from the quotient while it is a normal double.
double log_quotient(double quotient, double numerator, double denominator) {
    if (quotient >= SMALLEST_NORMAL && quotient != INF) return log_value(quotient);
    return log_value(numerator) - log_value(denominator);
}

}  // namespace

double gamma_tail(GammaTail tail, double a, double literal, double numerator, double denominator, bool log_p) {
    const CertifiedGamma kernel = inc_gamma_certified(a, literal);
    const double v = tail == GammaTail::lower ? kernel.p : 1 - kernel.p;
    if (v > 0) {
        const double log_v = log_p ? log_value(v) : 0.0;
        if (within_kept_accuracy(kernel.error / v, log_v, log_p)) return probability(v, log_p);
    }
    const double y = numerator / denominator;
    const GammaTails t = inc_gamma_tails(a, y, log_quotient(y, numerator, denominator));
    if (tail == GammaTail::lower) return log_p ? t.log_lower : t.lower;
    return log_p ? t.log_upper : t.upper;
}

}  // namespace quantora::cdf_detail
