#pragma once

namespace quantora {

double erf_kernel(double x);
double erf_inv_kernel(double x);
// e^(x^2) erfc x, the scaled complementary error function. Above 2.1 it comes
// from the continued fraction in 1/x alone, to about 2e-16 relative, so that
// erfc x = e^(-x^2) erfcx x keeps full relative accuracy far into the tail and
// ln erfc x = -x^2 + ln erfcx x stays finite long after erfc x underflows.
double erfcx_kernel(double x);

}  // namespace quantora
