#pragma once
#include <cstdint>

namespace quantora {

double log_kernel(double x);
// ln((1 + z)/(1 - z)) by its continued fraction; accurate for |z| <= 1/3.
double log_quotient_kernel(double z);
double exp_kernel(double x);
double expm1_kernel(double x);
double sqrt_kernel(double x);
double floor_kernel(double x);
double pow_int_kernel(double base, std::int64_t n);
bool any_posinf(double a, double b);
bool any_posinf(double a, double b, double c);

// coef * log_value, with 0 * (-infinity) taken as +0. A factor t^0 tends to 1
// as t -> 0, so a zero exponent on a vanishing base adds nothing to a
// log-density; IEEE arithmetic would give NaN instead.
double coef_times_log(double coef, double log_value);

}  // namespace quantora
