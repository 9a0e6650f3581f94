// The Poisson mass.
#include <limits>

#include "density/conventions.hpp"
#include "density/density.hpp"
#include "density/log_density.hpp"
#include "special/gamma.hpp"
#include "special/inc_gamma.hpp"

namespace quantora {

using namespace density_rules;

namespace {

// x + 1 as a double with a single rounding of the exact integer. The largest
// count has no 64-bit successor; its successor 2^63 is a double exactly.
double count_plus_one(std::int64_t x) {
    if (x == std::numeric_limits<std::int64_t>::max()) return 9223372036854775808.0;
    return static_cast<double>(x + 1);
}

}  // namespace

double dpois(std::int64_t x, double rate, bool log) {
    if (is_nan(rate)) return NaN;
    if (rate < 0) return NaN;
    if (x < 0) return constant_zero(log);
    if (rate == 0) {
        if (x == 0) return log ? 0.0 : 1.0;
        return constant_zero(log);
    }
    if (rate == INF) return constant_zero(log);
    // x ln(rate) - rate - ln x!, kept where its terms do not cancel beyond the
    // margin; at large counts and rates it is the saddle-point form instead.
    // At x == 0 the zero count makes the factor rate^x 1 for every rate.
    const double log_rate = log_value(rate);
    const double count = static_cast<double>(x);
    const LogSum sum = LogSum(coef_times_log(count, log_rate), 0.0)
                           .minus(rate)
                           .minus(lgamma_kernel(count_plus_one(x)));
    if (sum.kept(log)) return from_log(sum.value, log);
    return canonical(from_log(log_poisson_mass(count, GammaArgument{rate, 0.0, log_rate}), log));
}

}  // namespace quantora
