// Placeholders for kernels not yet written; removed as each lands.
#include "special/erf.hpp"
#include "special/trig.hpp"
#include "special/constants.hpp"

namespace quantora {

double erf_kernel(double /*x*/) { return NaN; }
double erf_inv_kernel(double /*x*/) { return NaN; }
double tan_kernel(double /*x*/) { return NaN; }
double atan_kernel(double /*x*/) { return NaN; }
double tanh_kernel(double /*x*/) { return NaN; }

}  // namespace quantora
