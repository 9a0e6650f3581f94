#pragma once
// The beta, F and t densities at fixed parameters for many x, each the
// density kernel's own value: what depends on the parameters alone (ln B of
// the shapes, and for t its normalising constant) is found once. The kernels
// themselves answer through these classes.
//
// Each is a class C with
//     static std::size_t footprint(Params...);  // 0: nothing is allocated
//     explicit C(Params...);
//     double operator()(double x, bool log) const;  // the density kernel's value
//     template <class L> L lanes(L x, bool log) const;  // the same over lanes
//
// The lane forms are defined with the literals they share with the scalar
// kernels, in beta_density_forms.hpp.
#include <cstddef>

#include "special/inc_beta.hpp"

namespace quantora {

class BetaDensities {
public:
    static std::size_t footprint(double, double);
    BetaDensities(double a, double b);
    double operator()(double x, bool log) const;
    template <class L>
    L lanes(L x, bool log) const;
    // The density for 0 < x < 1 at finite a, b > 0.
    double inside(double x, bool log) const;

private:
    BetaShape shape_;
    bool finite_shapes_;
    double magnitude_;  // of the literal's shape terms
};

class FDensities {
public:
    static std::size_t footprint(double, double);
    FDensities(double df1, double df2);
    double operator()(double x, bool log) const;
    template <class L>
    L lanes(L x, bool log) const;
    // The density for 0 < x < infinity at finite df1, df2 >= EPS.
    double inside(double x, bool log) const;

private:
    double df1_;
    double df2_;
    BetaShape halves_;
    bool finite_dofs_;
    double magnitude_;  // of the literal's shape terms
};

class TDensities {
public:
    static std::size_t footprint(double);
    explicit TDensities(double dof);
    double operator()(double x, bool log) const;
    template <class L>
    L lanes(L x, bool log) const;
    // The density for finite x at a finite dof >= EPS.
    double inside(double x, bool log) const;

private:
    double dof_;
    bool finite_dof_;
    double h_;
    // ln Γ(h) - ln sqrt(dof π) - ln Γ(dof/2), h = (dof + 1)/2, and the
    // magnitude of its terms for the bound on its rounding.
    double log_norm_;
    double norm_magnitude_;
};

}  // namespace quantora
