// Generators by inversion: one positive uniform passed through the
// distribution's own quantile. The uniform is never 0, so the quantile at 0 is
// never requested; it can be exactly 1.
#include "quantile/quantile.hpp"
#include "random/engine.hpp"
#include "random/generators.hpp"
#include "special/constants.hpp"

namespace quantora {

namespace {

bool invalid_location_scale(double mu, double sigma) { return mu != mu || sigma != sigma || sigma < 0; }

}  // namespace

double rcauchy(double mu, double sigma, Engine& engine) {
    if (invalid_location_scale(mu, sigma)) return NaN;
    return qcauchy(positive_uniform(engine), mu, sigma);
}

double rexp(double rate, Engine& engine) {
    if (rate != rate || rate < 0) return NaN;
    return qexp(positive_uniform(engine), rate);
}

double rlaplace(double mu, double sigma, Engine& engine) {
    if (invalid_location_scale(mu, sigma)) return NaN;
    return qlaplace(positive_uniform(engine), mu, sigma);
}

double rlogis(double mu, double sigma, Engine& engine) {
    if (invalid_location_scale(mu, sigma)) return NaN;
    return qlogis(positive_uniform(engine), mu, sigma);
}

double rpois(double rate, Engine& engine) {
    if (rate != rate || rate < 0) return NaN;
    return qpois(positive_uniform(engine), rate);
}

double rweibull(double shape, double scale, Engine& engine) {
    if (shape != shape || scale != scale || shape < EPS || scale < EPS) return NaN;
    return qweibull(positive_uniform(engine), shape, scale);
}

}  // namespace quantora
