// The module entry. Registration order fixes the module's attribute order:
// densities, Engine with the random generators, distribution functions,
// quantiles.
#include <pybind11/pybind11.h>

#include "module/registry.hpp"
#include "random/interrupt.hpp"

namespace {

// Runs pending signal handlers; a handler that raises (Ctrl-C raises
// KeyboardInterrupt) unwinds the polling loop as that Python exception. Loops
// that run with the interpreter lock released take it for the check.
void raise_pending_signals() {
    pybind11::gil_scoped_acquire lock;
    if (PyErr_CheckSignals() != 0) throw pybind11::error_already_set();
}

}  // namespace

PYBIND11_MODULE(quantora, m) {
    m.doc() = "pybind11 wrapper for veldan/quantora";
    quantora::set_interrupt_poll(raise_pending_signals);
    quantora::module::register_densities(m);
    quantora::module::register_generators(m);
    quantora::module::register_cdfs(m);
    quantora::module::register_quantiles(m);
}
