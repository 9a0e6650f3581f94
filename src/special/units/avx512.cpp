// AVX-512: two vectors of eight lanes. Compiled with -mavx512f, and called
// only on processors that report AVX-512F.
#include "module/lane_kernels.hpp"
#include "special/lane_unit.hpp"

namespace quantora {

namespace {
struct Avx512 {};
}  // namespace

const LaneUnit& avx512_unit() {
    static constexpr module::ArrayTable arrays = module::array_table<Lanes<8, 2, Avx512>>();
    static constexpr LaneUnit unit = units::make_unit<Lanes<8, 2, Avx512>>("avx512", arrays.kernel);
    return unit;
}

}  // namespace quantora
