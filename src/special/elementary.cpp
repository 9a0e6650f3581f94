// Logarithm, exponential, square root, floor and integer power, each a fixed
// algorithm on doubles so that every platform computes the same bits.
#include "special/elementary.hpp"

#include "special/constants.hpp"

namespace quantora {

namespace {

// ln k rounded to double, indexed by the leading decimal digit k = 2..10 of the
// mantissa; slot 1 is ln 1 = 0 and slot 0 is never read.
constexpr double LN_TABLE[11] = {
    0.0,
    0.0,
    0.6931471805599453,
    1.0986122886681098,
    1.3862943611198906,
    1.6094379124341003,
    1.791759469228055,
    1.9459101490553132,
    2.0794415416798357,
    2.1972245773362196,
    2.302585092994046,
};
constexpr double LN_10 = 2.302585092994046;
constexpr double E = 2.718281828459045;

// Both continued fractions are cut at this level and summed from it upward.
constexpr int FRACTION_DEPTH = 25;
constexpr int SQRT_MAX_UPDATES = 100;

// ln g through z = (g - 1)/(g + 1), so that g = (1 + z)/(1 - z).
double log_ratio(double g) { return log_quotient_kernel((g - 1) / (g + 1)); }

// e^x = 1/(1 - x/(1 + x - (x/2)/(1 + x/2 - (x/3)/(...)))):
// C(j) = (x/(j-1) + 1) - (x/j) / C(j + 1), C(25) = 1. Accurate for |x| < 2.
double exp_fraction(double x) {
    double level = 1.0;
    for (int j = FRACTION_DEPTH - 1; j >= 2; --j) {
        level = (x / static_cast<double>(j - 1) + 1) - (x / static_cast<double>(j)) / level;
    }
    return 1 / (1 - x / level);
}

// Decimal mantissa in [1, 10], one rounded multiplication or division per decade.
double decimal_mantissa(double y) {
    while (y < 1 || y > 10) y = y < 1 ? y * 10 : y / 10;
    return y;
}

std::int64_t decimal_exponent(double y, std::int64_t n) {
    while (y < 1 || y > 10) {
        if (y < 1) {
            y = y * 10;
            --n;
        } else {
            y = y / 10;
            ++n;
        }
    }
    return n;
}

// Truncation toward zero; only called for |x| < 2^63, where it is exact.
double trunc_(double x) { return static_cast<double>(static_cast<std::int64_t>(x)); }

constexpr double TWO_63 = 9223372036854775808.0;

}  // namespace

// ln((1+z)/(1-z)) = 2z / (1 - z^2/(3 - 4z^2/(5 - 9z^2/(7 - ...)))), with w = z^2:
// L(j) = (2j - 1) - j^2 w / L(j + 1), L(25) = 49.
double log_quotient_kernel(double z) {
    const double w = z * z;
    double level = 2.0 * FRACTION_DEPTH - 1;
    for (std::int64_t j = FRACTION_DEPTH - 1; j >= 2; --j) {
        level = static_cast<double>(2 * j - 1) - static_cast<double>(j * j) * w / level;
    }
    return (z + z) / (1 - w / level);
}

double log_kernel(double x) {
    if (x != x) return NaN;
    if (x < 0) return NaN;
    if (x < EPS) return -INF;
    if (near_zero(x - 1)) return 0.0;
    if (x == INF) return INF;
    if (0.5 <= x && x <= 1.5) return log_ratio(x);

    double m;
    std::int64_t e;
    if (x < 1) {
        m = decimal_mantissa(x * 10);
        e = decimal_exponent(x * 10, -1);
    } else if (x > 10) {
        m = decimal_mantissa(x / 10);
        e = decimal_exponent(x / 10, 1);
    } else {
        m = x;
        e = 0;
    }
    const std::int64_t k = static_cast<std::int64_t>(m);
    double part = log_ratio(m / static_cast<double>(k));
    part = part + LN_TABLE[k];
    return static_cast<double>(e) * LN_10 + part;
}

double exp_kernel(double x) {
    if (x != x) return NaN;
    if (x == -INF) return 0.0;
    if (near_zero(x)) return 1.0;
    if (x == INF) return INF;
    if (abs_value(x) < 2) return exp_fraction(x);

    // x = n + r with |r| < 2; n saturates at the ends of the 64-bit range,
    // where e^n is already 0 or infinity.
    const double f = floor_kernel(x);
    double r = x - f;
    const double s = x > 0 ? 1.0 : -1.0;
    double n_real = f;
    if (r != 0 && r >= 0.5) {
        n_real = f + s;
        r = r - s;
    }
    std::int64_t n;
    if (n_real >= TWO_63) {
        n = INT64_MAX;
    } else if (n_real < -TWO_63) {
        n = INT64_MIN;
    } else {
        n = static_cast<std::int64_t>(n_real);
    }
    return exp_fraction(r) * pow_int_kernel(E, n);
}

double expm1_kernel(double x) {
    if (x != x) return NaN;
    if (x != 0 && abs_value(x) > 1e-4) return exp_kernel(x) - 1;
    // Taylor polynomial of fifth order, Horner form from the top.
    double s = (x * x) / 120;
    s = s + x / 24;
    s = s * x;
    s = s + x / 6;
    s = s * x;
    s = s + x * 0.5;
    s = s * x;
    s = s + x;
    return s;
}

double sqrt_kernel(double x) {
    // Arguments above 4 are scaled by 1/4 and the root by 2 until they are at
    // most 4; Newton's iteration then converges from y = x/2.
    double m = 1.0;
    for (;;) {
        if (x != x) return NaN;
        if (x < 0) return NaN;
        if (x == INF) return x;
        if (near_zero(x)) return 0.0;
        if (near_zero(1 - x)) return x;
        if (!(x > 4)) break;
        x = x * 0.25;
        m = 2 * m;
    }
    double y = x * 0.5;
    // The test divides by y + 1: absolute for small arguments, relative for large.
    for (int update = 0;; ++update) {
        const double q = x / y;
        if (abs_value(y - q) / (y + 1) < EPS || update == SQRT_MAX_UPDATES) break;
        y = (y + q) * 0.5;
    }
    return m * y;
}

double floor_kernel(double x) {
    if (x != x) return NaN;
    if (x == INF || x == -INF) return x;
    if (x == 0) return x;
    if (abs_value(x) < EPS) return x;
    // Every double of magnitude 2^63 or more is an integer already.
    if (abs_value(x) >= TWO_63) return x;
    const double t = trunc_(x);
    if (x < 0 && t > x) return t - 1;
    return t;
}

double pow_int_kernel(double base, std::int64_t n) {
    if (n == 3) return (base * base) * base;
    if (n == 2) return base * base;
    if (n == 1) return base;
    if (n == 0) return 1.0;
    if (n == INT64_MIN) return 0.0;
    if (n == INT64_MAX) return INF;
    if (n < 0) return 1 / pow_int_kernel(base, -n);
    // Square and multiply from the low bit.
    double acc = (n & 1) ? base : 1.0;
    double b = base * base;
    std::int64_t k = n >> 1;
    while (k > 1) {
        if (k & 1) acc = b * acc;
        b = b * b;
        k = k >> 1;
    }
    return k == 1 ? b * acc : acc;
}

bool any_posinf(double a, double b) { return a == INF || b == INF; }

bool any_posinf(double a, double b, double c) { return a == INF || b == INF || c == INF; }

double coef_times_log(double coef, double log_value) {
    if (coef == 0 && log_value == -INF) return 0.0;
    // The other products without a value (0 times +infinity, infinity times 0)
    // give the canonical NaN, not the processor's default one.
    const double product = coef * log_value;
    return product != product ? NaN : product;
}

}  // namespace quantora
