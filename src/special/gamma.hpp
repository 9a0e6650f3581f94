#pragma once

namespace quantora {

double lgamma_kernel(double x);
double lbeta_kernel(double a, double b);

// ln Gamma(x) for x > 0 to full accuracy near the pole at 0, where
// lgamma_kernel loses the low bits of x in forming x - 1: below 1/2 it is
// ln Gamma(1 + x) - ln x; elsewhere lgamma_kernel's own value.
double lgamma_value(double x);

// A bound on the absolute error of lgamma_kernel(x) beyond its relative
// rounding: the rounding of x - 1 near the pole.
double lgamma_pole_error(double x);

}  // namespace quantora
