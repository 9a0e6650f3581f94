// Placeholders for kernels not yet written; removed as each lands.
#include "random/generators.hpp"
#include "random/engine.hpp"
#include "special/constants.hpp"

namespace quantora {

double rnorm(double /*mu*/, double /*sigma*/, Engine& /*engine*/) { return NaN; }
double rbern(double /*prob*/, Engine& /*engine*/) { return NaN; }
double rbeta(double /*a*/, double /*b*/, Engine& /*engine*/) { return NaN; }
double rbinom(std::int64_t /*n_trials*/, double /*prob*/, Engine& /*engine*/) { return NaN; }
double rcauchy(double /*mu*/, double /*sigma*/, Engine& /*engine*/) { return NaN; }
double rchisq(double /*dof*/, Engine& /*engine*/) { return NaN; }
double rexp(double /*rate*/, Engine& /*engine*/) { return NaN; }
double rf(double /*df1*/, double /*df2*/, Engine& /*engine*/) { return NaN; }
double rgamma(double /*shape*/, double /*scale*/, Engine& /*engine*/) { return NaN; }
double rinvgamma(double /*shape*/, double /*scale*/, Engine& /*engine*/) { return NaN; }
double rlaplace(double /*mu*/, double /*sigma*/, Engine& /*engine*/) { return NaN; }
double rlnorm(double /*mu*/, double /*sigma*/, Engine& /*engine*/) { return NaN; }
double rlogis(double /*mu*/, double /*sigma*/, Engine& /*engine*/) { return NaN; }
double rpois(double /*rate*/, Engine& /*engine*/) { return NaN; }
double rt(double /*dof*/, Engine& /*engine*/) { return NaN; }
double runif(double /*a*/, double /*b*/, Engine& /*engine*/) { return NaN; }
double rweibull(double /*shape*/, double /*scale*/, Engine& /*engine*/) { return NaN; }
double canonical_uniform(Engine& /*engine*/) { return NaN; }
double positive_uniform(Engine& /*engine*/) { return NaN; }

}  // namespace quantora
