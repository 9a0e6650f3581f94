#pragma once

#include "special/inverse_start.hpp"

namespace quantora {

double inc_gamma_kernel(double a, double x);
double inc_gamma_inv_kernel(double a, double p);

// What the incomplete gamma function and its inverse need of the shape alone,
// found once for many arguments: ln Gamma(a), which the continued fractions'
// prefactor, the quadrature's densities and the inverse's updates all take.
struct GammaShape {
    double a;
    double log_gamma;
};

GammaShape gamma_shape(double a);

// inc_gamma_kernel's value p together with a bound on the absolute error of
// its method, from that method's error model (+infinity where no bound
// holds). The rounding of p itself, up to 2^-54 near 1, comes on top for 1 - p.
struct CertifiedGamma {
    double p;
    double error;
};
CertifiedGamma inc_gamma_certified(double a, double x);

// The same values as inc_gamma_certified(shape.a, x) and
// inc_gamma_inv_kernel(shape.a, p).
CertifiedGamma inc_gamma_certified(const GammaShape& shape, double x);
double inc_gamma_inv(const GammaShape& shape, double p);

// Where inc_gamma_inv(shape, p) runs its updates, and from which first
// guess; elsewhere (p at or beyond the ends of [0, 1], NaN, a shape below
// EPS) its value.
InverseStart inc_gamma_inv_start(const GammaShape& shape, double p);

// Both tails of the regularized incomplete gamma function, P(a, x) and
// Q(a, x) = 1 - P(a, x), each with its natural logarithm, which stays finite
// where the tail itself underflows.
struct GammaTails {
    double lower;
    double upper;
    double log_lower;
    double log_upper;
};

// An argument x >= 0 of the tails, formed as a quotient n/d of doubles: its
// rounded value, the rounding error (n/d - value, to first order) and the
// logarithm of the exact quotient. At large shapes the tails change by a
// factor e^((x - a) dx/x), so far from the mean even the last bit of x counts;
// and a quotient that under- or overflowed still has its logarithm.
struct GammaArgument {
    double value;
    double low;
    double log;
};

GammaArgument quotient_argument(double numerator, double denominator);

// ln(x^a e^-x / Gamma(a + 1)), the Poisson mass at a count a for the mean x,
// for real a >= 0: relative accuracy of the mass where its three factors are
// huge and nearly cancel.
double log_poisson_mass(double a, const GammaArgument& x);

// P and Q to nearly full relative accuracy in both tails, for a > 0 and x >= 0.
GammaTails inc_gamma_tails(double a, const GammaArgument& x);

}  // namespace quantora
