#pragma once

namespace quantora {

double tan_kernel(double x);
double atan_kernel(double x);
double tanh_kernel(double x);

}  // namespace quantora
