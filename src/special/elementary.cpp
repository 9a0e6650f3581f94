// Logarithm, exponential, square root, floor and integer power, each a fixed
// algorithm on doubles so that every platform computes the same bits. The
// scalar kernels decide special values in their fixed order and pass the rest
// to the forms of elementary_forms.hpp, which the vector lanes share.
#include "special/elementary.hpp"

#include "special/constants.hpp"
#include "special/elementary_forms.hpp"

namespace quantora {

namespace {

constexpr double E = 2.718281828459045;
constexpr double TWO_63 = 9223372036854775808.0;

// e^n for |n| <= POWERS_REACH, each by pow_int_kernel.
struct PowersOfE {
    double value[2 * elementary::POWERS_REACH + 1];
    PowersOfE() {
        for (int n = -elementary::POWERS_REACH; n <= elementary::POWERS_REACH; ++n) {
            value[n + elementary::POWERS_REACH] = pow_int_kernel(E, n);
        }
    }
};

}  // namespace

namespace elementary {

const double* powers_of_e() {
    static const PowersOfE table;
    return table.value;
}

double power_of_e(double n) {
    if (n >= TWO_63) return pow_int_kernel(E, INT64_MAX);
    if (n < -TWO_63) return pow_int_kernel(E, INT64_MIN);
    return pow_int_kernel(E, static_cast<std::int64_t>(n));
}

}  // namespace elementary

double log_quotient_kernel(double z) { return elementary::log_quotient_form(z); }

double log_kernel(double x) {
    if (x != x) return NaN;
    if (x < 0) return NaN;
    if (x < EPS) return -INF;
    if (near_zero(x - 1)) return 0.0;
    if (x == INF) return INF;
    return elementary::log_form(x);
}

double exp_kernel(double x) {
    if (x != x) return NaN;
    if (x == -INF) return 0.0;
    if (near_zero(x)) return 1.0;
    if (x == INF) return INF;
    return elementary::exp_form(x);
}

double expm1_kernel(double x) {
    if (x != x) return NaN;
    return elementary::expm1_form(x);
}

// The special values are decided once, on entry: scaling an x above 4 by 1/4
// gives a finite value above 1 + EPS, which none of them matches.
double sqrt_kernel(double x) {
    if (x != x) return NaN;
    if (x < 0) return NaN;
    if (x == INF) return x;
    if (near_zero(x)) return 0.0;
    if (near_zero(1 - x)) return x;
    return elementary::sqrt_form(x);
}

double floor_kernel(double x) { return elementary::floor_form(x); }

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

double coef_times_log(double coef, double log_value) { return elementary::coef_times_log_form(coef, log_value); }

}  // namespace quantora
