#pragma once
// The distribution functions of the beta, F and t laws at fixed parameters
// for many x: what depends on the parameters alone, ln B of the incomplete
// beta function's shapes, is found once.
#include <cstddef>

#include "special/inc_beta.hpp"

namespace quantora::cdf_detail {

// Finite degrees of freedom df1, df2 >= EPS and the incomplete beta
// function's shapes (df1/2, df2/2).
struct FShape {
    double df1;
    double df2;
    BetaShape halves;
};

FShape f_shape(double df1, double df2);

// pf(x, shape.df1, shape.df2, log_p) bit for bit.
double f_probability(const FShape& shape, double x, bool log_p);

// Finite degrees of freedom dof >= EPS and the shapes (1/2, dof/2) of the
// central mass; the tail beyond |x| takes their reflection.
struct TShape {
    double dof;
    BetaShape central;
};

TShape t_shape(double dof);

// pt(x, shape.dof, log_p) bit for bit.
double t_probability(const TShape& shape, double x, bool log_p);

}  // namespace quantora::cdf_detail

namespace quantora {

// The distribution functions at fixed parameters for many x, each the
// kernel's own value:
//     static std::size_t footprint(Params...);  // 0: nothing is allocated
//     explicit C(Params...);
//     double operator()(double x, bool log_p) const;
class BetaProbabilities {
public:
    static std::size_t footprint(double, double) { return 0; }
    BetaProbabilities(double a, double b);
    double operator()(double x, bool log_p) const;

private:
    BetaShape shape_;
};

class FProbabilities {
public:
    static std::size_t footprint(double, double) { return 0; }
    FProbabilities(double df1, double df2);
    double operator()(double x, bool log_p) const;

private:
    cdf_detail::FShape shape_;
};

class TProbabilities {
public:
    static std::size_t footprint(double) { return 0; }
    explicit TProbabilities(double dof);
    double operator()(double x, bool log_p) const;

private:
    cdf_detail::TShape shape_;
};

}  // namespace quantora
