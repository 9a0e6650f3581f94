#pragma once
// A fixed number of updates x_i = update(x_(i-1), x_(i-2)), where the update
// reads the current iterate and the one before it (the first update sees x_0
// twice). Such a sequence is determined by its last pair of iterates, so once a
// pair recurs the iterates repeat with that period to the end, and the final
// iterate can be read off the cycle: the same bits as running every update,
// with a fraction of the work where the iteration settles early. Iterations
// near a root in floating point often end in a cycle of a few iterates;
// cycles up to MAX_PERIOD long are recognised, at MAX_PERIOD bit comparisons
// of pairs per update, cheap beside an update.
#include "special/bits.hpp"

namespace quantora {

// The result of one update: the next iterate, or a stop that makes the current
// iterate final.
struct LaggedStep {
    double next;
    bool stop;
};

inline LaggedStep step_to(double next) { return {next, false}; }
inline LaggedStep stop_here() { return {0.0, true}; }

constexpr int MAX_PERIOD = 16;

template <int Count, class Update>
double run_lagged_updates(double x0, Update update) {
    double x[Count + 1];
    x[0] = x0;
    const auto before = [&x](int k) { return x[k >= 1 ? k - 1 : 0]; };
    for (int i = 1; i <= Count; ++i) {
        const LaggedStep step = update(x[i - 1], before(i - 1));
        if (step.stop) return x[i - 1];
        x[i] = step.next;
        for (int j = 1; j <= MAX_PERIOD && i - j >= 0; ++j) {
            if (same_bits(x[i], x[i - j]) && same_bits(before(i), before(i - j))) {
                return x[i - j + (Count - (i - j)) % j];
            }
        }
    }
    return x[Count];
}

}  // namespace quantora
