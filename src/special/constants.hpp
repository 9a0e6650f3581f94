#pragma once
#include <limits>

namespace quantora {

// 2^-52, the gap between 1 and the next double. The kernels resolve nothing
// finer: two values closer than this are treated as equal, so an argument of
// smaller magnitude behaves as 0 (its logarithm is -infinity).
constexpr double EPS = 2.220446049250313e-16;

// Invalid input yields this NaN, with a clear sign bit (0x7FF8000000000000).
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

// The one NaN a kernel returns. A NaN made by arithmetic (0 * infinity,
// infinity - infinity) carries a sign bit that depends on the processor and
// even on the optimisation level, so results pass through this before they leave.
inline double canonical(double v) { return v != v ? NaN : v; }

// A zero result is reported as +0: -0 is an artefact of the arithmetic, not a
// value of a distribution.
inline double plus_zero(double v) { return v == 0 ? 0.0 : v; }

// Plain comparisons, so that no kernel needs the platform's math library.
inline bool is_nan(double v) { return v != v; }
inline bool is_infinite(double v) { return v == INF || v == -INF; }
inline double abs_value(double v) { return v < 0 ? -v : v; }

// |v| below the kernels' resolution EPS, zero included.
inline bool near_zero(double v) { return v == 0 || abs_value(v) < EPS; }

// Degrees of freedom of the F and t laws short of their limits: from EPS,
// below which the laws are undefined, to the chi-squared and normal limits
// at infinity.
inline bool finite_dof(double dof) { return dof >= EPS && dof < INF; }

// Both at +infinity or both at -infinity.
inline bool same_infinity(double a, double b) {
    return (a == INF && b == INF) || (a == -INF && b == -INF);
}

}  // namespace quantora
