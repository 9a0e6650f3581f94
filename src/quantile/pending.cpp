// Placeholders for kernels not yet written; removed as each lands.
#include "quantile/quantile.hpp"
#include "special/constants.hpp"

namespace quantora {

double qnorm(double /*p*/, double /*mu*/, double /*sigma*/) { return NaN; }
double qbern(double /*p*/, double /*prob*/) { return NaN; }
double qbeta(double /*p*/, double /*a*/, double /*b*/) { return NaN; }
double qbinom(double /*p*/, std::int64_t /*n_trials*/, double /*prob*/) { return NaN; }
double qcauchy(double /*p*/, double /*mu*/, double /*sigma*/) { return NaN; }
double qchisq(double /*p*/, double /*dof*/) { return NaN; }
double qexp(double /*p*/, double /*rate*/) { return NaN; }
double qf(double /*p*/, double /*df1*/, double /*df2*/) { return NaN; }
double qgamma(double /*p*/, double /*shape*/, double /*scale*/) { return NaN; }
double qinvgamma(double /*p*/, double /*shape*/, double /*scale*/) { return NaN; }
double qlaplace(double /*p*/, double /*mu*/, double /*sigma*/) { return NaN; }
double qlnorm(double /*p*/, double /*mu*/, double /*sigma*/) { return NaN; }
double qlogis(double /*p*/, double /*mu*/, double /*sigma*/) { return NaN; }
double qpois(double /*p*/, double /*rate*/) { return NaN; }
double qt(double /*p*/, double /*dof*/) { return NaN; }
double qunif(double /*p*/, double /*a*/, double /*b*/) { return NaN; }
double qweibull(double /*p*/, double /*shape*/, double /*scale*/) { return NaN; }

}  // namespace quantora
