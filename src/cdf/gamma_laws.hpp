#pragma once
// The distribution functions of the gamma, chi-squared and inverse-gamma laws
// at fixed parameters for many x, each the kernel's own value: ln Gamma of the
// shape is found once.
//     static std::size_t footprint(Params...);  // 0: nothing is allocated
//     explicit C(Params...);
//     double operator()(double x, bool log_p) const;
//     template <class L> L lanes(L x, bool log_p) const;  // the same over lanes
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

class GammaProbabilities {
public:
    static std::size_t footprint(double, double);
    GammaProbabilities(double shape, double scale);
    double operator()(double x, bool log_p) const;
    // The value for finite x > 0 at regular parameters.
    double inside(double x, bool log_p) const;

    // The incomplete gamma function's three methods, and the elements it
    // does not take.
    static constexpr int METHODS = 4;
    int method_of(double x) const;

    template <class L>
    L lanes(L x, bool log_p) const {
        const auto scalar = [this, log_p](double v) { return (*this)(v, log_p); };
        if (!regular_) return each_lane(scalar, x);
        return cdf_detail::gamma_tail_lanes(cdf_detail::GammaTail::lower, shape_, literal(x), (x > 0.0) & (x < INF),
                                            log_p, x, scalar);
    }

private:
    template <class T>
    T literal(T x) const {
        return x / scale_;
    }

    GammaShape shape_;
    double scale_;
    bool regular_;
};

class ChisqProbabilities {
public:
    static std::size_t footprint(double);
    explicit ChisqProbabilities(double dof);
    double operator()(double x, bool log_p) const;
    // The value for finite x > 0 at regular parameters.
    double inside(double x, bool log_p) const;

    // The incomplete gamma function's three methods, and the elements it
    // does not take.
    static constexpr int METHODS = 4;
    int method_of(double x) const;

    template <class L>
    L lanes(L x, bool log_p) const {
        const auto scalar = [this, log_p](double v) { return (*this)(v, log_p); };
        if (!regular_) return each_lane(scalar, x);
        return cdf_detail::gamma_tail_lanes(cdf_detail::GammaTail::lower, shape_, literal(x), (x > 0.0) & (x < INF),
                                            log_p, x, scalar);
    }

private:
    template <class T>
    T literal(T x) const {
        return x * 0.5;
    }

    double dof_;
    GammaShape shape_;
    bool regular_;
};

class InvGammaProbabilities {
public:
    static std::size_t footprint(double, double);
    InvGammaProbabilities(double shape, double scale);
    double operator()(double x, bool log_p) const;
    // The value for finite x > 0 at regular parameters.
    double inside(double x, bool log_p) const;

    // The incomplete gamma function's three methods, and the elements it
    // does not take.
    static constexpr int METHODS = 4;
    int method_of(double x) const;

    template <class L>
    L lanes(L x, bool log_p) const {
        const auto scalar = [this, log_p](double v) { return (*this)(v, log_p); };
        if (!regular_) return each_lane(scalar, x);
        return cdf_detail::gamma_tail_lanes(cdf_detail::GammaTail::upper, shape_, literal(x), (x > 0.0) & (x < INF),
                                            log_p, x, scalar);
    }

private:
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
