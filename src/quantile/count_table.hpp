#pragma once
// A count law's distribution function tabulated over consecutive counts, for
// many quantiles at the same parameters: the least count whose value reaches
// p is then a binary search of the table, where the quantile kernel searches
// the counts with an evaluation of the distribution function at every step.
//
// The table starts at a count the kernel gave as its answer for some p0: no
// count below it reaches p0, so none reaches any p >= p0. It holds F(first),
// ..., F(last), each the law's own distribution function, and only ever a
// non-decreasing run of them: a value that breaks the run, or a NaN, stops
// the table's growth on that side. Over such a run the first count whose
// value is at least p is the least count reaching p, for every p the table
// covers: from p0 up to its last value, and below 1.
//
// The table grows both ways: up towards the values near 1, and down to a
// lower start, the kernel's answer for a smaller p0, from which it then
// covers. Of the starts offered it keeps the nearest, so that every few
// counts it adds widen what it covers.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quantora {

class CountTable {
public:
    // The table of the one count `start`, the kernel's answer for p0, whose
    // value is `value`; it grows to `capacity` counts at most.
    CountTable(double p0, std::int64_t start, double value, std::size_t capacity);

    bool covers(double p) const { return p >= lowest_ && p <= above_.back() && p < 1; }

    // Requires covers(p).
    std::int64_t least_reaching(double p) const;

    // Records `start`, the kernel's answer for p0, as a lower start.
    void offer_start(double p0, std::int64_t start);

    bool growing() const { return room() && (rising() || falling()); }

    // Adds the value of one more count, cdf(count): down while a lower start
    // is pending (each p below the table costs a kernel call, and the start
    // is near), else up.
    template <class Cdf>
    void grow(Cdf cdf) {
        if (falling()) {
            add_below(cdf(first() - 1));
        } else {
            add_above(cdf(start_ + static_cast<std::int64_t>(above_.size())));
        }
    }

private:
    std::int64_t first() const { return start_ - static_cast<std::int64_t>(below_.size()); }
    bool room() const { return below_.size() + above_.size() < capacity_; }
    bool rising() const { return rising_; }
    bool falling() const { return sinking_ && pending_p0_ < lowest_; }
    void add_below(double value);
    void add_above(double value);

    std::size_t capacity_;
    std::int64_t start_;
    // F(start - 1), F(start - 2), ...: non-increasing.
    std::vector<double> below_;
    // F(start), F(start + 1), ...: non-decreasing.
    std::vector<double> above_;
    // The least p covered.
    double lowest_;
    // The nearest lower start not reached yet, if pending_p0_ < lowest_.
    double pending_p0_;
    std::int64_t pending_start_;
    // Whether the run may still grow up, and down.
    bool rising_;
    bool sinking_;
};

}  // namespace quantora
