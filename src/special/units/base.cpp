// The vector unit every processor of the target has: SSE2 on x86-64, the
// 2-lane unit on aarch64. Two vectors of two lanes: while one vector's
// division waits on the previous level of its fraction, the other's runs.
#include "special/lane_unit.hpp"

namespace quantora {

namespace {
struct Base {};
}  // namespace

const LaneUnit& base_unit() {
    static constexpr LaneUnit unit = units::make_unit<Lanes<2, 2, Base>>("base");
    return unit;
}

}  // namespace quantora
