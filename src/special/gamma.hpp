#pragma once

namespace quantora {

double lgamma_kernel(double x);
double lbeta_kernel(double a, double b);

}  // namespace quantora
