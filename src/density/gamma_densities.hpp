#pragma once
// The gamma, chi-squared and inverse-gamma densities at fixed parameters for
// many x, each the density kernel's own value: ln Gamma of the shape, the
// logarithm of the scale and the rest of the log-density that depends on the
// parameters alone are found once. The kernels themselves answer through
// these classes.
//
// Each is a class C with
//     static std::size_t footprint(Params...);  // 0: nothing is allocated
//     explicit C(Params...);
//     double operator()(double x, bool log) const;  // the density kernel's value
//     template <class L> L lanes(L x, bool log) const;  // the same over lanes (LiteralLanes)
// The log-density is first formed as the plain sum of logarithms its formula
// states (literal(), written once over the number type); where the bound on
// that sum's rounding keeps the margin of kept results it gives the value, and
// elsewhere the kernel takes the saddle-point form of the Poisson mass, one
// element at a time.
#include <cstddef>

#include "density/conventions.hpp"
#include "density/log_density.hpp"
#include "special/elementary_forms.hpp"
#include "special/lanes.hpp"
#include "special/log_scale_forms.hpp"

namespace quantora {

namespace gamma_density_detail {

// The lane form of the classes below, for x over lanes: the kept literal where
// x is finite and positive, the class's own value one element at a time
// elsewhere, and everywhere at parameters that leave no literal.
template <class Density>
class LiteralLanes {
public:
    template <class L>
    L lanes(L x, bool log) const {
        const Density& density = static_cast<const Density&>(*this);
        const auto scalar = [&density, log](double v) { return density(v, log); };
        if (!density.regular_) return each_lane(scalar, x);
        return kept_or_scalar(
            (x > 0.0) & (x < INF),
            [&density, log](L v) { return density_rules::kept_density(density.literal(v), log); }, scalar, x);
    }
};

}  // namespace gamma_density_detail

class GammaDensities : public gamma_density_detail::LiteralLanes<GammaDensities> {
public:
    static std::size_t footprint(double, double);
    GammaDensities(double shape, double scale);
    double operator()(double x, bool log) const;
    // The density for finite x > 0 at a finite shape > 0 and finite scale >= EPS.
    double inside(double x, bool log) const;

private:
    friend class gamma_density_detail::LiteralLanes<GammaDensities>;

    // -ln Gamma(k) - k ln scale, then + (k - 1) ln x - x/scale.
    template <class T>
    density_rules::LogSumOf<T> literal(T x) const {
        return density_rules::continued<T>(head_)
            .plus(coef_times_log(T(shape_ - 1), log_value(x)))
            .minus(x / scale_);
    }

    double shape_;
    double scale_;
    bool regular_;
    density_rules::LogSum head_;
};

class ChisqDensities : public gamma_density_detail::LiteralLanes<ChisqDensities> {
public:
    static std::size_t footprint(double);
    explicit ChisqDensities(double dof);
    double operator()(double x, bool log) const;
    // The density for finite x > 0 at a finite dof > 0.
    double inside(double x, bool log) const;

private:
    friend class gamma_density_detail::LiteralLanes<ChisqDensities>;

    // -ln Gamma(k) - k ln 2, then + (k - 1) ln x - x/2, k = dof/2.
    template <class T>
    density_rules::LogSumOf<T> literal(T x) const {
        return density_rules::continued<T>(head_)
            .plus(coef_times_log(T(half_ - 1), log_value(x)))
            .minus(x * 0.5);
    }

    double dof_;
    double half_;
    bool regular_;
    density_rules::LogSum head_;
};

class InvGammaDensities : public gamma_density_detail::LiteralLanes<InvGammaDensities> {
public:
    static std::size_t footprint(double, double);
    InvGammaDensities(double shape, double scale);
    double operator()(double x, bool log) const;
    // The density for finite x > 0 at a finite shape > 0 and finite scale > 0.
    double inside(double x, bool log) const;

private:
    friend class gamma_density_detail::LiteralLanes<InvGammaDensities>;

    // k ln scale - ln Gamma(k), then - (k + 1) ln x - scale/x.
    template <class T>
    density_rules::LogSumOf<T> literal(T x) const {
        return density_rules::continued<T>(head_).plus(log_value(x) * (-shape_ - 1)).minus(scale_ / x);
    }

    double shape_;
    double scale_;
    bool regular_;
    density_rules::LogSum head_;
};

}  // namespace quantora
