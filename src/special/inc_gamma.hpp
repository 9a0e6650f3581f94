#pragma once

namespace quantora {

double inc_gamma_kernel(double a, double x);
double inc_gamma_inv_kernel(double a, double p);

}  // namespace quantora
