#pragma once
// Samplers by inversion: one positive uniform passed through the
// distribution's own quantile. The uniform is never 0, so the quantile at 0 is
// never requested; it can be exactly 1. See uniform.hpp for what a sampler is.
#include <cstddef>
#include <tuple>

#include "random/checks.hpp"
#include "random/engine.hpp"
#include "special/constants.hpp"

namespace quantora {

template <auto Quantile, auto Invalid, class... Params>
class InversionSampler {
public:
    explicit InversionSampler(Params... params) : valid_(!Invalid(params...)), params_(params...) {}

    double operator()(Engine& engine) const {
        if (!valid_) return NaN;
        const double w = positive_uniform(engine);
        return std::apply([w](Params... params) { return Quantile(w, params...); }, params_);
    }

private:
    bool valid_;
    std::tuple<Params...> params_;
};

// The draws of InversionSampler<Quantile, Invalid, Params...>, from the same
// engine outputs, through Quantiles: the quantile prepared once for the
// parameters of many draws, with the quantile kernel's values, and whose
// tables take footprint(params...) bytes at most.
template <class Quantiles, auto Invalid, class... Params>
class PreparedInversionSampler {
public:
    static std::size_t footprint(Params... params) { return Quantiles::footprint(params...); }

    explicit PreparedInversionSampler(Params... params) : valid_(!Invalid(params...)), quantiles_(params...) {}

    double operator()(Engine& engine) {
        if (!valid_) return NaN;
        return quantiles_(positive_uniform(engine));
    }

private:
    bool valid_;
    Quantiles quantiles_;
};

}  // namespace quantora
