#pragma once
// Lower sums of the binomial masses, f(x) + f(x − 1) + ... + f(0) with the
// terms added in that order, formed without the terms that cannot change them:
// every sum has exactly the bits of the loop over all x + 1 terms.
#include <cstdint>

#include "density/binomial_mass.hpp"
#include "special/beta_power.hpp"

namespace quantora {

// Where the lower sums stand for the distribution function: their masses'
// error bound is within KEPT_ERROR, and the sum is below this value. Above
// it a sum of masses keeps its relative accuracy but not that of 1 - F, which
// the logarithm near 0 and the quantiles near 1 need, so the distribution
// function is 1 - (the upper tail) there.
constexpr double BINOMIAL_COMPLEMENT_SWITCH = 1 - 0x1p-24;

// exp_kernel returns +0 only below a log-mass of about -708, so a mass it
// flushes is truly below e^-707 < 2^-1020 wherever the log-masses are kept,
// and a lower sum misses at most n_trials + 1 such masses.
constexpr double FLUSHED_MASS = 0x1p-1020;

// What one pass over the masses did, for bounds on sums it did not form.
struct BinomialPass {
    // The count at which adding began: every mass above it, up to the top
    // count of the pass, is exactly +0, so each sum whose top lies in between
    // equals the sum at this count.
    std::int64_t start;
    // Masses evaluated from `start` downward.
    std::int64_t evaluated;
    // An upper bound on the sum of all masses below the last evaluated one;
    // 0 when the pass ended at count 0 or where every later mass is +0.
    double tail;
    // Masses of the pass that may have been flushed to +0: those evaluated as
    // +0, and every count below a pass that ended at negligible masses.
    std::int64_t flushed;
};

class BinomialSum {
public:
    // The most sums one pass forms side by side.
    static constexpr int MAX_RUN = 32;

    // Requires n_trials >= 2 and 0 <= prob <= 1.
    BinomialSum(std::int64_t n_trials, double prob);

    // The lower sum at x, for 0 <= x < n_trials; unclamped.
    double lower(std::int64_t x) const;

    // The lower sums at top, top − 1, ..., top − count + 1 into sums[0],
    // sums[1], ..., sums[count − 1], from one pass over the masses; requires
    // 1 <= count <= MAX_RUN, count <= top + 1 and top < n_trials.
    BinomialPass lower_run(std::int64_t top, int count, double* sums) const;

    // Every mass below n_trials other than the one at 0 is exactly +0 (prob
    // below EPS or above 1 − EPS), so every lower sum is mass(0).
    bool degenerate() const { return degenerate_; }

    // The bound on the error of every log-mass (BinomialMass::log_mass_error).
    double log_mass_error() const { return mass_.log_mass_error(); }

    // A bound on the absolute error of the lower sum v of a pass against the
    // exact distribution function: the masses' own error and one rounding per
    // added term, both relative to v, and the masses flushed to +0.
    double sum_error(double v, const BinomialPass& pass) const {
        return v * relative_error_ + FLUSHED_MASS * static_cast<double>(pass.flushed);
    }

    // Whether the lower sums are accurate enough to stand for the distribution
    // function at all: their relative error bound is within KEPT_ERROR.
    bool sums_stand() const { return relative_error_ <= KEPT_ERROR; }

    // Where sums_stand(), a sum v at least this has sum_error(v, pass) within
    // KEPT_ERROR of v for every pass; below it the flushed masses may matter.
    double least_kept_sum() const { return flushed_ / (KEPT_ERROR - relative_error_); }

    double log_mass(std::int64_t k) const { return mass_.log_mass(k); }
    double mass(std::int64_t k) const { return mass_.mass(k); }
    // The mass whose log-mass is log_mass (the same bits as mass()).
    static double mass_of_log(double log_mass);

    // With log_mass the log-mass at k: every mass at and below k is exactly +0.
    bool vanishes_at_and_below(std::int64_t k, double log_mass) const;
    // With log_mass the log-mass at k: every mass at and above k is exactly +0.
    bool vanishes_at_and_above(std::int64_t k, double log_mass) const;

private:
    bool below_mode(std::int64_t k) const;
    std::int64_t first_added(std::int64_t top) const;
    double tail_below(std::int64_t k, double sum) const;

    BinomialMass mass_;
    double relative_error_;
    double flushed_;
    std::int64_t n_;
    double prob_;
    double q_;
    bool degenerate_;
    double centre_;
    double guard_;
    double negligible_log_mass_;
    double tail_ratio_;
};

}  // namespace quantora
