#pragma once
#include <cstdint>

namespace quantora {

double dnorm(double x, double mu, double sigma, bool log);
double dbern(std::int64_t x, double prob, bool log);
double dbeta(double x, double a, double b, bool log);
double dbinom(std::int64_t x, std::int64_t n_trials, double prob, bool log);
double dcauchy(double x, double mu, double sigma, bool log);
double dchisq(double x, double dof, bool log);
double dexp(double x, double rate, bool log);
double df(double x, double df1, double df2, bool log);
double dgamma(double x, double shape, double scale, bool log);
double dinvgamma(double x, double shape, double scale, bool log);
double dlaplace(double x, double mu, double sigma, bool log);
double dlnorm(double x, double mu, double sigma, bool log);
double dlogis(double x, double mu, double sigma, bool log);
double dpois(std::int64_t x, double rate, bool log);
double dt(double x, double dof, bool log);
double dunif(double x, double a, double b, bool log);
double dweibull(double x, double shape, double scale, bool log);

}  // namespace quantora
