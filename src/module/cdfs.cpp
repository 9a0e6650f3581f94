#include "module/vectorized.hpp"

namespace quantora::module {

void register_cdfs(py::module_& m) {
    for_each_distribution([&](const auto& row) {
        using Row = std::decay_t<decltype(row)>;
        def_vectorized<Row::p>(m, std::string("p") + row.name, "x", row.params, py::arg("log_p") = false);
    });
}

}  // namespace quantora::module
