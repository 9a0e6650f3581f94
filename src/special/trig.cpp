// Tangent, arc tangent and hyperbolic tangent. Each is odd: the shell handles
// NaN, tiny arguments and the sign, and a core works on x >= EPS with a
// continued fraction whose depth grows with the argument, or a short series
// near the tangent's pole and for large arc-tangent arguments.
#include "special/trig.hpp"

#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/trig_forms.hpp"

namespace quantora {

namespace {

constexpr double PI = 3.141592653589793;
constexpr double HALF_PI = 1.5707963267948966;
constexpr double TAN_AT_POLE = 1.633124e+16;
constexpr int MAX_REDUCTIONS = 2;

template <typename Core>
double odd_shell(double x, Core core) {
    if (x != x) return NaN;
    if (near_zero(x)) return 0.0;
    return canonical(x < 0 ? -core(-x) : core(x));
}

// -cot z = -1/z + z/3 + z^3/45 + 2z^5/945 + z^7/4725, summed from the smallest term.
double tan_near_pole(double x) {
    const double z = x - HALF_PI;
    if (near_zero(z)) return TAN_AT_POLE;
    const double w = z * z;
    const double z3 = w * z;
    const double z5 = (w * w) * z;
    const double z7 = (w * w) * (w * z);
    return (((z7 / 4725 + (z5 + z5) / 945) + z3 / 45) + z / 3) - 1 / z;
}

// Lambert: tan x = x/(1 - x^2/(3 - x^2/(5 - ...))), T(j) = (2j - 1) - w/T(j + 1),
// T(K) = 2K - 1, deeper for arguments nearer the pole.
double tan_fraction(double x) {
    const double w = x * x;
    const int depth = x > 1.4 ? 45 : (x > 1 ? 35 : 25);
    double level = 2.0 * depth - 1;
    for (int j = depth - 1; j >= 2; --j) level = static_cast<double>(2 * j - 1) - w / level;
    return x / (1 - w / level);
}

double tan_core(double x) {
    // Reduction modulo pi; a single subtraction of floor(x/pi)*pi may leave a
    // residue above pi for huge x, so it is repeated once before giving up.
    for (int reductions = 0; x > PI; ++reductions) {
        if (reductions == MAX_REDUCTIONS) return NaN;
        x = x - floor_kernel(x / PI) * PI;
    }
    if (1.55 < x && x < 1.6) return tan_near_pole(x);
    return tan_fraction(x);
}

// atan x = pi/2 - 1/x + 1/(3x^3) - 1/(5x^5) + ..., in pairs
// 1/((4k-5) q_k) - 1/((4k-3) q_k w) with q_2 = x^3 and q_(k+1) = w q_k w,
// summed from the smallest pair upward.
double atan_series(double x, double w) {
    const int pairs = x < 3 ? 10 : x < 4 ? 9 : x < 5 ? 8 : x < 7 ? 7 : x < 11 ? 6
                    : x < 25 ? 5 : x < 100 ? 4 : x < 1000 ? 3 : 2;
    double q[11];
    q[2] = (x * x) * x;
    for (int k = 3; k <= pairs; ++k) q[k] = (w * q[k - 1]) * w;
    double sum = 0;
    for (int k = pairs; k >= 2; --k) {
        const double term = 1 / (static_cast<double>(4 * k - 5) * q[k])
                          - 1 / ((static_cast<double>(4 * k - 3) * q[k]) * w);
        sum = k == pairs ? term : sum + term;
    }
    return sum + (HALF_PI - 1 / x);
}

// atan x = x/(1 + x^2/(3 + 4x^2/(5 + 9x^2/(7 + ...)))), A(j) = j^2 w/A(j + 1) + (2j - 1).
double atan_fraction(double x, double w) {
    const int depth = x < 0.5 ? 15 : x < 1 ? 25 : x < 1.5 ? 35 : x < 2 ? 45 : 52;
    double level = 2.0 * depth - 1;
    for (int j = depth - 1; j >= 2; --j) {
        level = (static_cast<double>(j * j) * w) / level + static_cast<double>(2 * j - 1);
    }
    return x / (w / level + 1);
}

double atan_core(double x) {
    const double w = x * x;
    return x > 2.5 ? atan_series(x, w) : atan_fraction(x, w);
}

// Once z^2 overflows the fraction is inf/inf, while tanh is 1 to the last bit.
double tanh_core(double z) {
    if (z * z == INF) return 1.0;
    return trig_forms::tanh_fraction(z);
}

}  // namespace

double tan_kernel(double x) { return odd_shell(x, tan_core); }

double atan_kernel(double x) { return odd_shell(x, atan_core); }

double tanh_kernel(double z) { return odd_shell(z, tanh_core); }

}  // namespace quantora
