#pragma once

namespace quantora {

// Where an inverse runs its updates, and from which first guess; elsewhere
// (p at or beyond the ends of [0, 1], NaN, a degenerate shape) its value.
struct InverseStart {
    bool updates;
    double value;
};

}  // namespace quantora
