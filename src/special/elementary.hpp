#pragma once
#include <cstdint>

namespace quantora {

double log_kernel(double x);
double exp_kernel(double x);
double expm1_kernel(double x);
double sqrt_kernel(double x);
double floor_kernel(double x);
double pow_int_kernel(double base, std::int64_t n);
bool any_posinf(double a, double b);
bool any_posinf(double a, double b, double c);

// coef * log_value, where an exactly zero coefficient times a logarithm of
// -infinity counts as +0: the density's limit at that corner, not 0 * inf = NaN.
double coef_times_log(double coef, double log_value);

}  // namespace quantora
