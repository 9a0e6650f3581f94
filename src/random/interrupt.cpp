#include "random/interrupt.hpp"

namespace quantora {

namespace {

InterruptPoll installed_poll = nullptr;

}  // namespace

void set_interrupt_poll(InterruptPoll poll) { installed_poll = poll; }

void poll_interrupt() {
    if (installed_poll != nullptr) installed_poll();
}

}  // namespace quantora
