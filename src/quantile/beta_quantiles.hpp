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
#include "quantile/closed_form_forms.hpp"
#include "quantile/inverse_blocks.hpp"
#include "special/inc_beta.hpp"
#include "special/inc_beta_inverse.hpp"
#include "special/lanes.hpp"

namespace quantora {

namespace beta_quantile_detail {

// The inverse of the incomplete beta function over lanes.
struct BetaInverse {
    template <class L>
    static void run(const BetaShape& shape, const double* p, double* out, std::size_t n) {
        inc_beta_inv_lanes<L>(shape, p, out, n);
    }
};

template <class Quantiles>
using InverseBlocks = quantile_blocks::InverseBlocks<Quantiles, BetaInverse>;

// The normal quantile's stream, standard, for the t quantile's approximation.
struct StandardNormalInverse {
    template <class L>
    static void run(const double* tail, double* deviate, std::size_t n) {
        constexpr double STANDARD[2] = {0.0, 1.0};
        const Column<L> mu{reinterpret_cast<const char*>(&STANDARD[0]), true};
        const Column<L> sigma{reinterpret_cast<const char*>(&STANDARD[1]), true};
        QnormLanes{}(deviate, n, Column<L>{reinterpret_cast<const char*>(tail), false}, mu, sigma);
    }
};

}  // namespace beta_quantile_detail

class BetaQuantiles : public beta_quantile_detail::InverseBlocks<BetaQuantiles> {
public:
    static std::size_t footprint(double, double);
    BetaQuantiles(double a, double b);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at finite a, b > 0.
    double inside(double p) const;

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

class FQuantiles : public beta_quantile_detail::InverseBlocks<FQuantiles> {
public:
    static std::size_t footprint(double, double);
    FQuantiles(double df1, double df2);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at finite df1, df2 >= EPS.
    double inside(double p) const;

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
    static std::size_t footprint(double);
    explicit TQuantiles(double dof);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at a finite dof >= EPS.
    double inside(double p) const;

    // The quantiles of n elements: the normal deviates that Hill's
    // approximation takes on its normal branch, over lanes for all of them at
    // once, then each element on its own.
    template <class L>
    void block(double* out, std::size_t n, const Column<L>& p) const {
        quantile_blocks::inverse_block(*this, out, n, p, [](const double* tail, double* deviate, std::size_t k) {
            beta_quantile_detail::StandardNormalInverse::run<L>(tail, deviate, k);
        });
    }

    // Whether inside(p) takes a normal deviate, and the tail T it takes it of.
    bool inverts(double p) const;
    double inverse_argument(double p) const;
    // inside(p) given that deviate, qnorm(T, 0, 1) (NaN where it takes none).
    double finish(double p, double normal_deviate) const;

private:
    // The tail T whose normal deviate inside(p) takes, or NaN where it takes none.
    double normal_tail(double p) const;

    cdf_detail::TShape shape_;
};

}  // namespace quantora
