#pragma once
#include <cstdint>

namespace quantora {

double pnorm(double x, double mu, double sigma, bool log_p);
double pbern(std::int64_t x, double prob, bool log_p);
double pbeta(double x, double a, double b, bool log_p);
double pbinom(std::int64_t x, std::int64_t n_trials, double prob, bool log_p);
double pcauchy(double x, double mu, double sigma, bool log_p);
double pchisq(double x, double dof, bool log_p);
double pexp(double x, double rate, bool log_p);
double pf(double x, double df1, double df2, bool log_p);
double pgamma(double x, double shape, double scale, bool log_p);
double pinvgamma(double x, double shape, double scale, bool log_p);
double plaplace(double x, double mu, double sigma, bool log_p);
double plnorm(double x, double mu, double sigma, bool log_p);
double plogis(double x, double mu, double sigma, bool log_p);
double ppois(std::int64_t x, double rate, bool log_p);
double pt(double x, double dof, bool log_p);
double punif(double x, double a, double b, bool log_p);
double pweibull(double x, double shape, double scale, bool log_p);

}  // namespace quantora
