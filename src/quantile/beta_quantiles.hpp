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
        constexpr std::size_t BLOCK = 512;
        constexpr double STANDARD[2] = {0.0, 1.0};
        const Column<L> mu{reinterpret_cast<const char*>(&STANDARD[0]), true};
        const Column<L> sigma{reinterpret_cast<const char*>(&STANDARD[1]), true};
        for (std::size_t begin = 0; begin < n; begin += BLOCK) {
            const std::size_t count = n - begin < BLOCK ? n - begin : BLOCK;
            double tail[BLOCK];
            double deviate[BLOCK];
            std::size_t element[BLOCK];
            std::size_t normal = 0;
            for (std::size_t i = begin; i < begin + count; ++i) {
                const double T = normal_tail(p.value(i));
                if (T != T) {
                    out[i] = (*this)(p.value(i));
                    continue;
                }
                tail[normal] = T;
                element[normal++] = i;
            }
            QnormLanes{}(deviate, normal, Column<L>{reinterpret_cast<const char*>(tail), false}, mu, sigma);
            for (std::size_t k = 0; k < normal; ++k) out[element[k]] = finish(p.value(element[k]), deviate[k]);
        }
    }

    // The tail T whose normal deviate inside(p) takes, or NaN where it takes none.
    double normal_tail(double p) const;
    // inside(p) given that deviate, qnorm(T, 0, 1) (NaN where it takes none).
    double finish(double p, double normal_deviate) const;

private:
    cdf_detail::TShape shape_;
};

}  // namespace quantora
