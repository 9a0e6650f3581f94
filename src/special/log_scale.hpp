#pragma once
// Logarithms and exponentials over the whole range of the doubles, for tails
// and log-probabilities. log_kernel and exp_kernel resolve only part of it:
// the logarithm is -infinity below EPS and the exponential underflows to 0
// below about -708.5 and overflows above about 709.5. These helpers give the
// kernels' own bits wherever the kernels have a value, and extend them by
// exact scaling with powers of two elsewhere.

namespace quantora {

// ln x for every x >= 0: log_kernel(x) for x >= EPS; below, subnormals
// included, ln m + e ln 2 with x = m 2^e, 1 <= m < 2. ln 0 is -infinity.
double log_value(double x);

// e^x for every x: exp_kernel(x) where it neither underflows nor overflows;
// beyond, e^(x -+ k ln 2) 2^(+-k), so results down to the smallest subnormal
// and up to the largest double are not lost.
double exp_value(double x);

// ln(1 + x) for x >= -1, to full relative accuracy near 0 (ln(1 + x) =
// ln((1 + z)/(1 - z)) with z = x/(2 + x)).
double log1p_value(double x);

// ln(1 - e^x) for x <= 0: through -expm1 near 0 and log1p(-e^x) beyond ln 1/2,
// so neither the difference nor the logarithm cancels.
double log1m_exp(double x);

// ln(e^a + e^b) without overflow or underflow of the exponentials.
double log_add_exp(double a, double b);

// ln(numerator / denominator) for positive operands: from the quotient while
// it is a normal double, from the two logarithms where it under- or overflows.
double log_quotient(double numerator, double denominator);

}  // namespace quantora
