#pragma once
// Either tail of the gamma law, for the distribution functions built on the
// regularized incomplete gamma function.

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

}  // namespace quantora::cdf_detail
