// The module entry. Registration order fixes the module's attribute order:
// densities, Engine with the random generators, distribution functions,
// quantiles.
#include <pybind11/pybind11.h>

#include <string>

#include "module/registry.hpp"
#include "random/interrupt.hpp"
#ifdef QUANTORA_LANE_CHECKS
#include "special/lane_unit.hpp"
#endif

namespace {

// Runs pending signal handlers; a handler that raises (Ctrl-C raises
// KeyboardInterrupt) unwinds the polling loop as that Python exception. Loops
// that run with the interpreter lock released take it for the check.
void raise_pending_signals() {
    pybind11::gil_scoped_acquire lock;
    if (PyErr_CheckSignals() != 0) throw pybind11::error_already_set();
}

#ifdef QUANTORA_LANE_CHECKS
// Test builds only: the vector units this processor runs, narrowest first,
// and a way to make every array call run on a given one (None restores the
// choice), so that the tests can compare each unit with the scalar kernels.
void register_lane_checks(pybind11::module_& m) {
    m.def("_lane_units", [] {
        const quantora::LaneUnit* units[8];
        const int count = quantora::runnable_lane_units(units, 8);
        pybind11::list names;
        for (int u = 0; u < count; ++u) names.append(units[u]->name);
        return names;
    });
    m.def("_force_lane_unit", [](const pybind11::object& name) {
        const quantora::LaneUnit* units[8];
        const int count = quantora::runnable_lane_units(units, 8);
        const quantora::LaneUnit* chosen = nullptr;
        for (int u = 0; u < count && !name.is_none(); ++u) {
            if (name.cast<std::string>() == units[u]->name) chosen = units[u];
        }
        if (!name.is_none() && chosen == nullptr) throw pybind11::value_error("no such lane unit on this processor");
        quantora::force_lane_unit(chosen);
    });
}
#endif

}  // namespace

PYBIND11_MODULE(quantora, m) {
    m.doc() = "pybind11 wrapper for veldan/quantora";
    quantora::set_interrupt_poll(raise_pending_signals);
    quantora::module::register_densities(m);
    quantora::module::register_generators(m);
    quantora::module::register_cdfs(m);
    quantora::module::register_quantiles(m);
#ifdef QUANTORA_LANE_CHECKS
    register_lane_checks(m);
#endif
}
