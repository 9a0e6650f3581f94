#pragma once
// The distribution functions of the gamma, chi-squared and inverse-gamma laws
// at fixed parameters for many x, each the kernel's own value: ln Gamma of the
// shape is found once.
//     static std::size_t footprint(Params...);  // 0: nothing is allocated
//     explicit C(Params...);
//     double operator()(double x, bool log_p) const;
//     template <class L> L lanes(L x, bool log_p) const;  // the same over lanes (GammaTailLanes)
// Over lanes the incomplete gamma function runs on every element at once
// where its kept value is the result; elements at the ends of the range, or
// whose value needs the careful tails, go to operator() one at a time. The
// array layer first sorts a block's elements by the method the function
// takes for them (method_of), so that a chunk of lanes runs one method.
#include <cstddef>

#include "cdf/gamma_tail.hpp"
#include "special/inc_gamma.hpp"
#include "special/lanes.hpp"

namespace quantora {

namespace cdf_detail {

// The lane form of the classes below, for x over lanes: the tail TAIL of the
// gamma law at the class's literal argument, as gamma_tail_lanes gives it, and
// the class's own value one element at a time at parameters that leave no law.
// The array layer sorts a block's elements by method_of(x) first, one of the
// incomplete gamma function's three methods or the elements it does not take.
template <class Law>
class GammaTailLanes {
public:
    static constexpr int METHODS = 4;

    template <class L>
    L lanes(L x, bool log_p) const {
        const Law& law = static_cast<const Law&>(*this);
        const auto scalar = [&law, log_p](double v) { return law(v, log_p); };
        if (!law.regular_) return each_lane(scalar, x);
        return gamma_tail_lanes(Law::TAIL, law.shape_, law.literal(x), (x > 0.0) & (x < INF), log_p, x, scalar);
    }
};

}  // namespace cdf_detail

class GammaProbabilities : public cdf_detail::GammaTailLanes<GammaProbabilities> {
public:
    static std::size_t footprint(double, double);
    GammaProbabilities(double shape, double scale);
    double operator()(double x, bool log_p) const;
    // The value for finite x > 0 at regular parameters.
    double inside(double x, bool log_p) const;

    // The tail of the gamma law the function is, and the method that law's
    // incomplete gamma function takes at x (GammaTailLanes).
    static constexpr cdf_detail::GammaTail TAIL = cdf_detail::GammaTail::lower;
    int method_of(double x) const;

private:
    friend class cdf_detail::GammaTailLanes<GammaProbabilities>;

    template <class T>
    T literal(T x) const {
        return x / scale_;
    }

    GammaShape shape_;
    double scale_;
    bool regular_;
};

class ChisqProbabilities : public cdf_detail::GammaTailLanes<ChisqProbabilities> {
public:
    static std::size_t footprint(double);
    explicit ChisqProbabilities(double dof);
    double operator()(double x, bool log_p) const;
    // The value for finite x > 0 at regular parameters.
    double inside(double x, bool log_p) const;

    // The tail of the gamma law the function is, and the method that law's
    // incomplete gamma function takes at x (GammaTailLanes).
    static constexpr cdf_detail::GammaTail TAIL = cdf_detail::GammaTail::lower;
    int method_of(double x) const;

private:
    friend class cdf_detail::GammaTailLanes<ChisqProbabilities>;

    template <class T>
    T literal(T x) const {
        return x * 0.5;
    }

    double dof_;
    GammaShape shape_;
    bool regular_;
};

class InvGammaProbabilities : public cdf_detail::GammaTailLanes<InvGammaProbabilities> {
public:
    static std::size_t footprint(double, double);
    InvGammaProbabilities(double shape, double scale);
    double operator()(double x, bool log_p) const;
    // The value for finite x > 0 at regular parameters.
    double inside(double x, bool log_p) const;

    // The tail of the gamma law the function is, and the method that law's
    // incomplete gamma function takes at x (GammaTailLanes).
    static constexpr cdf_detail::GammaTail TAIL = cdf_detail::GammaTail::upper;
    int method_of(double x) const;

private:
    friend class cdf_detail::GammaTailLanes<InvGammaProbabilities>;

    // 1/x against the gamma law of 1/scale. Above 2^52 the reciprocal scale
    // falls below that law's floor on scales, and the quotient is formed directly.
    template <class T>
    T literal(T x) const {
        return reciprocal_ < EPS ? scale_ / x : (1.0 / x) / reciprocal_;
    }

    GammaShape shape_;
    double scale_;
    double reciprocal_;
    bool regular_;
};

}  // namespace quantora
