// Placeholders for kernels not yet written; removed as each lands.
#include "density/density.hpp"
#include "special/constants.hpp"

namespace quantora {

double dbeta(double /*x*/, double /*a*/, double /*b*/, bool /*log*/) { return NaN; }
double dbinom(std::int64_t /*x*/, std::int64_t /*n_trials*/, double /*prob*/, bool /*log*/) { return NaN; }
double dchisq(double /*x*/, double /*dof*/, bool /*log*/) { return NaN; }
double df(double /*x*/, double /*df1*/, double /*df2*/, bool /*log*/) { return NaN; }
double dgamma(double /*x*/, double /*shape*/, double /*scale*/, bool /*log*/) { return NaN; }
double dinvgamma(double /*x*/, double /*shape*/, double /*scale*/, bool /*log*/) { return NaN; }
double dpois(std::int64_t /*x*/, double /*rate*/, bool /*log*/) { return NaN; }
double dt(double /*x*/, double /*dof*/, bool /*log*/) { return NaN; }

}  // namespace quantora
