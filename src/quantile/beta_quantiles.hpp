#pragma once
// The beta, F and t quantiles at fixed parameters for many p, each the quantile
// kernel's own value: what depends on the shapes alone, ln B of the
// incomplete beta function's shapes and the lower tail at the least
// subnormal, is found once rather than at every update of the inverse and
// every evaluation of the distribution function that checks it. The kernels
// themselves answer through these classes.
//
// Each is a class C with
//     static std::size_t footprint(Params...);  // 0: nothing is allocated
//     explicit C(Params...);
//     double operator()(double p) const;        // the quantile kernel's value
//
// The beta and F classes also take a block of n elements at once,
//     template <class L>
//     void block(double* out, std::size_t n, const Column<L>& p) const;
// where the inverses of the incomplete beta function of all elements that
// reach it run together on lanes (inc_beta_inv_lanes); each element is then
// finished on its own, as inside(p) finishes it.
#include <cstddef>

#include "cdf/beta_laws.hpp"
#include "quantile/inverse_blocks.hpp"
#include "special/inc_beta.hpp"
#include "special/inc_beta_inverse.hpp"
#include "special/lanes.hpp"

namespace quantora {

class BetaQuantiles {
public:
    static std::size_t footprint(double, double);
    BetaQuantiles(double a, double b);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at finite a, b > 0.
    double inside(double p) const;

    template <class L>
    void block(double* out, std::size_t n, const Column<L>& p) const {
        quantile_blocks::inverse_block(*this, out, n, p, [this](const double* argument, double* root, std::size_t k) {
            inc_beta_inv_lanes<L>(shape(), argument, root, k);
        });
    }

    // Whether p takes inside(); the inverse's shapes and argument, and the
    // quantile from the inverse's root r.
    bool inverts(double p) const;
    const BetaShape& shape() const;
    double inverse_argument(double p) const;
    double finish(double p, double r) const;

private:
    BetaShape shape_;
    double tail_at_smallest_;
};

class FQuantiles {
public:
    static std::size_t footprint(double, double);
    FQuantiles(double df1, double df2);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at finite df1, df2 >= EPS.
    double inside(double p) const;

    template <class L>
    void block(double* out, std::size_t n, const Column<L>& p) const {
        quantile_blocks::inverse_block(*this, out, n, p, [this](const double* argument, double* root, std::size_t k) {
            inc_beta_inv_lanes<L>(shape(), argument, root, k);
        });
    }

    // Whether p takes inside(); the inverse's shapes and argument, and the
    // quantile from the inverse's root r.
    bool inverts(double p) const;
    const BetaShape& shape() const;
    double inverse_argument(double p) const;
    double finish(double p, double r) const;

private:
    cdf_detail::FShape shape_;
    cdf_detail::FShape reversed_;
    double tail_at_smallest_;
};

class TQuantiles {
public:
    static std::size_t footprint(double) { return 0; }
    explicit TQuantiles(double dof);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at a finite dof >= EPS.
    double inside(double p) const;

private:
    cdf_detail::TShape shape_;
};

}  // namespace quantora
