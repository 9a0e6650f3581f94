#pragma once
// Samplers of the normal variate (polar method) and of the log-normal built on
// it; see uniform.hpp for what a sampler is.
#include "random/engine.hpp"

namespace quantora {

class NormalSampler {
public:
    NormalSampler(double mu, double sigma);

    bool valid() const { return valid_; }
    double operator()(Engine& engine) const;

private:
    bool valid_;
    double mu_;
    double sigma_;
};

class LogNormalSampler {
public:
    LogNormalSampler(double mu, double sigma) : normal_(mu, sigma) {}

    double operator()(Engine& engine) const;

private:
    NormalSampler normal_;
};

}  // namespace quantora
