#pragma once

namespace quantora {

double inc_beta_kernel(double a, double b, double x);
double inc_beta_inv_kernel(double a, double b, double p);

}  // namespace quantora
