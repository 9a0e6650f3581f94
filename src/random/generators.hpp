#pragma once
// The seventeen generators. Each is a callable generator(params..., engine)
// that builds its sampler from the parameters and draws one variate; the
// array overloads build the sampler once and draw from it per element, which
// gives the same values from the same engine outputs.
#include <cstdint>

#include "quantile/quantile.hpp"
#include "random/engine.hpp"
#include "random/gamma_family.hpp"
#include "random/inversion.hpp"
#include "random/normal.hpp"
#include "random/uniform.hpp"
#include "special/constants.hpp"

namespace quantora {

// A zero parameter is read as +0.0 whatever its sign: no law distinguishes
// the two, and 1 / -0.0 would turn a point mass at 0 into one at infinity.
inline double unsigned_zero(double x) { return x == 0 ? 0.0 : x; }
inline std::int64_t unsigned_zero(std::int64_t n) { return n; }

template <class Sampler, class... Params>
Sampler prepare(Params... params) {
    return Sampler(unsigned_zero(params)...);
}

// One draw. A NaN from any path (undefined arithmetic, a quantile's own NaN)
// leaves as the one canonical NaN.
template <class Sampler>
double draw(Sampler& sampler, Engine& engine) {
    const double x = sampler(engine);
    return is_nan(x) ? NaN : x;
}

template <class Sampler, class... Params>
struct Generator {
    using SamplerType = Sampler;

    double operator()(Params... params, Engine& engine) const {
        Sampler sampler = prepare<Sampler>(params...);
        return draw(sampler, engine);
    }
};

inline constexpr Generator<NormalSampler, double, double> rnorm{};
inline constexpr Generator<BernoulliSampler, double> rbern{};
inline constexpr Generator<BetaSampler, double, double> rbeta{};
inline constexpr Generator<BinomialSampler, std::int64_t, double> rbinom{};
inline constexpr Generator<InversionSampler<qcauchy, invalid_location_scale, double, double>, double, double> rcauchy{};
inline constexpr Generator<ChisqSampler, double> rchisq{};
inline constexpr Generator<InversionSampler<qexp, invalid_rate, double>, double> rexp{};
inline constexpr Generator<FSampler, double, double> rf{};
inline constexpr Generator<GammaSampler, double, double> rgamma{};
inline constexpr Generator<InvGammaSampler, double, double> rinvgamma{};
inline constexpr Generator<InversionSampler<qlaplace, invalid_location_scale, double, double>, double, double> rlaplace{};
inline constexpr Generator<LogNormalSampler, double, double> rlnorm{};
inline constexpr Generator<InversionSampler<qlogis, invalid_location_scale, double, double>, double, double> rlogis{};
inline constexpr Generator<InversionSampler<qpois, invalid_rate, double>, double> rpois{};
inline constexpr Generator<TSampler, double> rt{};
inline constexpr Generator<UniformSampler, double, double> runif{};
inline constexpr Generator<InversionSampler<qweibull, invalid_weibull, double, double>, double, double> rweibull{};

}  // namespace quantora
