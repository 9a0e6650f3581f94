#pragma once
// Work shared by the elements of one call. When every distribution parameter
// of a call is a single value (scalars broadcast over an array of x or p, the
// usual call), whatever depends only on the parameters is prepared once and
// each element costs a call of the prepared object on (first, flag).
//
// A kernel family with such work (tables of masses and their sums, the
// log-gamma of a shape) provides a type P and names it by specialising
// Preparation for its kernel:
//
//     static std::size_t footprint(Params...);  // bytes P would allocate
//     explicit P(Params...);
//     double operator()(First, Flags...);        // kernel(first, params..., flags...), bit for bit
//
// P is built only when its footprint is within PREPARED_BYTES; otherwise the
// call takes the per-element path, the kernel bound to its parameters. One P
// serves one call in one thread, so its call may fill a table lazily.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <tuple>

#include "cdf/beta_laws.hpp"
#include "cdf/cdf.hpp"
#include "density/beta_densities.hpp"
#include "density/density.hpp"
#include "module/kernel_shape.hpp"
#include "quantile/beta_quantiles.hpp"
#include "quantile/count_quantiles.hpp"
#include "quantile/gamma_quantiles.hpp"
#include "quantile/quantile.hpp"

namespace quantora::module {

// The memory one call may spend on what it prepares.
inline constexpr std::size_t PREPARED_BYTES = std::size_t{4} << 20;

template <auto kernel, class Params = typename KernelShape<decltype(kernel)>::param_types,
          class Flags = typename KernelShape<decltype(kernel)>::flag_types>
class Bound;

// The per-element path: the kernel itself, with its parameters held.
template <auto kernel, class... Params, class... Flags>
class Bound<kernel, std::tuple<Params...>, std::tuple<Flags...>> {
public:
    using First = typename KernelShape<decltype(kernel)>::first;

    static std::size_t footprint(Params...) { return 0; }
    explicit Bound(Params... params) : params_(params...) {}

    double operator()(First first, Flags... flags) const {
        return std::apply([&](Params... params) { return kernel(first, params..., flags...); }, params_);
    }

private:
    std::tuple<Params...> params_;
};

template <auto kernel>
struct Preparation {
    using type = Bound<kernel>;
};

// The count laws' quantiles search a table of the distribution function.
template <>
struct Preparation<qpois> {
    using type = PoissonQuantiles;
};
template <>
struct Preparation<qbinom> {
    using type = BinomialQuantiles;
};

// The gamma family's quantiles take ln Gamma of the shape once.
template <>
struct Preparation<qchisq> {
    using type = ChisqQuantiles;
};
template <>
struct Preparation<qgamma> {
    using type = GammaQuantiles;
};
template <>
struct Preparation<qinvgamma> {
    using type = InvGammaQuantiles;
};

// The beta, F and t quantiles take ln B of the shapes once.
template <>
struct Preparation<qbeta> {
    using type = BetaQuantiles;
};
template <>
struct Preparation<qf> {
    using type = FQuantiles;
};
template <>
struct Preparation<qt> {
    using type = TQuantiles;
};

// So do the distribution functions and densities beside them.
template <>
struct Preparation<pbeta> {
    using type = BetaProbabilities;
};
template <>
struct Preparation<pf> {
    using type = FProbabilities;
};
template <>
struct Preparation<pt> {
    using type = TProbabilities;
};
template <>
struct Preparation<dbeta> {
    using type = BetaDensities;
};
template <>
struct Preparation<df> {
    using type = FDensities;
};
template <>
struct Preparation<dt> {
    using type = TDensities;
};

// The values of a count kernel (x a count, one log flag) over the counts
// lowest, ..., lowest + window - 1, each evaluated at most once and then
// looked up. Data sets of counts repeat few values (a binomial sample of 10^5
// draws takes a few hundred), so a call costs a kernel evaluation per distinct
// count rather than per element. Every value is the element's own evaluation.
template <class Element>
class CountMemo {
public:
    static std::size_t footprint(std::uint64_t window) { return window * SLOTS * (sizeof(double) + 1); }

    CountMemo(Element& element, std::int64_t lowest, std::uint64_t window)
        : element_(element),
          lowest_(lowest),
          values_(new double[window * SLOTS]),
          known_(new bool[window * SLOTS]()) {}

    double operator()(std::int64_t x, bool flag) {
        const std::uint64_t slot = static_cast<std::uint64_t>(x - lowest_) * SLOTS + flag;  // x - lowest < window
        if (!known_[slot]) {
            values_[slot] = element_(x, flag);
            known_[slot] = true;
        }
        return values_[slot];
    }

private:
    static constexpr std::uint64_t SLOTS = 2;  // per count: flag false, flag true

    Element& element_;
    std::int64_t lowest_;
    std::unique_ptr<double[]> values_;
    std::unique_ptr<bool[]> known_;
};

}  // namespace quantora::module
