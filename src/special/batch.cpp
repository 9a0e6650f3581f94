#include "special/batch.hpp"

#include "special/lane_unit.hpp"

namespace quantora {

namespace {

// The widest unit that both this build and this processor have. The
// compiler's run-time support asks the processor, and also checks that the
// operating system saves the wide registers.
const LaneUnit& widest_unit() {
#if defined(QUANTORA_AVX2_UNIT) || defined(QUANTORA_AVX512_UNIT)
    __builtin_cpu_init();
#endif
#ifdef QUANTORA_AVX512_UNIT
    if (__builtin_cpu_supports("avx512f")) return avx512_unit();
#endif
#ifdef QUANTORA_AVX2_UNIT
    if (__builtin_cpu_supports("avx2")) return avx2_unit();
#endif
    return base_unit();
}

#ifdef QUANTORA_LANE_CHECKS
const LaneUnit* forced_unit = nullptr;
#endif

}  // namespace

const LaneUnit& chosen_lane_unit() {
#ifdef QUANTORA_LANE_CHECKS
    if (forced_unit != nullptr) return *forced_unit;
#endif
    static const LaneUnit& unit = widest_unit();
    return unit;
}

#ifdef QUANTORA_LANE_CHECKS
int runnable_lane_units(const LaneUnit* units[], int capacity) {
    int count = 0;
    const auto add = [&](const LaneUnit& unit) {
        if (count < capacity) units[count++] = &unit;
    };
    add(base_unit());
#if defined(QUANTORA_AVX2_UNIT) || defined(QUANTORA_AVX512_UNIT)
    __builtin_cpu_init();
#endif
#ifdef QUANTORA_AVX2_UNIT
    if (__builtin_cpu_supports("avx2")) add(avx2_unit());
#endif
#ifdef QUANTORA_AVX512_UNIT
    if (__builtin_cpu_supports("avx512f")) add(avx512_unit());
#endif
    return count;
}

void force_lane_unit(const LaneUnit* unit) { forced_unit = unit; }
#endif

void exp_batch(const double* in, double* out, std::size_t n) { chosen_lane_unit().exp(in, out, n); }
void log_batch(const double* in, double* out, std::size_t n) { chosen_lane_unit().log(in, out, n); }
void expm1_batch(const double* in, double* out, std::size_t n) { chosen_lane_unit().expm1(in, out, n); }
void sqrt_batch(const double* in, double* out, std::size_t n) { chosen_lane_unit().sqrt(in, out, n); }
void erf_batch(const double* in, double* out, std::size_t n) { chosen_lane_unit().erf(in, out, n); }
void erfcx_batch(const double* in, double* out, std::size_t n) { chosen_lane_unit().erfcx(in, out, n); }
void erf_inv_batch(const double* in, double* out, std::size_t n) { chosen_lane_unit().erf_inv(in, out, n); }
void tanh_batch(const double* in, double* out, std::size_t n) { chosen_lane_unit().tanh(in, out, n); }
void atan_batch(const double* in, double* out, std::size_t n) { chosen_lane_unit().atan(in, out, n); }
void tan_batch(const double* in, double* out, std::size_t n) { chosen_lane_unit().tan(in, out, n); }

}  // namespace quantora
