#include "special/log_scale.hpp"

#include <cstdint>

#include "special/bits.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/log_scale_forms.hpp"

namespace quantora {

using namespace log_scale;

namespace {

constexpr double LN_2 = 0.6931471805599453;
constexpr double TWO_64 = 18446744073709551616.0;

// e^x rounds to 0 below half the smallest subnormal, 2^-1075.
constexpr double EXP_UNDERFLOW = -745.2;
// Scaling of the argument by 64 ln 2 moves e^x by the exact factor 2^64.
constexpr double SHIFT = 64;

constexpr double LN_HALF = -0.6931471805599453;
constexpr double SMALLEST_NORMAL = 2.2250738585072014e-308;

}  // namespace

double log_value(double x) {
    if (!(x < EPS) || x <= 0) return log_kernel(x);
    // Subnormals are first made normal by an exact factor 2^64.
    double y = x;
    std::int64_t shift = 0;
    if (y < 2.2250738585072014e-308) {
        y = y * TWO_64;
        shift = 64;
    }
    const std::uint64_t bits = double_pattern(y);
    const std::int64_t exponent = static_cast<std::int64_t>((bits >> 52) & 0x7FF) - 1023;
    const double mantissa = pattern_double((bits & 0x000FFFFFFFFFFFFFULL) | 0x3FF0000000000000ULL);
    return log_kernel(mantissa) + static_cast<double>(exponent - shift) * LN_2;
}

double exp_value(double x) {
    if (x != x) return NaN;
    if (x < EXP_KERNEL_LOWEST) {
        if (x < EXP_UNDERFLOW) return 0.0;
        // Where the kernel still has a value, it is kept.
        const double kernel = exp_kernel(x);
        if (kernel != 0) return kernel;
        return exp_kernel(x + SHIFT * LN_2) / TWO_64;
    }
    if (x >= EXP_KERNEL_HIGHEST && x != INF) return exp_kernel(x - SHIFT * LN_2) * TWO_64;
    return exp_kernel(x);
}

// For x < -1/2, 1 + x is exact; above 1/2 its rounding is relative.
double log1p_value(double x) {
    if (x != x || x < -1) return NaN;
    return log1p_form(x);
}

double log1m_exp(double x) {
    if (x != x || x > 0) return NaN;
    if (x > LN_HALF) return log_value(-expm1_kernel(x));
    return log1p_value(-exp_value(x));
}

double log_add_exp(double a, double b) {
    if (a != a || b != b) return NaN;
    const double hi = a > b ? a : b;
    const double lo = a > b ? b : a;
    if (hi == -INF) return -INF;
    if (hi == INF) return INF;
    return hi + log1p_value(exp_value(lo - hi));
}

double log_quotient(double numerator, double denominator) {
    const double quotient = numerator / denominator;
    if (quotient >= SMALLEST_NORMAL && quotient != INF) return log_value(quotient);
    return log_value(numerator) - log_value(denominator);
}

}  // namespace quantora
