// Student t quantile: exact forms for one, two and infinitely many degrees of
// freedom; otherwise Hill's approximation on the two-tailed probability, with a
// Newton-type refinement on the small-tail branch. An approximation whose tail
// probability misses its target is replaced by the bisection root.
#include <limits>

#include "cdf/beta_laws.hpp"
#include "cdf/cdf.hpp"
#include "density/density.hpp"
#include "quantile/beta_quantiles.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/inc_beta.hpp"
#include "special/root_rule.hpp"
#include "special/trig.hpp"

namespace quantora {

using cdf_detail::t_probability;
using cdf_detail::TShape;

namespace {

constexpr double PI = 3.141592653589793;
// One unit in the last place above the double nearest sqrt(pi/2).
constexpr double SQRT_HALF_PI = 1.2533141373155003;
constexpr int REFINEMENT_STEPS = 6;
constexpr double LARGEST = std::numeric_limits<double>::max();

// y = (P d)^(2/n) lies above a + 0.05 where the t quantile is still close
// enough to normal for a corrected normal deviate x of the tail T; at or below
// it (and when y is NaN) the small-tail expansion is used and refined on the
// distribution function.
double normal_branch(double n, double a, double b, double g, double d, double x) {
    if (n < 5) {
        g = ((n - 4.5) * 0.3) * (x + 0.6) + g;
    }
    g = ((((x * 0.05) * d - 5) * x - 7) * x - 2) * x + (b + g);
    const double x2 = x * x;
    const double series = ((x2 * 0.4 + 6.3) * x2 + 36) * x2 + 94.5;
    double y = ((series / g - x2 - 3) / b + 1) * x;
    y = (y * a) * y;
    // e^y - 1, to fourth order where y is small.
    if (y > 0.1) {
        y = expm1_kernel(y);
    } else {
        y = (((y + 4) * y + 12) * (y * y)) / 24 + y;
    }
    return sqrt_kernel(y * n);
}

double small_tail_branch(const TShape& shape, double d, double y, double T) {
    const double n = shape.dof;
    const double t = (((n + 6) / (y * n) - d * 0.089 - 0.822) * (n + 2)) * 3;
    const double u = (1 / t + 0.5 / (n + 4)) * y - 1;
    y = ((n + 1) * u) / (n + 2) + 1 / y;
    double q = sqrt_kernel(y * n);
    // Newton steps on 1 - F(q) = T, each widened by the second-order factor
    // 1 + h q (n + 1) / (2 (q^2 + n)); a fixed count, no convergence test.
    for (int i = 0; i < REFINEMENT_STEPS; ++i) {
        const double F = t_probability(shape, q, false);
        const double h = ((1 - F) - T) / dt(q, n, false);
        const double s = q * q + n;
        q = ((((q * h) * (n + 1)) / (s + s)) + 1) * h + q;
    }
    return q;
}

// Hill's approximation of the magnitude q >= 0 whose upper tail probability
// is T = P/2, up to its choice of branch.
struct Hill {
    double T;
    double a;
    double b;
    double g;
    double d;
    double y;

    bool normal() const { return y > a + 0.05; }
};

Hill hill_start(double n, double P) {
    const double T = P * 0.5;
    const double a = 1 / (n - 0.5);
    const double b = 48 / (a * a);
    const double g = (((a * 20700) / b - 98) * a - 16) * a + 96.36;
    const double d = ((sqrt_kernel(a) * n) * SQRT_HALF_PI) * ((94.5 / (b + g) - 3) / b + 1);
    const double x = P * d;
    const double y = x < 0 ? NaN : exp_kernel(log_kernel(x) * (2 / n));
    return {T, a, b, g, d, y};
}

// The magnitude from the start, with normal_deviate = qnorm(T) on the normal branch.
double hill_finish(const TShape& shape, const Hill& h, double normal_deviate) {
    if (h.normal()) return normal_branch(shape.dof, h.a, h.b, h.g, h.d, normal_deviate);
    return small_tail_branch(shape, h.d, h.y, h.T);
}

// The magnitude y of the quantile whose tail pt(-y) is T, from a candidate
// r: r where it meets the quantile rule, else the least magnitude whose tail
// has come down to T, found by bisection over the doubles. The rule reads an
// increasing function of y: minus the tail, or, from T = 1/4 on, the central
// mass (1/2) I_u(1/2, dof/2), u = y^2/(y^2 + dof), against 1/2 - T (exact
// there), since near the median the tail rounds to within 2^-54 of 1/2.
constexpr double CENTRAL_TAIL = 0.25;

double central_mass(const TShape& shape, double y) {
    const double n = shape.dof;
    const double q = (n / y) / y;
    const double u = 1 / (1 + q);
    // Beyond u = 1/2 the tail is below 0.3 and 1/2 minus it rounds once.
    if (u <= 0.5) return inc_beta(shape.central, u, false) * 0.5;
    return 0.5 - t_probability(shape, -y, false);
}

double checked_magnitude(const TShape& shape, double r, double T) {
    const bool central = T >= CENTRAL_TAIL;
    const auto forward = [&shape, central](double y) {
        return central ? central_mass(shape, y) : -t_probability(shape, -y, false);
    };
    const double level = central ? 0.5 - T : -T;
    const double y = checked_quantile(r, level, 0.0, LARGEST, forward);
    // No double reaches: the quantile lies beyond them.
    return y == LARGEST && !(forward(LARGEST) >= level) ? INF : y;
}

// The two-tailed probability Hill's approximation starts from, and the tail
// T = P/2: below 1/2 the tail is p itself; above, 1 - p, exact there.
double two_tailed(double p) { return p < 0.5 ? p + p : (1 - p) + (1 - p); }

}  // namespace

std::size_t TQuantiles::footprint(double) { return 0; }

TQuantiles::TQuantiles(double dof) : shape_(cdf_detail::t_shape(dof)) {}

double TQuantiles::operator()(double p) const {
    const double n = shape_.dof;
    const bool regular = finite_dof(n) && p > 0 && p < 1;
    return regular ? inside(p) : qt(p, n);
}

double TQuantiles::inside(double p) const {
    const double n = shape_.dof;
    const bool hill = n != 1 && n != 2;
    const Hill h = hill ? hill_start(n, two_tailed(p)) : Hill{};
    return finish(p, hill && h.normal() ? qnorm(h.T, 0, 1) : NaN);
}

double TQuantiles::normal_tail(double p) const {
    const double n = shape_.dof;
    if (!(finite_dof(n) && p > 0 && p < 1) || n == 1 || n == 2) return NaN;
    const Hill h = hill_start(n, two_tailed(p));
    return h.normal() ? h.T : NaN;
}

bool TQuantiles::inverts(double p) const { return normal_tail(p) == normal_tail(p); }

double TQuantiles::inverse_argument(double p) const { return normal_tail(p); }

double TQuantiles::finish(double p, double normal_deviate) const {
    const double n = shape_.dof;
    const bool lower = p < 0.5;
    const double T = lower ? p : 1 - p;
    double r;
    if (n == 1) {
        r = tan_kernel((p - 0.5) * PI);
    } else if (n == 2) {
        r = ((p + p) - 1) / sqrt_kernel((1 - p) * (p + p));
    } else {
        r = hill_finish(shape_, hill_start(n, two_tailed(p)), normal_deviate);
    }
    const double magnitude = checked_magnitude(shape_, r < 0 ? -r : r, T);
    return lower ? plus_zero(-magnitude) : magnitude;
}

double qt(double p, double dof) {
    const double n = dof;
    if (n != n || n < EPS || p != p || p < 0 || p > 1) {
        return NaN;
    }
    if (p == 0) {
        return -INF;
    }
    if (p == 1) {
        return INF;
    }
    if (n == INF) {
        return qnorm(p, 0, 1);
    }
    return TQuantiles(n).inside(p);
}

}  // namespace quantora
