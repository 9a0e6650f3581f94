// AVX2: two vectors of four lanes (one, three or four vectors are no faster).
// Compiled with -mavx2, never -mfma, and called only on processors that
// report AVX2.
#include "module/lane_kernels.hpp"
#include "special/lane_unit.hpp"

namespace quantora {

namespace {
struct Avx2 {};
}  // namespace

const LaneUnit& avx2_unit() {
    static constexpr module::ArrayTable arrays = module::array_table<Lanes<4, 2, Avx2>>();
    static constexpr LaneUnit unit = units::make_unit<Lanes<4, 2, Avx2>>("avx2", arrays.kernel);
    return unit;
}

}  // namespace quantora
