// Placeholders for kernels not yet written; removed as each lands.
#include "special/trig.hpp"
#include "special/constants.hpp"

namespace quantora {

double tan_kernel(double /*x*/) { return NaN; }
double atan_kernel(double /*x*/) { return NaN; }
double tanh_kernel(double /*x*/) { return NaN; }

}  // namespace quantora
