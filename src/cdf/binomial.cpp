// The binomial distribution function.
#include "cdf/binomial_sum.hpp"
#include "density/binomial_mass.hpp"
#include "cdf/cdf.hpp"
#include "cdf/probability.hpp"
#include "special/beta_power.hpp"
#include "special/inc_beta.hpp"
#include "special/log_scale.hpp"

namespace quantora {

using namespace cdf_detail;

namespace {

// P(X <= x) = I_(1-prob)(n - x, x + 1), and its complement
// P(X > x) = I_prob(x + 1, n - x), with both arguments exact or rounded once.
// The offset of the first law, (n - x) prob - (x + 1)(1 - prob) =
// (n prob - x) - (1 - prob), comes from the counts themselves, which beyond
// 2^53 the shapes as doubles no longer hold.
double beta_offset_of(std::int64_t x, std::int64_t n, double prob) { return count_offset(x, n, prob) - (1 - prob); }

double lower_by_beta(std::int64_t x, std::int64_t n, double prob, bool log_p) {
    return inc_beta_sound(static_cast<double>(n - x), static_cast<double>(x) + 1, 1 - prob, prob,
                          beta_offset_of(x, n, prob), log_p);
}

double from_upper_by_beta(std::int64_t x, std::int64_t n, double prob, bool log_p) {
    const double upper = inc_beta_sound(static_cast<double>(x) + 1, static_cast<double>(n - x), prob, 1 - prob,
                                        -beta_offset_of(x, n, prob), false);
    return log_p ? log1p_value(-upper) : 1 - upper;
}

}  // namespace

double pbinom(std::int64_t x, std::int64_t n_trials, double prob, bool log_p) {
    if (prob != prob) return NaN;
    if (prob == -INF) return NaN;
    if (prob == INF) return NaN;
    if (n_trials < 0) return NaN;
    if (prob < 0 || prob > 1) return NaN;
    if (x < 0) return certain_zero(log_p);
    if (x >= n_trials) return probability(1.0, log_p);
    if (n_trials == 1) return pbern(x, prob, log_p);
    const BinomialSum sums(n_trials, prob);
    // Where the masses' error bound is too wide the sum of masses is neither
    // accurate nor cheap (its terms number some sqrt(n)); the incomplete beta
    // function is both.
    if (!sums.sums_stand()) return canonical(lower_by_beta(x, n_trials, prob, log_p));
    double v;
    const BinomialPass pass = sums.lower_run(x, 1, &v);
    if (v > BINOMIAL_COMPLEMENT_SWITCH) return canonical(from_upper_by_beta(x, n_trials, prob, log_p));
    if (keeps(v, sums.sum_error(v, pass), log_p)) return probability(v, log_p);
    return canonical(lower_by_beta(x, n_trials, prob, log_p));
}

}  // namespace quantora
