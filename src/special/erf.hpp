#pragma once

namespace quantora {

double erf_kernel(double x);
double erf_inv_kernel(double x);

}  // namespace quantora
