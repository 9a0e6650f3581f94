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
#include <cstddef>
#include <cstdint>

#include "special/bits.hpp"
#include "special/constants.hpp"
#include "special/inverse_start.hpp"
#include "special/lanes.hpp"

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

// The result of one update on lanes: the next iterates, and the lanes whose
// update stops instead (their current iterate is final).
template <class L>
struct LaneStep {
    L next;
    typename L::Mask stop;
};

// An update that never stops may return its next iterates alone.
template <class L>
LaneStep<L> as_step(L next) {
    return {next, (next != next) & (next == next)};
}

template <class L>
LaneStep<L> as_step(LaneStep<L> step) {
    return step;
}

// The same updates on lanes, one element per lane: queued elements i (at most
// 65535) start from start[i] and end in out[i], with the bits of
// run_lagged_updates. A lane whose element is done (its updates counted out,
// or its final iterate read off a recurring pair) takes up the next element
// at once, so the lanes stay busy although elements need from one update to
// all of them. The element's own data lives in `elements`:
//
//     void take(int lane, std::size_t i);  // lane now carries element i
//     void idle(int lane);                 // lane carries none (its data must stay in range)
//     L update(L x, L lagging, typename L::Mask first);  // x_i from x_(i-1), x_(i-2) on every lane
//
// where `first` marks the lanes at their element's first update; an update
// that can stop returns a LaneStep<L> instead, and a lane that stops ends its
// element with x_(i-1), as run_lagged_updates does. The
// iterates of every lane go into a ring of the last RING steps, enough to
// look back over a full period and the pair before it.
template <int Count, class L, class Elements>
void run_lagged_updates_lanes(const std::uint16_t* queue, std::size_t queued, const double* start, double* out,
                              Elements& elements) {
    constexpr int RING = 32;
    static_assert(RING >= MAX_PERIOD + 2 && (RING & (RING - 1)) == 0, "the ring reaches back a period and a pair");
    // An idle lane iterates on this, inside every form's range.
    constexpr double IDLE = 0.5;
    L ring[RING];
    // Updates done on each lane's element; -infinity on an idle lane, which
    // then never counts out nor matches a pair.
    L steps(-INF);
    std::size_t element[L::SIZE];
    std::size_t taken = 0;
    int busy = 0;
    int now = 0;
    ring[0] = L(IDLE);
    const auto back = [&ring, &now](int j) { return ring[(now - j) & (RING - 1)]; };
    // Lane l takes the next queued element, or falls idle.
    const auto take_next = [&](int l) {
        if (taken == queued) {
            ring[now].set_lane(l, IDLE);
            steps.set_lane(l, -INF);
            elements.idle(l);
            return false;
        }
        element[l] = queue[taken++];
        ring[now].set_lane(l, start[element[l]]);
        steps.set_lane(l, 0.0);
        elements.take(l, element[l]);
        return true;
    };
    for (int l = 0; l < L::SIZE; ++l) busy += take_next(l);

    while (busy > 0) {
        const auto first = steps == 0.0;
        const LaneStep<L> step = as_step<L>(elements.update(back(0), select(first, back(0), back(1)), first));
        const L next = step.next;
        now = (now + 1) & (RING - 1);
        ring[now] = next;
        steps = steps + 1.0;
        // An idle lane's steps stay at -infinity.
        const auto stopped = step.stop & (steps > 0.0);

        // The smallest period j at which the pair (x_i, x_(i-1)) recurs, as
        // in run_lagged_updates; the pair before x_0 is (x_0, x_0).
        L period(0.0);
        for (int j = 1; j <= MAX_PERIOD; ++j) {
            const L earlier_before = select(steps > static_cast<double>(j), back(j + 1), back(j));
            const auto recurs = (steps >= static_cast<double>(j)) & same_bits(next, back(j)) &
                                same_bits(back(1), earlier_before) & (period == 0.0);
            period = select(recurs, L(static_cast<double>(j)), period);
        }
        const auto done = stopped | (steps >= static_cast<double>(Count)) | (period > 0.0);
        if (!any(done)) continue;
        for (int l = 0; l < L::SIZE; ++l) {
            if (!done.lane(l)) continue;
            // x_(i-1) where the update stopped; x_Count once counted out;
            // else, as in run_lagged_updates, x_(i-j+r) with
            // r = (Count - (i - j)) mod j, which lies j - r back.
            const int i = static_cast<int>(steps.lane(l));
            const int j = static_cast<int>(period.lane(l));
            const int lag = stopped.lane(l) ? 1 : (i >= Count ? 0 : j - (Count - (i - j)) % j);
            out[element[l]] = back(lag).lane(l);
            busy -= !take_next(l);
        }
    }
}

// An inverse over lanes, out[i] for p[i], i < n: start(p) decides the
// elements that need no update and gives the others their first guess;
// their updates then run as one stream per block, on the elements that
// elements_for(p + begin) gives for the block's targets.
template <int Count, class L, class Start, class ElementsFor>
void run_inverse_lanes(const double* p, double* out, std::size_t n, Start start, ElementsFor elements_for) {
    constexpr std::size_t BLOCK = 512;
    for (std::size_t begin = 0; begin < n; begin += BLOCK) {
        const std::size_t count = n - begin < BLOCK ? n - begin : BLOCK;
        double first[BLOCK];
        std::uint16_t queue[BLOCK];
        std::size_t queued = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const InverseStart s = start(p[begin + i]);
            if (!s.updates) {
                out[begin + i] = s.value;
                continue;
            }
            first[i] = s.value;
            queue[queued++] = static_cast<std::uint16_t>(i);
        }
        auto elements = elements_for(p + begin);
        run_lagged_updates_lanes<Count, L>(queue, queued, first, out + begin, elements);
    }
}

}  // namespace quantora
