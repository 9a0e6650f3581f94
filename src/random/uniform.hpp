#pragma once
// Samplers that turn one engine output into one draw (runif, rbern) and the
// binomial's sum of Bernoulli trials. A sampler is built once per call from
// the parameters, checks them and keeps what depends only on them; each call
// of the sampler then draws one variate. Invalid parameters make every draw
// NaN without touching the engine.
#include <cstdint>

#include "random/engine.hpp"
#include "random/interrupt.hpp"
#include "special/constants.hpp"

namespace quantora {

// Uniform on [lo, b] with lo = nextafter(a, b): u (b - lo) + lo for the
// canonical uniform u.
class UniformSampler {
public:
    UniformSampler(double a, double b);

    double operator()(Engine& engine) const {
        if (!valid_) return NaN;
        const double u = canonical_uniform(engine);
        if (halved_) return scaled_draw(u);
        const double x = u * width_ + lo_;
        // Rounding can carry u (b - lo) + lo past b when u is near 1.
        return x > b_ ? b_ : x;
    }

private:
    double scaled_draw(double u) const;

    bool valid_;
    double lo_;
    double b_;
    double width_;
    bool halved_;  // b - lo overflows: the draw is formed at half scale
};

// The outputs y of the engine for which prob >= positive_from_output(y).
// Because the positive uniform is non-decreasing in y they form a prefix
// 0, 1, ..., last of the 64-bit range, empty only for prob = 0, so one integer
// comparison decides each trial exactly as the floating-point test would.
class BernoulliThreshold {
public:
    explicit BernoulliThreshold(double prob);

    bool success(std::uint64_t y) const { return any_ && y <= last_; }

private:
    bool any_;
    std::uint64_t last_;
};

class BernoulliSampler {
public:
    explicit BernoulliSampler(double prob);

    double operator()(Engine& engine) const {
        if (!valid_) return NaN;
        return threshold_.success(engine()) ? 1.0 : 0.0;
    }

private:
    bool valid_;
    BernoulliThreshold threshold_;
};

// The number of successes in n_trials Bernoulli trials: exactly n_trials
// engine outputs per draw, so long calls poll for interrupts. The countdown
// lives as long as the sampler, so an array of many short sums polls as often
// as one long sum.
class BinomialSampler {
public:
    BinomialSampler(std::int64_t n_trials, double prob);

    double operator()(Engine& engine);

private:
    bool valid_;
    std::int64_t n_trials_;
    BernoulliThreshold threshold_;
    InterruptCountdown countdown_;
};

}  // namespace quantora
