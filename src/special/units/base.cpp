// The vector unit every processor of the target has: SSE2 on x86-64, the
// 2-lane unit on aarch64. Four vectors of two lanes: while one vector's
// division waits on the previous level of its fraction, the others' run
// (on SSE2 the logarithm takes 0.6 and the exponential 0.8 of the time of
// two vectors).
#include "module/lane_kernels.hpp"
#include "special/lane_unit.hpp"

namespace quantora {

namespace {
struct Base {};
}  // namespace

const LaneUnit& base_unit() {
    static constexpr module::ArrayTable arrays = module::array_table<Lanes<2, 4, Base>>();
    static constexpr LaneUnit unit = units::make_unit<Lanes<2, 4, Base>>("base", arrays.kernel);
    return unit;
}

}  // namespace quantora
