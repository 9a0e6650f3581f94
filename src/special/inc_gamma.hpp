#pragma once

namespace quantora {

double inc_gamma_kernel(double a, double x);
double inc_gamma_inv_kernel(double a, double p);

// inc_gamma_kernel's value p together with a bound on its absolute error,
// from the error model of the method that produced it (+infinity where no
// bound holds). 1 - p then has the same absolute error.
struct CertifiedGamma {
    double p;
    double error;
};
CertifiedGamma inc_gamma_certified(double a, double x);

// Both tails of the regularized incomplete gamma function, P(a, x) and
// Q(a, x) = 1 - P(a, x), each with its natural logarithm, which stays finite
// where the tail itself underflows.
struct GammaTails {
    double lower;
    double upper;
    double log_lower;
    double log_upper;
};

// ln(x^a e^-x / Gamma(a + 1)), the Poisson mass at a count a for the mean x,
// for real a >= 0 and x >= 0 with log_x = ln x: relative accuracy of the
// mass where its three factors are huge and nearly cancel.
double log_poisson_mass(double a, double x, double log_x);

// P and Q to nearly full relative accuracy in both tails, for a > 0 and
// x >= 0. log_x is ln x: a caller that formed x as a quotient passes the
// logarithm of the exact quotient, so an x that underflowed to a subnormal
// or to 0 still carries its value.
GammaTails inc_gamma_tails(double a, double x, double log_x);

}  // namespace quantora
