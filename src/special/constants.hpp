#pragma once
#include <limits>

namespace quantora {

// The one tolerance of every kernel: a value within EPS of a constant is that
// constant, and positive values below EPS count as zero.
constexpr double EPS = 2.220446049250313e-16;  // 2^-52

// The only error report of every kernel: the quiet NaN 0x7FF8000000000000.
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

// Plain comparisons, so that no kernel needs the platform's math library.
inline bool is_nan(double v) { return v != v; }
inline bool is_infinite(double v) { return v == INF || v == -INF; }
inline double abs_value(double v) { return v < 0 ? -v : v; }

// v is indistinguishable from 0: exactly 0 or below EPS in magnitude.
inline bool near_zero(double v) { return v == 0 || abs_value(v) < EPS; }

// Both at +infinity or both at -infinity.
inline bool same_infinity(double a, double b) {
    return (a == INF && b == INF) || (a == -INF && b == -INF);
}

}  // namespace quantora
