#pragma once

namespace quantora {

double lgamma_kernel(double x);
double lbeta_kernel(double a, double b);

// A bound on the absolute error of lgamma_kernel(x) beyond its relative
// rounding: the rounding of x - 1 near the pole.
double lgamma_pole_error(double x);

}  // namespace quantora
