#pragma once
// The inverse of the regularized incomplete gamma function in x at one shape
// for many p, over lanes: the same first guesses and fixed updates as
// inc_gamma_inv, each lane refilled with the next element as soon as its own
// has finished (run_lagged_updates_lanes), so that the lanes stay busy while
// elements take from a few updates to all of them.
#include <cstddef>

#include "special/inc_gamma.hpp"
#include "special/inc_gamma_forms.hpp"
#include "special/lagged_updates.hpp"
#include "special/lanes.hpp"

namespace quantora {

namespace inc_gamma_forms {

// The elements' targets p on the lanes, and the update of every lane: the
// kernel at the iterate x, the density at the lagging iterate.
template <class L>
struct InverseElements {
    const GammaShape& shape;
    const double* p;
    L target = L(0.5);

    void take(int lane, std::size_t i) { target.set_lane(lane, p[i]); }
    void idle(int lane) { target.set_lane(lane, 0.5); }
    L update(L x, L lagging, typename L::Mask) {
        const double a = shape.a;
        const L density = density_of_log(a, lagging, log_kernel(lagging), shape.log_gamma);
        return halley_update(a, target, x, density, kernel_value(shape, x));
    }
};

}  // namespace inc_gamma_forms

// inc_gamma_inv(shape, p[i]) into out[i] for i < n, bit for bit.
template <class L>
void inc_gamma_inv_lanes(const GammaShape& shape, const double* p, double* out, std::size_t n) {
    run_inverse_lanes<inc_gamma_forms::INVERSE_UPDATES, L>(
        p, out, n, [&shape](double target) { return inc_gamma_inv_start(shape, target); },
        [&shape](const double* targets) { return inc_gamma_forms::InverseElements<L>{shape, targets}; });
}

}  // namespace quantora
