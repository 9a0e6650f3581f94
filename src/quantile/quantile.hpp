#pragma once
#include <cstdint>

namespace quantora {

double qnorm(double p, double mu, double sigma);
double qbern(double p, double prob);
double qbeta(double p, double a, double b);
double qbinom(double p, std::int64_t n_trials, double prob);
double qcauchy(double p, double mu, double sigma);
double qchisq(double p, double dof);
double qexp(double p, double rate);
double qf(double p, double df1, double df2);
double qgamma(double p, double shape, double scale);
double qinvgamma(double p, double shape, double scale);
double qlaplace(double p, double mu, double sigma);
double qlnorm(double p, double mu, double sigma);
double qlogis(double p, double mu, double sigma);
double qpois(double p, double rate);
double qt(double p, double dof);
double qunif(double p, double a, double b);
double qweibull(double p, double shape, double scale);

}  // namespace quantora
