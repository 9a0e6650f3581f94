#include "module/vectorized.hpp"

namespace quantora::module {

void register_quantiles(py::module_& m) {
    for_each_distribution([&](const auto& row) {
        using Row = std::decay_t<decltype(row)>;
        def_vectorized<Row::q>(m, std::string("q") + row.name, "p", row.params);
    });
}

}  // namespace quantora::module
