// The binomial distribution function.
#include "cdf/binomial_sum.hpp"
#include "cdf/cdf.hpp"
#include "cdf/probability.hpp"

namespace quantora {

using namespace cdf_detail;

double pbinom(std::int64_t x, std::int64_t n_trials, double prob, bool log_p) {
    if (prob != prob) return NaN;
    if (prob == -INF) return NaN;
    if (prob == INF) return NaN;
    if (n_trials < 0) return NaN;
    if (prob < 0 || prob > 1) return NaN;
    if (x < 0) return certain_zero(log_p);
    if (x >= n_trials) return probability(1.0, log_p);
    if (n_trials == 1) return pbern(x, prob, log_p);
    return probability(BinomialSum(n_trials, prob).lower(x), log_p);
}

}  // namespace quantora
