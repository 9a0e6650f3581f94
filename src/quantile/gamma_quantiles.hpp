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
#include <cstddef>

#include "special/inc_gamma.hpp"

namespace quantora {

class ChisqQuantiles {
public:
    static std::size_t footprint(double) { return 0; }
    explicit ChisqQuantiles(double dof);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at 0 < dof < infinity.
    double inside(double p) const;

private:
    double dof_;
    GammaShape half_;
};

class GammaQuantiles {
public:
    static std::size_t footprint(double, double) { return 0; }
    GammaQuantiles(double shape, double scale);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at a finite shape > 0 and a finite scale >= EPS.
    double inside(double p) const;

private:
    GammaShape shape_;
    double scale_;
};

class InvGammaQuantiles {
public:
    static std::size_t footprint(double, double) { return 0; }
    InvGammaQuantiles(double shape, double scale);
    double operator()(double p) const;
    // The quantile for 0 < p < 1 at a finite shape > 0 and a finite scale > 0.
    double inside(double p) const;

private:
    GammaShape shape_;
    double scale_;
};

}  // namespace quantora
