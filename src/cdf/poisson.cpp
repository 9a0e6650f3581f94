// The Poisson distribution function.
#include "cdf/cdf.hpp"
#include "cdf/gamma_tail.hpp"
#include "cdf/probability.hpp"

namespace quantora {

using namespace cdf_detail;

namespace {

// k! for k = 0 .. 15, exact in 64 bits.
constexpr std::int64_t FACTORIAL[16] = {
    1,         1,          2,           6,            24,            120,            720,           5040,
    40320,     362880,     3628800,     39916800,     479001600,     6227020800,     87178291200,   1307674368000,
};
constexpr double POISSON_SERIES_MAX_RATE = 10;
constexpr std::int64_t POISSON_SERIES_MAX_COUNT = 15;

// x + 1 as a double, exact in 64-bit arithmetic; the largest count's
// successor 2^63 is not representable as a count but is as a double.
double successor(std::int64_t x) {
    constexpr std::int64_t COUNT_MAX = 9223372036854775807;
    return x == COUNT_MAX ? 9223372036854775808.0 : static_cast<double>(x + 1);
}

// e^(-rate) * sum_{k=0..x} rate^k / k!, the terms added from k = x downward
// and the k = 0 term last.
double poisson_series(std::int64_t x, double rate) {
    double s;
    if (x == 0) {
        s = 1;
    } else if (x == 1) {
        s = rate + 1;
    } else {
        double t = pow_int_kernel(rate, x) / static_cast<double>(FACTORIAL[x]);
        for (std::int64_t k = x - 1; k >= 1; --k) {
            t = t + pow_int_kernel(rate, k) / static_cast<double>(FACTORIAL[k]);
        }
        s = t + 1;
    }
    return exp_kernel(-rate) * s;
}

}  // namespace

double ppois(std::int64_t x, double rate, bool log_p) {
    if (rate != rate) return NaN;
    if (rate < 0) return NaN;
    if (x < 0) return certain_zero(log_p);
    if (rate == INF) return certain_zero(log_p);
    if (rate > POISSON_SERIES_MAX_RATE || x > POISSON_SERIES_MAX_COUNT) {
        // P(X <= x) = Q(x + 1, rate), the upper regularized incomplete gamma.
        return gamma_tail(GammaTail::upper, successor(x), rate, rate, 1.0, log_p);
    }
    return probability(poisson_series(x, rate), log_p);
}

}  // namespace quantora
