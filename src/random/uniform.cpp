// The uniform sources and the generators that use one uniform per output:
// runif, rbern and rbinom.
#include <cmath>
#include <cstdint>

#include "random/engine.hpp"
#include "random/generators.hpp"
#include "special/constants.hpp"

namespace quantora {

namespace {

constexpr double TWO_POW_64 = 18446744073709551616.0;

bool is_nan_or_infinite(double x) { return x != x || x == INF || x == -INF; }

}  // namespace

double canonical_uniform(Engine& engine) {
    // One 64-bit output carries more than the 53 bits of a double. The
    // conversion rounds to nearest, ties to even, so the 1024 largest outputs
    // round up to 2^64 and give exactly 1.0; the division by a power of two is
    // exact. No clamping: callers accept 1.0.
    const std::uint64_t y = engine();
    const double rounded = static_cast<double>(y);
    return rounded / TWO_POW_64;
}

double positive_uniform(Engine& engine) {
    // 1 - tiny rounds to 1, so this is u itself for u > 0 and the smallest
    // subnormal for u = 0: the range is (0, 1].
    const double tiny = std::nextafter(0.0, 1.0);
    const double u = canonical_uniform(engine);
    return u * (1 - tiny) + tiny;
}

double runif(double a, double b, Engine& engine) {
    if (a != a || b != b || !(a < b)) return NaN;
    // The lower end is excluded by starting one ulp above a.
    const double lo = std::nextafter(a, b);
    const double u = canonical_uniform(engine);
    return u * (b - lo) + lo;
}

double rbern(double prob, Engine& engine) {
    if (is_nan_or_infinite(prob) || prob < 0 || prob > 1) return NaN;
    // w is never 0, so prob = 0 never succeeds; w <= 1, so prob = 1 always does.
    const double w = positive_uniform(engine);
    return prob >= w ? 1.0 : 0.0;
}

double rbinom(std::int64_t n_trials, double prob, Engine& engine) {
    if (is_nan_or_infinite(prob) || n_trials < 0 || prob < 0 || prob > 1) return NaN;
    // A sum of Bernoulli draws: exactly n_trials engine outputs.
    double sum = 0.0;
    for (std::int64_t i = 0; i < n_trials; ++i) sum = sum + rbern(prob, engine);
    return sum;
}

}  // namespace quantora
