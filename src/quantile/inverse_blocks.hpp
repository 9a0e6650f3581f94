#pragma once
// A block of quantiles at fixed parameters whose elements mostly pass through
// an inverse that runs on lanes: a class C answers
//     bool inverts(double p) const;                // whether p takes the inverse
//     double inverse_argument(double p) const;     // its argument
//     double finish(double p, double r) const;     // the quantile from its root r
//     double operator()(double p) const;           // the quantile elsewhere
// and invert(argument, root, count) runs the inverse over the elements that
// take it, all together; each element is then finished on its own.
#include <cstddef>
#include <cstdint>

#include "special/lanes.hpp"

namespace quantora::quantile_blocks {

template <class L, class C, class Invert>
void inverse_block(const C& c, double* out, std::size_t n, const Column<L>& column, Invert invert) {
    constexpr std::size_t BLOCK = 512;
    for (std::size_t begin = 0; begin < n; begin += BLOCK) {
        const std::size_t count = n - begin < BLOCK ? n - begin : BLOCK;
        double argument[BLOCK];
        double root[BLOCK];
        std::uint16_t element[BLOCK];
        std::size_t inverted = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const double p = column.value(begin + i);
            if (!c.inverts(p)) {
                out[begin + i] = c(p);
                continue;
            }
            argument[inverted] = c.inverse_argument(p);
            element[inverted++] = static_cast<std::uint16_t>(i);
        }
        invert(argument, root, inverted);
        for (std::size_t k = 0; k < inverted; ++k) {
            const std::size_t i = begin + element[k];
            out[i] = c.finish(column.value(i), root[k]);
        }
    }
}

// The block form of quantile classes whose inverse is Inverse::run<L>(shape,
// arguments, roots, count) at the class's shape():
//     template <class L> void block(double* out, std::size_t n, const Column<L>& p) const;
template <class Quantiles, class Inverse>
class InverseBlocks {
public:
    template <class L>
    void block(double* out, std::size_t n, const Column<L>& column) const {
        const Quantiles& c = static_cast<const Quantiles&>(*this);
        inverse_block(c, out, n, column, [&c](const double* argument, double* root, std::size_t k) {
            Inverse::template run<L>(c.shape(), argument, root, k);
        });
    }
};

}  // namespace quantora::quantile_blocks
