// Placeholders for kernels not yet written; removed as each lands.
#include "cdf/cdf.hpp"
#include "special/constants.hpp"

namespace quantora {

double pbeta(double /*x*/, double /*a*/, double /*b*/, bool /*log_p*/) { return NaN; }
double pbinom(std::int64_t /*x*/, std::int64_t /*n_trials*/, double /*prob*/, bool /*log_p*/) { return NaN; }
double pchisq(double /*x*/, double /*dof*/, bool /*log_p*/) { return NaN; }
double pf(double /*x*/, double /*df1*/, double /*df2*/, bool /*log_p*/) { return NaN; }
double pgamma(double /*x*/, double /*shape*/, double /*scale*/, bool /*log_p*/) { return NaN; }
double pinvgamma(double /*x*/, double /*shape*/, double /*scale*/, bool /*log_p*/) { return NaN; }
double ppois(std::int64_t /*x*/, double /*rate*/, bool /*log_p*/) { return NaN; }
double pt(double /*x*/, double /*dof*/, bool /*log_p*/) { return NaN; }

}  // namespace quantora
