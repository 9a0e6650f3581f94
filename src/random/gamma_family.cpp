// The gamma variate and the samplers composed from it: chi-square, beta, F,
// inverse gamma and Student t.
#include "random/gamma_family.hpp"

#include <cfloat>
#include <cmath>

#include "special/constants.hpp"

namespace quantora {

namespace {

constexpr double ONE_THIRD = 0.3333333333333333;

double smallest(double a, double b) { return a < b ? a : b; }

}  // namespace

GammaSampler::GammaSampler(double shape, double scale)
    : valid_(!is_nan(shape) && !is_nan(scale) && shape >= 0 && scale >= EPS),
      // The rejection test is NaN for an infinite shape and would never
      // accept; the variate's limit is +infinity.
      infinite_(shape == INF),
      scale_(scale),
      boosts_(0),
      boost_shape_(),
      boost_exponent_(),
      d_(NaN),
      k_(NaN),
      z_min_(NaN),
      normal_(0, 1) {
    if (!valid_ || infinite_) return;
    // Boost: if g ~ Gamma(shape + 1) and u is uniform, then u^(1/shape) g ~
    // Gamma(shape). Shapes up to 1 (1 itself and 0 included) are boosted.
    double core_shape = shape;
    while (!(core_shape > 1)) {
        boost_shape_[boosts_] = core_shape;
        boost_exponent_[boosts_] = 1.0 / core_shape;
        ++boosts_;
        core_shape = core_shape + 1;
    }
    // Squeeze-free Marsaglia–Tsang rejection for shape > 1: v = (1 + k z)^3
    // with k = 1 / (3 sqrt(d)) maps a normal z to a candidate d v; z <= -1 / k
    // would give v <= 0 and is redrawn before any uniform is taken.
    d_ = core_shape - ONE_THIRD;
    k_ = ONE_THIRD / std::sqrt(d_);
    z_min_ = -1.0 / k_;
}

double GammaSampler::core(Engine& engine) const {
    // An attempt is accepted with probability above 0.95 at every shape and a
    // normal is redrawn with probability below 0.01, so the loop is short.
    for (;;) {
        double z;
        do {
            z = normal_(engine);
        } while (z <= z_min_);
        const double v = std::pow(z * k_ + 1.0, 3.0);
        const double u = positive_uniform(engine);
        if (std::log(u) < (std::log(v) + (1.0 - v)) * d_ + (z * 0.5) * z) return v;
    }
}

GammaDraw GammaSampler::factors(Engine& engine) const {
    GammaDraw draw{};
    if (infinite_) {
        draw.v = INF;
        draw.d = INF;
        return draw;
    }
    // The boost uniforms are drawn first, outermost first, then the core.
    draw.boosts = boosts_;
    for (int i = 0; i < boosts_; ++i) {
        draw.u[i] = positive_uniform(engine);
        draw.shape[i] = boost_shape_[i];
    }
    draw.v = core(engine);
    draw.d = d_;
    return draw;
}

double GammaSampler::value(const GammaDraw& draw) const {
    double value = (draw.v * draw.d) * scale_;
    for (int i = draw.boosts - 1; i >= 0; --i) value = std::pow(draw.u[i], boost_exponent_[i]) * value;
    return value;
}

double GammaSampler::scaled_log(const GammaDraw& draw, double c) {
    double sum = c * (std::log(draw.v) + std::log(draw.d));
    // A uniform of exactly 1 contributes nothing, whatever its shape.
    for (int i = 0; i < draw.boosts; ++i) {
        if (draw.u[i] != 1) sum += std::log(draw.u[i]) * (c / draw.shape[i]);
    }
    return sum;
}

ChisqSampler::ChisqSampler(double dof) : valid_(!is_nan(dof) && dof >= 0), gamma_(dof * 0.5, 2.0) {}

BetaSampler::BetaSampler(double a, double b)
    : valid_(!is_nan(a) && !is_nan(b) && a >= 0 && b >= 0), a_(a), b_(b), gamma_a_(a, 1.0), gamma_b_(b, 1.0) {}

double BetaSampler::operator()(Engine& engine) const {
    if (!valid_) return NaN;
    const GammaDraw x_draw = gamma_a_.factors(engine);
    const GammaDraw y_draw = gamma_b_.factors(engine);
    const double x = gamma_a_.value(x_draw);
    const double y = gamma_b_.value(y_draw);
    const double sum = x + y;
    // x / (x + y) holds where both draws are normal doubles and their sum is
    // finite; a draw that underflowed has lost the magnitude that the ratio
    // needs (with tiny shapes both often do, by hundreds of decades).
    if (x >= DBL_MIN && y >= DBL_MIN && sum < INF) return x / sum;
    return limit_or_log_ratio(x_draw, y_draw);
}

double BetaSampler::limit_or_log_ratio(const GammaDraw& x, const GammaDraw& y) const {
    // An infinite shape carries all the mass to its end (both: no limit).
    if (a_ == INF || b_ == INF) return a_ == INF ? (b_ == INF ? NaN : 1.0) : 0.0;
    // A zero shape is a point mass at 0 of its gamma variate.
    if (a_ == 0 || b_ == 0) return a_ == 0 ? (b_ == 0 ? NaN : 0.0) : 1.0;
    // A gamma draw underflowed (tiny shapes: most of the mass sits near 0
    // and 1) or the sum overflowed: x / (x + y) = 1 / (1 + exp(log y -
    // log x)), the logarithms taken from the factors, scaled by c so that
    // each stays finite for shapes down to the smallest subnormal.
    const double c = smallest(smallest(a_, b_), 1.0);
    const double delta = (GammaSampler::scaled_log(y, c) - GammaSampler::scaled_log(x, c)) / c;
    return 1.0 / (1.0 + std::exp(delta));
}

FSampler::FSampler(double df1, double df2)
    : valid_(!is_nan(df1) && !is_nan(df2) && df1 >= EPS && df2 >= EPS),
      df1_(df1),
      df2_(df2),
      chisq1_(df1),
      chisq2_(df2) {}

double FSampler::operator()(Engine& engine) const {
    if (!valid_) return NaN;
    const GammaSampler& gamma1 = chisq1_.gamma();
    const GammaSampler& gamma2 = chisq2_.gamma();
    const GammaDraw draw1 = gamma1.factors(engine);
    const GammaDraw draw2 = gamma2.factors(engine);
    const double x1 = gamma1.value(draw1);
    const double x2 = gamma2.value(draw2);
    // An infinite number of degrees of freedom makes its chi-square over dof
    // exactly 1 (its draw is infinite and took no output).
    if (df1_ == INF || df2_ == INF) return df1_ == INF ? (df2_ == INF ? 1.0 : df2_ / x2) : x1 / df1_;
    if (x1 >= DBL_MIN && x2 >= DBL_MIN && x1 < INF && x2 < INF) {
        const double ratio = df2_ / df1_;
        const double scaled = ratio * x1;
        if (ratio >= DBL_MIN && ratio < INF && scaled < INF) return scaled / x2;
        // The ratio of the degrees of freedom, or its product with x1, left
        // the normal range: each chi-square over its own degrees of freedom.
        return (x1 / df1_) / (x2 / df2_);
    }
    // A chi-square underflowed (tiny degrees of freedom spread it over
    // hundreds of decades) or overflowed: the ratio from the factors'
    // logarithms, scaled as for the beta.
    const double c = smallest(smallest(df1_ * 0.5, df2_ * 0.5), 1.0);
    const double delta = (GammaSampler::scaled_log(draw1, c) - GammaSampler::scaled_log(draw2, c)) / c;
    return std::exp(std::log(df2_) - std::log(df1_) + delta);
}

InvGammaSampler::InvGammaSampler(double shape, double scale)
    : valid_(!is_nan(shape) && !is_nan(scale) && shape >= 0 && scale >= 0),
      // The inner gamma judges the reciprocal scale with its own floor.
      gamma_(shape, 1 / scale) {}

double InvGammaSampler::operator()(Engine& engine) const {
    if (!valid_) return NaN;
    return 1 / gamma_(engine);
}

TSampler::TSampler(double dof) : valid_(!is_nan(dof) && dof >= EPS), dof_(dof), normal_(0, 1), chisq_(dof) {}

double TSampler::operator()(Engine& engine) const {
    if (!valid_) return NaN;
    const double z = normal_(engine);
    // Infinite degrees of freedom are the normal itself: x / dof would be
    // infinity / infinity.
    if (dof_ == INF) return z;
    const GammaSampler& gamma = chisq_.gamma();
    const GammaDraw draw = gamma.factors(engine);
    const double x = gamma.value(draw);
    if (x >= DBL_MIN && x < INF) return z / std::sqrt(x / dof_);
    // The chi-square underflowed (tiny dof: the t draw can still be a finite
    // double) or overflowed (dof near the largest double: x / dof is close to
    // 1): log(x / dof) from the factors, with x = 2 g for the gamma draw g.
    const double c = smallest(dof_ * 0.5, 1.0);
    const double log_ratio = GammaSampler::scaled_log(draw, c) / c + std::log(2.0) - std::log(dof_);
    return z * std::exp(-0.5 * log_ratio);
}

}  // namespace quantora
