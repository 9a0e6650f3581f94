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

// A countdown for a loop: step() once per iteration polls every `interval`
// iterations. The default, INTERRUPT_INTERVAL, is a few milliseconds of the
// cheapest loop (one engine output or one elementary step per iteration);
// loops whose iterations cost more poll more often.
constexpr std::uint64_t INTERRUPT_INTERVAL = std::uint64_t{1} << 22;

class InterruptCountdown {
public:
    explicit InterruptCountdown(std::uint64_t interval = INTERRUPT_INTERVAL) : interval_(interval), left_(interval) {}

    void step() {
        if (--left_ == 0) {
            left_ = interval_;
            poll_interrupt();
        }
    }

private:
    std::uint64_t interval_;
    std::uint64_t left_;
};

}  // namespace quantora
