#pragma once
// Work shared by the elements of one call. When every distribution parameter
// of a call is a single value (scalars broadcast over an array of x or p, the
// usual call), whatever depends only on the parameters is prepared once and
// each element costs a call of the prepared object on (first, flag).
//
// A kernel family with such work (tables of masses and their sums, the
// log-gamma of a shape) provides a type P:
//
//     static std::size_t footprint(Params...);  // bytes P would allocate
//     explicit P(Params...);
//     double operator()(First, Flags...);        // kernel(first, params..., flags...), bit for bit
//
// P is built only when its footprint is within PREPARED_BYTES; otherwise the
// call takes the per-element path, the kernel bound to its parameters. The
// list PreparedKernels below names each kernel's P. One P
// serves one call in one thread, so its call may fill a table lazily.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <tuple>
#include <type_traits>

#include "cdf/beta_laws.hpp"
#include "cdf/cdf.hpp"
#include "cdf/gamma_laws.hpp"
#include "density/beta_densities.hpp"
#include "density/density.hpp"
#include "density/gamma_densities.hpp"
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

// The kernels that prepare, each with its type P.
template <auto prepared_kernel, class P>
struct Prepares {
    static constexpr auto kernel = prepared_kernel;
    using type = P;
};

using PreparedKernels = std::tuple<
    // The count laws' quantiles search a table of the distribution function.
    Prepares<qpois, PoissonQuantiles>, Prepares<qbinom, BinomialQuantiles>,
    // The gamma family's quantiles take ln Gamma of the shape once.
    Prepares<qchisq, ChisqQuantiles>, Prepares<qgamma, GammaQuantiles>, Prepares<qinvgamma, InvGammaQuantiles>,
    // The beta, F and t laws take ln B of the shapes once, in every function.
    Prepares<qbeta, BetaQuantiles>, Prepares<qf, FQuantiles>, Prepares<qt, TQuantiles>,
    Prepares<pbeta, BetaProbabilities>, Prepares<pf, FProbabilities>, Prepares<pt, TProbabilities>,
    Prepares<dbeta, BetaDensities>, Prepares<df, FDensities>, Prepares<dt, TDensities>,
    // The gamma family's densities and distribution functions take ln Gamma of the shape once.
    Prepares<dgamma, GammaDensities>, Prepares<dchisq, ChisqDensities>, Prepares<dinvgamma, InvGammaDensities>,
    Prepares<pgamma, GammaProbabilities>, Prepares<pchisq, ChisqProbabilities>,
    Prepares<pinvgamma, InvGammaProbabilities>>;

// The kernel's entry in the list, or the per-element path where it has none.
template <auto kernel, class List = PreparedKernels>
struct Preparation {
    using type = Bound<kernel>;
};

template <auto kernel, class Entry, class... Rest>
struct Preparation<kernel, std::tuple<Entry, Rest...>> {
    using type = std::conditional_t<same_kernel<Entry::kernel, kernel>, typename Entry::type,
                                    typename Preparation<kernel, std::tuple<Rest...>>::type>;
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
