// The gamma variate and the generators composed from it: chi-square, beta, F,
// inverse gamma and Student t.
#include <cmath>

#include "random/engine.hpp"
#include "random/generators.hpp"
#include "special/constants.hpp"

namespace quantora {

namespace {

constexpr double ONE_THIRD = 0.3333333333333333;

// Squeeze-free Marsaglia–Tsang rejection for shape > 1: v = (1 + k z)^3 with
// k = 1 / (3 sqrt(d)) maps a normal z to a candidate d v; z <= -1 / k would
// give v <= 0 and is redrawn before any uniform is taken.
double gamma_above_one(double shape, double scale, Engine& engine) {
    const double d = shape - ONE_THIRD;
    const double k = ONE_THIRD / std::sqrt(d);
    const double z_min = -1.0 / k;
    for (;;) {
        double z;
        do {
            z = rnorm(0, 1, engine);
        } while (z <= z_min);
        const double v = std::pow(z * k + 1.0, 3.0);
        const double u = runif(0, 1, engine);
        if (std::log(u) < (std::log(v) + (1.0 - v)) * d + (z * 0.5) * z) return (v * d) * scale;
    }
}

}  // namespace

double rgamma(double shape, double scale, Engine& engine) {
    if (shape != shape || scale != scale || shape < 0 || scale < EPS) return NaN;
    // The rejection test is NaN for an infinite shape and would never accept;
    // the variate's limit is +infinity.
    if (shape == INF) return INF;
    if (shape > 1) return gamma_above_one(shape, scale, engine);
    // Boost: if g ~ Gamma(shape + 1) and u is uniform, then u^(1/shape) g ~
    // Gamma(shape). The uniform is drawn before the inner gamma.
    const double u = runif(0, 1, engine);
    const double g = rgamma(shape + 1, scale, engine);
    return std::pow(u, 1.0 / shape) * g;
}

double rchisq(double dof, Engine& engine) {
    if (dof != dof || dof < 0) return NaN;
    return rgamma(dof * 0.5, 2.0, engine);
}

double rbeta(double a, double b, Engine& engine) {
    if (a != a || b != b || a < 0 || b < 0) return NaN;
    const double x = rgamma(a, 1.0, engine);
    const double y = rgamma(b, 1.0, engine);
    return x / (x + y);
}

double rf(double df1, double df2, Engine& engine) {
    if (df1 != df1 || df2 != df2 || df1 < EPS || df2 < EPS) return NaN;
    const double x1 = rchisq(df1, engine);
    const double x2 = rchisq(df2, engine);
    return ((df2 / df1) * x1) / x2;
}

double rinvgamma(double shape, double scale, Engine& engine) {
    if (shape != shape || scale != scale || shape < 0 || scale < 0) return NaN;
    // The inner gamma judges the reciprocal scale with its own floor.
    return 1 / rgamma(shape, 1 / scale, engine);
}

double rt(double dof, Engine& engine) {
    if (dof != dof || dof < EPS) return NaN;
    const double z = rnorm(0, 1, engine);
    // Infinite degrees of freedom are the normal itself: x / dof would be
    // infinity / infinity.
    if (dof == INF) return z;
    const double x = rchisq(dof, engine);
    return z / std::sqrt(x / dof);
}

}  // namespace quantora
