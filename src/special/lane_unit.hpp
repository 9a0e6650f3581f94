#pragma once
// A vector unit's batch kernels. Each unit is compiled in a file of its own
// under units/, with that unit's target flags, and hands out its table of
// batch kernels; batch.cpp asks the processor which units it runs and
// dispatches to the widest.
#include <cstddef>

#include "special/elementary_forms.hpp"
#include "special/erf_forms.hpp"
#include "special/inc_beta.hpp"
#include "special/inc_beta_inverse.hpp"
#include "special/inc_gamma.hpp"
#include "special/inc_gamma_inverse.hpp"
#include "special/lanes.hpp"
#include "special/trig_forms.hpp"

namespace quantora {

using BatchKernel = void (*)(const double* in, double* out, std::size_t n);
// The inverses of the incomplete gamma and beta functions at one shape for n
// values of p (inc_gamma_inv_lanes, inc_beta_inv_lanes), the streams inside
// the gamma and beta families' quantiles.
using GammaInverseKernel = void (*)(const GammaShape& shape, const double* p, double* out, std::size_t n);
using BetaInverseKernel = void (*)(const BetaShape& shape, const double* p, double* out, std::size_t n);
// A d, p or q kernel over a run of n elements: one pointer and one step in
// bytes per argument (module/lane_kernels.hpp).
using ArrayKernel = void (*)(const char* const* args, const std::ptrdiff_t* steps, double* out, std::size_t n);

struct LaneUnit {
    const char* name;
    int lanes;
    BatchKernel exp;
    BatchKernel log;
    BatchKernel expm1;
    BatchKernel sqrt;
    BatchKernel erf;
    BatchKernel erfcx;
    BatchKernel erf_inv;
    BatchKernel tanh;
    BatchKernel atan;
    BatchKernel tan;
    GammaInverseKernel inc_gamma_inv;
    BetaInverseKernel inc_beta_inv;
    // Indexed by module::lane_slot.
    const ArrayKernel* arrays;
};

// The units compiled into this build; only base_unit() may be called on every
// processor, the others only after the processor has been asked.
const LaneUnit& base_unit();
#ifdef QUANTORA_AVX2_UNIT
const LaneUnit& avx2_unit();
#endif
#ifdef QUANTORA_AVX512_UNIT
const LaneUnit& avx512_unit();
#endif

// The unit the batch kernels run on.
const LaneUnit& chosen_lane_unit();

#ifdef QUANTORA_LANE_CHECKS
// Test builds only: every unit this processor can run, narrowest first, and a
// way to make the batch kernels run on a given one (nullptr restores the choice).
int runnable_lane_units(const LaneUnit* units[], int capacity);
void force_lane_unit(const LaneUnit* unit);
#endif

namespace units {

// Whole chunks of L::SIZE elements on the lanes, the remainder one by one.
template <class L, L (*Lane)(L), double (*Scalar)(double)>
void run_batch(const double* in, double* out, std::size_t n) {
    std::size_t i = 0;
    for (; i + L::SIZE <= n; i += L::SIZE) Lane(L::load(in + i)).store(out + i);
    for (; i < n; ++i) out[i] = Scalar(in[i]);
}

// The table of a unit whose lanes are L. The result is a constant: no code of
// a wide unit runs before the processor has been asked.
template <class L>
constexpr LaneUnit make_unit(const char* name, const ArrayKernel* arrays) {
    return {name,
            L::SIZE,
            run_batch<L, exp_kernel, exp_kernel>,
            run_batch<L, log_kernel, log_kernel>,
            run_batch<L, expm1_kernel, expm1_kernel>,
            run_batch<L, sqrt_kernel, sqrt_kernel>,
            run_batch<L, erf_kernel, erf_kernel>,
            run_batch<L, erfcx_kernel, erfcx_kernel>,
            erf_inv_lanes<L>,
            run_batch<L, tanh_kernel, tanh_kernel>,
            run_batch<L, atan_kernel, atan_kernel>,
            run_batch<L, tan_kernel, tan_kernel>,
            inc_gamma_inv_lanes<L>,
            inc_beta_inv_lanes<L>,
            arrays};
}

}  // namespace units
}  // namespace quantora
