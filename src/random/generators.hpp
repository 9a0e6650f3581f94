#pragma once
#include <cstdint>
#include "random/engine.hpp"

namespace quantora {

double rnorm(double mu, double sigma, Engine& engine);
double rbern(double prob, Engine& engine);
double rbeta(double a, double b, Engine& engine);
double rbinom(std::int64_t n_trials, double prob, Engine& engine);
double rcauchy(double mu, double sigma, Engine& engine);
double rchisq(double dof, Engine& engine);
double rexp(double rate, Engine& engine);
double rf(double df1, double df2, Engine& engine);
double rgamma(double shape, double scale, Engine& engine);
double rinvgamma(double shape, double scale, Engine& engine);
double rlaplace(double mu, double sigma, Engine& engine);
double rlnorm(double mu, double sigma, Engine& engine);
double rlogis(double mu, double sigma, Engine& engine);
double rpois(double rate, Engine& engine);
double rt(double dof, Engine& engine);
double runif(double a, double b, Engine& engine);
double rweibull(double shape, double scale, Engine& engine);

}  // namespace quantora
