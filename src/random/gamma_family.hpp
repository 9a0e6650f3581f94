#pragma once
// Samplers of the gamma variate and of the laws composed from it: chi-square,
// beta, F, inverse gamma and Student t; see uniform.hpp for what a sampler is.
#include "random/engine.hpp"
#include "random/normal.hpp"
#include "special/constants.hpp"

namespace quantora {

// A gamma variate of unit scale kept as the factors of its product, so that
// callers can take its logarithm where the product under- or overflows:
// value = pow(u[0], 1/shape[0]) * (pow(u[1], 1/shape[1]) * (v * d)), with
// one boost factor for each shape <= 1 on the way up to the Marsaglia–Tsang
// shape (shapes below 2^-53 need two: shape + 1 rounds to 1).
struct GammaDraw {
    static constexpr int MAX_BOOSTS = 2;
    int boosts;
    double u[MAX_BOOSTS];
    double shape[MAX_BOOSTS];
    double v;
    double d;
};

class GammaSampler {
public:
    GammaSampler(double shape, double scale);

    bool valid() const { return valid_; }
    double operator()(Engine& engine) const { return valid_ ? value(factors(engine)) : NaN; }

    // One draw as its factors, consuming exactly the outputs of operator().
    GammaDraw factors(Engine& engine) const;
    // The draw's value, multiplied in the generator's own order.
    double value(const GammaDraw& draw) const;
    // c log(value / scale) for 0 < c <= 1, finite wherever the factors are
    // positive even when the value itself is 0 or infinite: with c no larger
    // than the smallest shape in play every term stays bounded.
    static double scaled_log(const GammaDraw& draw, double c);

private:
    double core(Engine& engine) const;

    bool valid_;
    bool infinite_;
    double scale_;
    int boosts_;
    double boost_shape_[GammaDraw::MAX_BOOSTS];
    double boost_exponent_[GammaDraw::MAX_BOOSTS];
    double d_;
    double k_;
    double z_min_;
    NormalSampler normal_;
};

class ChisqSampler {
public:
    explicit ChisqSampler(double dof);

    bool valid() const { return valid_; }
    double operator()(Engine& engine) const { return valid_ ? gamma_(engine) : NaN; }
    const GammaSampler& gamma() const { return gamma_; }

private:
    bool valid_;
    GammaSampler gamma_;
};

class BetaSampler {
public:
    BetaSampler(double a, double b);

    double operator()(Engine& engine) const;

private:
    double limit_or_log_ratio(const GammaDraw& x, const GammaDraw& y) const;

    bool valid_;
    double a_;
    double b_;
    GammaSampler gamma_a_;
    GammaSampler gamma_b_;
};

class FSampler {
public:
    FSampler(double df1, double df2);

    double operator()(Engine& engine) const;

private:
    bool valid_;
    double df1_;
    double df2_;
    ChisqSampler chisq1_;
    ChisqSampler chisq2_;
};

class InvGammaSampler {
public:
    InvGammaSampler(double shape, double scale);

    double operator()(Engine& engine) const;

private:
    bool valid_;
    GammaSampler gamma_;
};

class TSampler {
public:
    explicit TSampler(double dof);

    double operator()(Engine& engine) const;

private:
    bool valid_;
    double dof_;
    NormalSampler normal_;
    ChisqSampler chisq_;
};

}  // namespace quantora
