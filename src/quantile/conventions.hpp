#pragma once
// Shared by the quantile kernels: the valid range of p and the range of counts.
#include <cstdint>
#include <limits>

namespace quantora::quantile_rules {

inline bool invalid_probability(double p) { return p != p || p < 0 || p > 1; }

constexpr std::int64_t COUNT_MAX = std::numeric_limits<std::int64_t>::max();
// 2^63, the first double that no longer fits a signed 64-bit count.
constexpr double COUNT_LIMIT = 9223372036854775808.0;

}  // namespace quantora::quantile_rules
