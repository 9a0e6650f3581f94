#include "quantile/count_table.hpp"

#include <algorithm>

namespace quantora {

namespace {

// The largest double below 1: a table that reaches it covers every p < 1.
constexpr double BELOW_ONE = 0x1.fffffffffffffp-1;

}  // namespace

CountTable::CountTable(double p0, std::int64_t start, double value, std::size_t capacity)
    : capacity_(capacity),
      start_(start),
      above_{value},
      lowest_(p0),
      pending_p0_(p0),
      pending_start_(start),
      // A NaN value leaves a table that covers nothing and does not grow.
      rising_(value == value && value < BELOW_ONE),
      sinking_(value == value) {}

std::int64_t CountTable::least_reaching(double p) const {
    if (!below_.empty() && p <= below_.front()) {
        const auto reaching = std::partition_point(below_.begin(), below_.end(), [p](double v) { return v >= p; });
        return start_ - (reaching - below_.begin());
    }
    return start_ + (std::lower_bound(above_.begin(), above_.end(), p) - above_.begin());
}

void CountTable::offer_start(double p0, std::int64_t start) {
    if (!(p0 < lowest_) || start > first()) return;
    if (start == first()) {
        lowest_ = p0;
    } else if (!falling() || p0 > pending_p0_) {
        pending_p0_ = p0;
        pending_start_ = start;
    }
}

void CountTable::add_below(double value) {
    const double floor = below_.empty() ? above_.front() : below_.back();
    if (!(value <= floor)) {
        // The run breaks: no lower start can be reached.
        sinking_ = false;
        return;
    }
    below_.push_back(value);
    if (first() == pending_start_) lowest_ = pending_p0_;
}

void CountTable::add_above(double value) {
    if (!(value >= above_.back())) {
        rising_ = false;
        return;
    }
    above_.push_back(value);
    rising_ = value < BELOW_ONE;
}

}  // namespace quantora
