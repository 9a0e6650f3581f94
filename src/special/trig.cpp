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
constexpr int MAX_REDUCTIONS = 2;

template <typename Core>
double odd_shell(double x, Core core) {
    if (x != x) return NaN;
    if (near_zero(x)) return 0.0;
    return canonical(x < 0 ? -core(-x) : core(x));
}

double tan_core(double x) {
    // Reduction modulo pi; a single subtraction of floor(x/pi)*pi may leave a
    // residue above pi for huge x, so it is repeated once before giving up.
    for (int reductions = 0; x > PI; ++reductions) {
        if (reductions == MAX_REDUCTIONS) return NaN;
        x = x - floor_kernel(x / PI) * PI;
    }
    return trig_forms::tan_reduced(x);
}

// Once z^2 overflows the fraction is inf/inf, while tanh is 1 to the last bit.
double tanh_core(double z) {
    if (z * z == INF) return 1.0;
    return trig_forms::tanh_fraction(z);
}

}  // namespace

double tan_kernel(double x) { return odd_shell(x, tan_core); }

double atan_kernel(double x) { return odd_shell(x, trig_forms::atan_core<double>); }

double tanh_kernel(double z) { return odd_shell(z, tanh_core); }

}  // namespace quantora
