#pragma once
// The Poisson and binomial quantiles at fixed parameters for many p, each the
// kernel's own value: from a table of the law's distribution function
// (count_table.hpp) wherever the table covers p, from the kernel elsewhere.
//
// The table starts at the kernel's answer for the first p it is asked about
// and grows as the calls pay for it: its growth may take up to
// GrowthBudget::SHARE of the time the kernel has taken for the p the table
// did not cover, so that a few calls cost little more than the kernel alone
// (a table over the counts near a large rate costs as much as thousands of
// kernel calls), while many calls complete it after their first few. An
// entry costs anything from a short series to the careful tails of the
// incomplete gamma function, and so does a kernel call, so both are timed
// rather than guessed; the timing decides only how fast the table grows,
// never a value.
//
// The binomial kernel's answer is the first count of an upward scan from 0
// at which the distribution function reaches p, rounding or no rounding, so
// no count below a start given by the kernel reaches its p0: the table's
// answers are the kernel's. The Poisson kernel's answer is the least count
// reaching p wherever the distribution function rises with the count, which
// its search presumes, and there the same holds.
//
// Each is a class C with
//     static std::size_t footprint(Params...);  // bytes its table may take
//     explicit C(Params...);
//     double operator()(double p);              // the quantile kernel's value
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "quantile/conventions.hpp"
#include "quantile/count_table.hpp"

namespace quantora {

// The least p whose kernel answer may start a table: the far lower tail is
// left to the kernel (about one uniform p in four billion falls there), so
// that a table never grows some six standard deviations down for one tiny p.
constexpr double COUNT_TABLE_LOWEST = 0x1p-32;

class PoissonLaw {
public:
    explicit PoissonLaw(double rate) : rate_(rate) {}

    double cdf(std::int64_t k) const;
    double quantile(double p) const;
    // Counts a table may hold; 0 where no table applies.
    std::size_t capacity() const;

private:
    double rate_;
};

class BinomialLaw {
public:
    BinomialLaw(std::int64_t n_trials, double prob) : n_(n_trials), prob_(prob) {}

    double cdf(std::int64_t k) const;
    double quantile(double p) const;
    std::size_t capacity() const;

private:
    std::int64_t n_;
    double prob_;
};

// The time a call may spend growing its table: a share of the time its
// kernel calls have taken, the classic balance of renting and buying. An
// entry is added only where its expected cost (the mean of those before it,
// or of a kernel call before the first) fits the budget, so that a call takes
// about 1 + SHARE times as long as the kernel alone at most, and its first
// elements are never delayed.
class GrowthBudget {
public:
    static constexpr double SHARE = 0.25;

    bool affords_entry() const {
        const Time expected = entries_ > 0 ? table_time_ / entries_ : kernel_time_ / kernel_calls_;
        return table_time_ + expected <= kernel_time_ * SHARE;
    }

    template <class Kernel>
    double kernel(Kernel kernel) {
        const auto start = Clock::now();
        const double value = kernel();
        kernel_time_ += Clock::now() - start;
        kernel_calls_ += 1;
        return value;
    }

    template <class Entry>
    void entry(Entry entry) {
        const auto start = Clock::now();
        entry();
        table_time_ += Clock::now() - start;
        entries_ += 1;
    }

private:
    using Clock = std::chrono::steady_clock;
    using Time = std::chrono::duration<double>;

    Time kernel_time_{0};
    Time table_time_{0};
    double kernel_calls_ = 0;
    double entries_ = 0;
};

template <class Law>
class CountQuantiles {
public:
    // Two growing vectors may each hold twice what they use.
    template <class... Params>
    static std::size_t footprint(Params... params) {
        return Law(params...).capacity() * 2 * sizeof(double);
    }

    template <class... Params>
    explicit CountQuantiles(Params... params) : law_(params...), capacity_(law_.capacity()) {}

    double operator()(double p) {
        if (covered(p)) return static_cast<double>(table_->least_reaching(p));
        // Outside (0, 1) the kernel answers at once.
        if (!(p > 0 && p < 1)) return law_.quantile(p);
        while (growing() && budget_.affords_entry()) budget_.entry([this] { grow(); });
        if (covered(p)) return static_cast<double>(table_->least_reaching(p));
        const double k = budget_.kernel([this, p] { return law_.quantile(p); });
        learn(p, k);
        return k;
    }

private:
    bool covered(double p) const { return table_ && table_->covers(p); }
    bool growing() const { return table_ ? table_->growing() : first_p0_ > 0; }

    void grow() {
        if (table_) {
            table_->grow([this](std::int64_t k) { return law_.cdf(k); });
        } else {
            table_.reset(new CountTable(first_p0_, first_start_, law_.cdf(first_start_), capacity_));
        }
    }

    // The kernel's answer k for p is where the table starts, or is offered
    // to it as a lower start.
    void learn(double p, double k) {
        if (capacity_ == 0 || p < COUNT_TABLE_LOWEST || !(k >= 0 && k < quantile_rules::COUNT_LIMIT)) return;
        const auto start = static_cast<std::int64_t>(k);
        if (table_) {
            table_->offer_start(p, start);
        } else if (first_p0_ == 0 || p < first_p0_) {
            first_p0_ = p;
            first_start_ = start;
        }
    }

    Law law_;
    std::size_t capacity_;
    std::unique_ptr<CountTable> table_;
    // Where the table will start, once its first value is paid for.
    double first_p0_ = 0;
    std::int64_t first_start_ = 0;
    GrowthBudget budget_;
};

using PoissonQuantiles = CountQuantiles<PoissonLaw>;
using BinomialQuantiles = CountQuantiles<BinomialLaw>;

}  // namespace quantora
