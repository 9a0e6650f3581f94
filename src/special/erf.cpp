// The error function by two continued fractions, and its inverse by a
// polynomial first guess refined by a fixed number of Halley-type updates.
#include "special/erf.hpp"

#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/erf_forms.hpp"
#include "special/lagged_updates.hpp"
#include "special/log_scale.hpp"

namespace quantora {

using namespace erf_forms;

double erf_kernel(double x) {
    if (x != x) return NaN;
    if (x == INF) return 1.0;
    if (x == -INF) return -1.0;
    if (near_zero(x)) return 0.0;
    return erf_form(x, exp_kernel((-x) * x));
}

ErfAndWeight<double> erf_and_weight(double x) {
    const double weight = exp_kernel((-x) * x);
    if (x != x || is_infinite(x) || near_zero(x)) return {erf_kernel(x), weight};
    return {erf_form(x, weight), weight};
}

double erfcx_kernel(double x) {
    if (x != x) return NaN;
    if (x > LARGE_ARGUMENT) return erfc_scaled(x);
    // Here erfc x = 1 - erf x is at least 0.003 and loses nothing to the difference.
    return exp_value(x * x) * (1 - erf_kernel(x));
}

double erf_inv_kernel(double p) {
    if (p != p) return NaN;
    if (p != 0 && abs_value(p) > 1) return NaN;
    if (near_zero(1 - p)) return INF;
    if (near_zero(p + 1)) return -INF;

    // The weight of the iterate before the current one is the exponential
    // that the previous update's error function computed; the first update
    // sees x0 twice and takes its own.
    double lagging_weight = 0.0;
    bool first = true;
    return run_lagged_updates<REFINEMENTS>(erf_inv_start(p), [p, &lagging_weight, &first](double x, double) {
        const ErfAndWeight<double> e = erf_and_weight(x);
        const double d = first ? e.weight : lagging_weight;
        first = false;
        lagging_weight = e.weight;
        return step_to(erf_inv_next(x, e.value, d, p));
    });
}

}  // namespace quantora
