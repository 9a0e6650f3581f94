#include "special/saddle_point.hpp"

#include "special/constants.hpp"
#include "special/gamma.hpp"
#include "special/log_scale.hpp"

namespace quantora {

namespace {

constexpr double LN_SQRT_2PI = 0.9189385332046728;
constexpr double SMALLEST_NORMAL = 2.2250738585072014e-308;

// stirling_error(k/2) for k = 0 .. 30, each the double nearest the exact value
// (the entry for 0 is never read).
constexpr int HALVES = 31;
constexpr double ERROR_AT_HALVES[HALVES] = {
    0.0,
    0.15342640972002736,  0.08106146679532726,   0.05481412105191765,   0.0413406959554093,
    0.03316287351993629,  0.02767792568499834,   0.023746163656297496,  0.020790672103765093,
    0.018488450532673187, 0.016644691189821193,  0.015134973221917378,  0.013876128823070748,
    0.012810465242920227, 0.01189670994589177,   0.011104559758206917,  0.010411265261972096,
    0.009799416126158804, 0.009255462182712733,  0.008768700134139386,  0.00833056343336287,
    0.00793411456431402,  0.007573675487951841,  0.007244554301320383,  0.00694284010720953,
    0.006665247032707682, 0.006408994188004207,  0.006171712263039458,  0.0059513701127588475,
    0.0057462165130101155, 0.005554733551962801,
};
constexpr double TABLE_END = 15;

// The asymptotic series 1/(12n) - 1/(360n^3) + 1/(1260n^5) - 1/(1680n^7) +
// 1/(1188n^9), cut after fewer terms as n grows: beyond 15 the first omitted
// term is below 3e-16 of the sum with all five, beyond 35 with four, beyond 80
// with three, beyond 500 with two.
constexpr double SERIES[5] = {1.0 / 12, 1.0 / 360, 1.0 / 1260, 1.0 / 1680, 1.0 / 1188};

double stirling_series(double n) {
    const int terms = n > 500 ? 2 : (n > 80 ? 3 : (n > 35 ? 4 : 5));
    const double nn = n * n;
    double s = SERIES[terms - 1];
    for (int k = terms - 2; k >= 0; --k) s = SERIES[k] - s / nn;
    return s / n;
}

// Terms of 2x (v^3/3 + v^5/5 + ...) kept for |v| < 1/10: the ninth term is
// below 1e-17 of the leading (x - m) v.
constexpr int DEVIANCE_SERIES_ORDER = 9;
constexpr double DEVIANCE_SERIES_REACH = 0.1;

}  // namespace

double stirling_error(double n) {
    if (n != n || n < 0) return NaN;
    if (n == 0) return INF;
    if (n > TABLE_END) return stirling_series(n);
    const double twice = n + n;
    const int k = static_cast<int>(twice);
    if (static_cast<double>(k) == twice) return ERROR_AT_HALVES[k];
    return ((lgamma_kernel(n + 1) - (n + 0.5) * log_value(n)) + n) - LN_SQRT_2PI;
}

namespace {

// x ln(x/m) + m - x with d = x - m.
double deviance_core(double x, double m, double d) {
    if (x == 0) return m;
    if (abs_value(d) < DEVIANCE_SERIES_REACH * (x + m)) {
        // x ln(x/m) = 2x atanh(v) with v = (x - m)/(x + m), and 2xv - (x - m) = (x - m) v.
        const double v = d / (x + m);
        const double vv = v * v;
        double power = (x + x) * v;
        double sum = d * v;
        for (int j = 1; j <= DEVIANCE_SERIES_ORDER; ++j) {
            power = power * vv;
            sum = sum + power / static_cast<double>(2 * j + 1);
        }
        return sum;
    }
    const double ratio = x / m;
    const double log_ratio =
        (ratio >= SMALLEST_NORMAL && ratio != INF) ? log_value(ratio) : log_value(x) - log_value(m);
    return (x * log_ratio + m) - x;
}

}  // namespace

double deviance(double x, double m) {
    if (x != x || m != m || x < 0 || !(m > 0)) return NaN;
    return deviance_core(x, m, x - m);
}

double deviance_from_difference(double x, double d, double m) {
    constexpr double NEAR = 0.1;
    if (!(abs_value(d) < NEAR * x)) return deviance(x, m);
    if (x != x || d != d) return NaN;
    return deviance_core(x, x - d, d);
}

}  // namespace quantora
