#pragma once
#include <limits>

namespace quantora {

// The one tolerance of every kernel: a value within EPS of a constant is that
// constant, and positive values below EPS count as zero.
constexpr double EPS = 2.220446049250313e-16;  // 2^-52

// The only error report of every kernel: the quiet NaN 0x7FF8000000000000.
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

}  // namespace quantora
