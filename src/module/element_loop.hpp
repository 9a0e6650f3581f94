#pragma once
// The loop over the elements of one call: a visit per element of the result,
// in its memory order, with each argument's element at hand. A long loop runs
// with the interpreter lock released, so that other Python threads run
// meanwhile, and takes it back briefly now and then to poll for a user
// interrupt.
#include <pybind11/pybind11.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "module/broadcast.hpp"
#include "random/interrupt.hpp"

namespace quantora::module {

// Below this many elements a loop ends before another thread could make use of
// the lock; releasing it would only add the cost of taking it back.
inline constexpr py::ssize_t UNLOCKED_FROM = 512;

// A loop looks at the clock every CLOCK_STRIDE elements and polls once
// POLL_PERIOD has passed since its last poll. Polls are paced by time, not by
// a count of elements, since an element costs from nanoseconds to
// milliseconds: a count that suits the cheapest kernel would leave Ctrl-C
// waiting for minutes behind the dearest, and one that suits the dearest would
// take the lock back every few microseconds, each time waiting for any other
// thread that holds it.
inline constexpr std::uint64_t CLOCK_STRIDE = 1024;
inline constexpr std::chrono::milliseconds POLL_PERIOD{50};

// The interpreter lock for the duration of one call's loops.
class LoopLock {
public:
    explicit LoopLock(py::ssize_t elements) {
        if (elements >= UNLOCKED_FROM) released_.emplace();
    }

    // Polls for an interrupt when the period has passed, holding the lock for
    // the poll alone. The poll may raise; the lock is then held again as the
    // error leaves the call.
    void pause() {
        if (!released_) {
            poll_interrupt();
            return;
        }
        if (std::chrono::steady_clock::now() - last_poll_ < POLL_PERIOD) return;
        {
            py::gil_scoped_acquire locked;
            poll_interrupt();
        }
        last_poll_ = std::chrono::steady_clock::now();
    }

private:
    std::optional<py::gil_scoped_release> released_;
    std::chrono::steady_clock::time_point last_poll_ = std::chrono::steady_clock::now();
};

// One element of an argument; a flag is any non-zero byte.
template <class T>
T load(const char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <>
inline bool load<bool>(const char* at) {
    return *at != 0;
}

template <std::size_t N>
using Positions = std::array<const char*, N>;

template <std::size_t N>
using Steps = std::array<py::ssize_t, N>;

// Calls visit_run(positions, steps, count) for consecutive runs of the plan's
// result, in memory order: count elements from positions on, each argument
// advancing by its step (in bytes) from one element to the next. Runs end
// with a row and after every CLOCK_STRIDE elements, where lock.pause() is
// called.
template <std::size_t N, class VisitRun>
void walk_runs(const Plan& plan, const Positions<N>& start, LoopLock& lock, VisitRun&& visit_run) {
    const std::size_t dims = plan.extent.size();
    if (dims == 0) {  // one element, every extent 1
        visit_run(start, Steps<N>{}, py::ssize_t{1});
        return;
    }
    const std::size_t outer = dims - 1;
    Steps<N> inner_step;
    std::copy_n(&plan.strides[outer * N], N, inner_step.begin());
    std::vector<py::ssize_t> index(outer, 0);
    Positions<N> row = start;
    std::uint64_t until_pause = CLOCK_STRIDE;
    for (;;) {
        Positions<N> at = row;
        py::ssize_t left = plan.extent[outer];
        while (left > 0) {
            const auto run = static_cast<py::ssize_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(left), until_pause));
            visit_run(at, inner_step, run);
            for (std::size_t k = 0; k < N; ++k) at[k] += inner_step[k] * run;
            left -= run;
            until_pause -= static_cast<std::uint64_t>(run);
            if (until_pause == 0) {
                lock.pause();
                until_pause = CLOCK_STRIDE;
            }
        }
        // The next row: an odometer over the outer dimensions.
        std::size_t d = outer;
        for (;;) {
            if (d == 0) return;
            --d;
            const py::ssize_t* step = &plan.strides[d * N];
            for (std::size_t k = 0; k < N; ++k) row[k] += step[k];
            if (++index[d] < plan.extent[d]) break;
            for (std::size_t k = 0; k < N; ++k) row[k] -= step[k] * plan.extent[d];
            index[d] = 0;
        }
    }
}

// Calls visit(positions) once per element of the plan's result, in memory
// order, and lock.pause() after every CLOCK_STRIDE elements.
template <std::size_t N, class Visit>
void walk(const Plan& plan, const Positions<N>& start, LoopLock& lock, Visit&& visit) {
    walk_runs(plan, start, lock, [&visit](Positions<N> at, const Steps<N>& steps, py::ssize_t count) {
        // A local copy, which the compiler may keep in registers across kernel calls.
        const Steps<N> step = steps;
        for (py::ssize_t i = 0; i < count; ++i) {
            visit(at);
            for (std::size_t k = 0; k < N; ++k) at[k] += step[k];
        }
    });
}

}  // namespace quantora::module
