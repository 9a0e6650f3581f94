#pragma once
// Calls that can run for seconds (long random draws, array fills, long
// searches) poll for a user interrupt every few million steps. The kernels do
// not know where an interrupt comes from: the binding layer installs the poll,
// which raises through the kernel's frames (the kernels hold no resources, so
// unwinding them is safe). Without an installed poll nothing happens.
#include <cstdint>

namespace quantora {

using InterruptPoll = void (*)();

// Installs the poll; called once, before any kernel runs.
void set_interrupt_poll(InterruptPoll poll);

// Calls the installed poll, if any.
void poll_interrupt();

// A countdown for a loop: step() once per iteration polls every
// INTERRUPT_INTERVAL iterations (a few milliseconds of the cheapest loop).
constexpr std::uint64_t INTERRUPT_INTERVAL = std::uint64_t{1} << 22;

class InterruptCountdown {
public:
    void step() {
        if (--left_ == 0) {
            left_ = INTERRUPT_INTERVAL;
            poll_interrupt();
        }
    }

private:
    std::uint64_t left_ = INTERRUPT_INTERVAL;
};

}  // namespace quantora
