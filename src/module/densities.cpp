#include "module/vectorized.hpp"

namespace quantora::module {

void register_densities(py::module_& m) {
    for_each_distribution([&](const auto& row) {
        using Row = std::decay_t<decltype(row)>;
        def_vectorized<Row::d>(m, std::string("d") + row.name, "x", row.params, py::arg("log") = false);
    });
}

}  // namespace quantora::module
