// Placeholders for kernels not yet written; removed as each lands.
#include "special/inc_gamma.hpp"
#include "special/inc_beta.hpp"
#include "special/constants.hpp"

namespace quantora {

double inc_gamma_kernel(double /*a*/, double /*x*/) { return NaN; }
double inc_gamma_inv_kernel(double /*a*/, double /*p*/) { return NaN; }
double inc_beta_kernel(double /*a*/, double /*b*/, double /*x*/) { return NaN; }
double inc_beta_inv_kernel(double /*a*/, double /*b*/, double /*p*/) { return NaN; }

}  // namespace quantora
