// Placeholders for kernels not yet written; removed as each lands.
#include "quantile/quantile.hpp"
#include "special/constants.hpp"

namespace quantora {

double qbeta(double /*p*/, double /*a*/, double /*b*/) { return NaN; }
double qbinom(double /*p*/, std::int64_t /*n_trials*/, double /*prob*/) { return NaN; }
double qchisq(double /*p*/, double /*dof*/) { return NaN; }
double qf(double /*p*/, double /*df1*/, double /*df2*/) { return NaN; }
double qgamma(double /*p*/, double /*shape*/, double /*scale*/) { return NaN; }
double qinvgamma(double /*p*/, double /*shape*/, double /*scale*/) { return NaN; }
double qpois(double /*p*/, double /*rate*/) { return NaN; }
double qt(double /*p*/, double /*dof*/) { return NaN; }

}  // namespace quantora
