#include "quantile/count_quantiles.hpp"

#include "cdf/cdf.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"

namespace quantora {

namespace {

// Room for a table, in standard deviations of the law and counts beyond them:
// from COUNT_TABLE_LOWEST, some 6 deviations below the mean, to where the
// distribution function rounds to 1, some 9 above it and further at small
// rates and skewed laws, where the counts' own slack covers it.
constexpr double TABLE_DEVIATIONS = 24;
constexpr double TABLE_SLACK = 64;

// No table for rates from here on: their counts come close to the end of the
// 64-bit range.
constexpr double POISSON_TABLE_RATE_LIMIT = 0x1p62;
// Far beyond any memory bound a caller sets, while a table's size in bytes
// stays within the range of a 32-bit std::size_t.
constexpr double MAX_ENTRIES = 0x1p24;

std::size_t entries(double variance) {
    const double wanted = TABLE_DEVIATIONS * sqrt_kernel(variance) + TABLE_SLACK;
    return static_cast<std::size_t>(wanted < MAX_ENTRIES ? wanted : MAX_ENTRIES);
}

}  // namespace

double PoissonLaw::cdf(std::int64_t k) const { return ppois(k, rate_, false); }

double PoissonLaw::quantile(double p) const { return qpois(p, rate_); }

std::size_t PoissonLaw::capacity() const {
    // Below EPS the kernel takes the law for the point mass at 0, whatever the
    // distribution function says near 1.
    if (!(rate_ >= EPS && rate_ < POISSON_TABLE_RATE_LIMIT)) return 0;
    return entries(rate_);
}

double BinomialLaw::cdf(std::int64_t k) const { return pbinom(k, n_, prob_, false); }

double BinomialLaw::quantile(double p) const { return qbinom(p, n_, prob_); }

std::size_t BinomialLaw::capacity() const {
    if (!(n_ >= 0 && prob_ >= 0 && prob_ <= 1)) return 0;
    const std::size_t wanted = entries(static_cast<double>(n_) * prob_ * (1 - prob_));
    const auto counts = static_cast<std::uint64_t>(n_) + 1;
    return counts < wanted ? static_cast<std::size_t>(counts) : wanted;
}

}  // namespace quantora
