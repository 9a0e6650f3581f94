#pragma once
// The inverse of the regularized incomplete beta function in x at one pair of
// shapes for many p, over lanes: the same first guesses and fixed updates as
// inc_beta_inv, each lane refilled with the next element as soon as its own
// has finished or its density weight has vanished (run_lagged_updates_lanes).
#include <cstddef>

#include "special/inc_beta.hpp"
#include "special/inc_beta_forms.hpp"
#include "special/lagged_updates.hpp"
#include "special/lanes.hpp"

namespace quantora {

namespace inc_beta_forms {

// The elements' targets p on the lanes, and the update of every lane: the
// kernel at the iterate x, the density at the lagging iterate, which stops
// the lanes where it vanishes.
template <class L>
struct InverseElements {
    const BetaShape& shape;
    const double* p;
    L target = L(0.5);

    void take(int lane, std::size_t i) { target.set_lane(lane, p[i]); }
    void idle(int lane) { target.set_lane(lane, 0.5); }
    LaneStep<L> update(L x, L lagging, typename L::Mask) {
        const L density = beta_density(shape, lagging);
        return {halley_update(shape, target, x, density, kernel_value(shape, x)), stops(density)};
    }
};

}  // namespace inc_beta_forms

// inc_beta_inv(shape, p[i]) into out[i] for i < n, bit for bit.
template <class L>
void inc_beta_inv_lanes(const BetaShape& shape, const double* p, double* out, std::size_t n) {
    run_inverse_lanes<inc_beta_forms::INVERSE_UPDATES, L>(
        p, out, n, [&shape](double target) { return inc_beta_inv_start(shape, target); },
        [&shape](const double* targets) { return inc_beta_forms::InverseElements<L>{shape, targets}; });
}

}  // namespace quantora
