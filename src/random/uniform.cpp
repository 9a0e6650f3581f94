// The uniform sources and the samplers that use one output per trial: runif,
// rbern and rbinom.
#include "random/uniform.hpp"

#include <cmath>
#include <cstdint>
#include <limits>

namespace quantora {

namespace {

constexpr double TWO_POW_64 = 18446744073709551616.0;

bool valid_probability(double prob) { return !is_nan(prob) && !is_infinite(prob) && prob >= 0 && prob <= 1; }

bool bernoulli_succeeds(double prob, std::uint64_t y) { return prob >= positive_from_output(y); }

}  // namespace

double canonical_from_output(std::uint64_t y) {
    // One 64-bit output carries more than the 53 bits of a double. The
    // conversion rounds to nearest, ties to even, so the 1024 largest outputs
    // round up to 2^64 and give exactly 1.0; the division by a power of two is
    // exact. No clamping: callers accept 1.0.
    const double rounded = static_cast<double>(y);
    return rounded / TWO_POW_64;
}

double positive_from_output(std::uint64_t y) {
    // 1 - tiny rounds to 1, so this is u itself for u > 0 and the smallest
    // subnormal for u = 0: the range is (0, 1].
    const double tiny = std::nextafter(0.0, 1.0);
    const double u = canonical_from_output(y);
    return u * (1 - tiny) + tiny;
}

UniformSampler::UniformSampler(double a, double b)
    : valid_(!is_nan(a) && !is_nan(b) && a < b),
      lo_(valid_ ? std::nextafter(a, b) : NaN),
      b_(b),
      width_(b - lo_),
      // Only finite ends can overflow their difference; an infinite end keeps
      // the plain formula and its infinite draws.
      halved_(valid_ && width_ == INF && !is_infinite(a) && !is_infinite(b)) {}

double UniformSampler::scaled_draw(double u) const {
    // The ends span more than the largest double: the same affine map at half
    // scale, u (b/2 - lo/2) + lo/2, doubled. Halving these huge ends is exact,
    // and the half-scale value is at least lo/2, so only b needs a clamp.
    const double half = u * (b_ * 0.5 - lo_ * 0.5) + lo_ * 0.5;
    const double x = half * 2.0;
    return x > b_ ? b_ : x;
}

BernoulliThreshold::BernoulliThreshold(double prob) : any_(bernoulli_succeeds(prob, 0)), last_(0) {
    // Bisection for the last success: success at lo, failure at hi.
    std::uint64_t lo = 0;
    std::uint64_t hi = std::numeric_limits<std::uint64_t>::max();
    if (!any_) return;
    if (bernoulli_succeeds(prob, hi)) {
        last_ = hi;
        return;
    }
    while (hi - lo > 1) {
        const std::uint64_t mid = lo + (hi - lo) / 2;
        if (bernoulli_succeeds(prob, mid)) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    last_ = lo;
}

// w is never 0, so prob = 0 never succeeds; w <= 1, so prob = 1 always does.
BernoulliSampler::BernoulliSampler(double prob)
    : valid_(valid_probability(prob)), threshold_(valid_ ? prob : 0.0) {}

BinomialSampler::BinomialSampler(std::int64_t n_trials, double prob)
    : valid_(valid_probability(prob) && n_trials >= 0), n_trials_(n_trials), threshold_(valid_ ? prob : 0.0) {}

double BinomialSampler::operator()(Engine& engine) {
    if (!valid_) return NaN;
    // Counted as an integer: the same value as a running sum of 1.0 and 0.0
    // while it stays below 2^53, and exact beyond.
    // Local copies stay in registers; the engine's state could otherwise alias them.
    const BernoulliThreshold threshold = threshold_;
    InterruptCountdown countdown = countdown_;
    std::uint64_t successes = 0;
    for (std::int64_t i = 0; i < n_trials_; ++i) {
        successes += threshold.success(engine()) ? 1 : 0;
        countdown.step();
    }
    countdown_ = countdown;
    return static_cast<double>(successes);
}

}  // namespace quantora
