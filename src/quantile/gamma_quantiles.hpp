#pragma once
// The chi-squared, gamma and inverse-gamma quantiles at fixed parameters for
// many p, each the quantile kernel's own value: what depends on the shape
// alone, ln Gamma of the shape, is found once rather than at every update of
// the inverse and every evaluation of the distribution function that checks
// it. The kernels themselves answer through these classes.
//
// Each is a class C with
//     static std::size_t footprint(Params...);  // 0: nothing is allocated
//     explicit C(Params...);
//     double operator()(double p) const;        // the quantile kernel's value
//     template <class L>
//     void block(double* out, std::size_t n, const Column<L>& p) const;  // the same for n elements
//
// inside(p) is finish(p, r) for r the inverse of the incomplete gamma
// function at the class's shape and inverse_argument(p) (NaN where the inverse
// is not trusted). Over a block, the inverses of all elements that reach it
// run together on lanes (inc_gamma_inv_lanes); then each element is finished
// on its own.
#include <cstddef>

#include "quantile/inverse_blocks.hpp"
#include "special/inc_gamma.hpp"
#include "special/inc_gamma_inverse.hpp"
#include "special/lanes.hpp"

namespace quantora {

namespace gamma_quantile_detail {

// The inverse of the incomplete gamma function over lanes.
struct GammaInverse {
    template <class L>
    static void run(const GammaShape& shape, const double* p, double* out, std::size_t n) {
        inc_gamma_inv_lanes<L>(shape, p, out, n);
    }
};

template <class Quantiles>
using InverseBlocks = quantile_blocks::InverseBlocks<Quantiles, GammaInverse>;

}  // namespace gamma_quantile_detail

class ChisqQuantiles : public gamma_quantile_detail::InverseBlocks<ChisqQuantiles> {
public:
    static std::size_t footprint(double);
    explicit ChisqQuantiles(double dof);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at 0 < dof < infinity.
    double inside(double p) const;

    // Whether p takes inside() with a trusted inverse; that inverse's shape
    // and argument, and the quantile from the inverse's root r.
    bool inverts(double p) const;
    const GammaShape& shape() const;
    double inverse_argument(double p) const;
    double finish(double p, double r) const;

private:
    double dof_;
    GammaShape half_;
};

class GammaQuantiles : public gamma_quantile_detail::InverseBlocks<GammaQuantiles> {
public:
    static std::size_t footprint(double, double);
    GammaQuantiles(double shape, double scale);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at a finite shape > 0 and a finite scale >= EPS.
    double inside(double p) const;

    // Whether p takes inside() with a trusted inverse; that inverse's shape
    // and argument, and the quantile from the inverse's root r.
    bool inverts(double p) const;
    const GammaShape& shape() const;
    double inverse_argument(double p) const;
    double finish(double p, double r) const;

private:
    bool regular() const;

    GammaShape shape_;
    double scale_;
};

class InvGammaQuantiles : public gamma_quantile_detail::InverseBlocks<InvGammaQuantiles> {
public:
    static std::size_t footprint(double, double);
    InvGammaQuantiles(double shape, double scale);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at a finite shape > 0 and a finite scale > 0.
    double inside(double p) const;

    // Whether p takes inside() with a trusted inverse; that inverse's shape
    // and argument, and the quantile from the inverse's root r.
    bool inverts(double p) const;
    const GammaShape& shape() const;
    double inverse_argument(double p) const;
    double finish(double p, double r) const;

private:
    bool regular() const;

    GammaShape shape_;
    double scale_;
};

}  // namespace quantora
