// Prints the bit pattern of every result of a fixed, generated set of calls:
// each density, distribution function and quantile over ordinary, tail,
// subnormal, signed-zero, infinite and NaN arguments (every combination of
// each argument's values, both log flags), and short streams of every
// generator from a fixed seed; then, on the widest vector unit of the
// machine, the batch kernels of the special functions over the same real
// values and many drawn ones, and the array functions of the d, p and q
// kernels with a lane form over the same argument tuples as their sweeps.
// Two builds print the same text exactly when their kernels return the same
// bits, NaN encodings included.
//
//     quantora_dump_bits [extra]
//
// extra (default 0) appends that many pseudo-random argument tuples per
// function, drawn from a fixed generator, for wider comparisons.
#include <array>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "cdf/cdf.hpp"
#include "density/density.hpp"
#include "module/lane_kernels.hpp"
#include "quantile/quantile.hpp"
#include "random/engine.hpp"
#include "random/generators.hpp"
#include "special/batch.hpp"
#include "special/bits.hpp"
#include "mixer.hpp"

namespace {

using quantora::double_pattern;
using quantora::Engine;
using quantora::pattern_double;
using Count = std::int64_t;

using quantora::tools::Mixer;

// 2^e for integral e in [-1074, 1023], built from its bit pattern.
double power_of_two(int e) {
    if (e < -1022) return pattern_double(std::uint64_t{1} << (e + 1074));
    return pattern_double(static_cast<std::uint64_t>(e + 1023) << 52);
}

// The values one argument takes: a fixed list, swept in full, and a way to
// draw further ones.
template <class T>
struct Role {
    std::vector<T> values;
    T (*draw)(Mixer&);
};

template <class T>
T pick(Mixer& mixer, const std::vector<T>& values) {
    return values[mixer.below(values.size())];
}

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double MAX = std::numeric_limits<double>::max();
constexpr double MIN_NORMAL = std::numeric_limits<double>::min();
constexpr double TRUE_MIN = std::numeric_limits<double>::denorm_min();
constexpr double ONE_BELOW = 1 - 0x1p-53;

// The quiet NaN, its negative, and a NaN carrying a payload: every kernel
// must answer all three with the one quiet NaN.
const double NAN_PLAIN = pattern_double(0x7FF8000000000000u);
const double NAN_NEGATIVE = pattern_double(0xFFF8000000000000u);
const double NAN_PAYLOAD = pattern_double(0x7FF80000DEADBEEFu);

// Shared by every real role: the non-finite values, the signed zeros and the
// ends of the range.
const std::vector<double> HOSTILE = {NAN_PLAIN, NAN_NEGATIVE, NAN_PAYLOAD, INF, -INF, 0.0, -0.0,
                                     TRUE_MIN, -TRUE_MIN, MIN_NORMAL / 3, MAX, -MAX};

std::vector<double> with_hostile(std::vector<double> values) {
    values.insert(values.begin(), HOSTILE.begin(), HOSTILE.end());
    return values;
}

const std::vector<double> X_VALUES = with_hostile(
    {-40, -3.5, -1, -0.25, 1e-300, 1e-16, 0.5, 1, 1.5, 2.5, 7, 38.5, 40, 1e10, 1e300});
const std::vector<double> LOCATION_VALUES = with_hostile({-2.5, 1, 1e300});
const std::vector<double> POSITIVE_VALUES = with_hostile({-1, 1e-300, 1e-10, 0.5, 1, 2.5, 30, 1e10, 1e300});
const std::vector<double> PROBABILITY_VALUES = with_hostile(
    {1e-300, 1e-20, 1e-10, 0.025, 0.3, 0.5, 0.9, 1 - 1e-10, ONE_BELOW, 1, -0.1, 1.5});
const std::vector<Count> COUNT_VALUES = {INT64_MIN, -1, 0, 1, 2, 7, 40, 1000, INT64_MAX};
// Generators loop once per trial: no more trials than a quick sweep can run.
const std::vector<Count> TRIALS_VALUES = {INT64_MIN, -1, 0, 1, 10, 1000, 1000000};
const std::vector<Count> DRAWN_TRIALS_VALUES = {INT64_MIN, -1, 0, 1, 10, 1000};

// Wide draws: a fixed value, a moderate magnitude, or any finite magnitude
// down to the subnormals; either sign.
double draw_real(Mixer& mixer, const std::vector<double>& fixed) {
    const std::uint64_t kind = mixer.below(4);
    if (kind == 0) return pick(mixer, fixed);
    const int e = kind == 3 ? static_cast<int>(mixer.below(2098)) - 1074 : static_cast<int>(mixer.below(17)) - 8;
    const double magnitude = (1 + mixer.unit()) * power_of_two(e);
    return mixer.below(8) == 0 ? -magnitude : magnitude;
}

double draw_x(Mixer& mixer) { return draw_real(mixer, X_VALUES); }
double draw_location(Mixer& mixer) { return draw_real(mixer, LOCATION_VALUES); }
double draw_positive(Mixer& mixer) { return draw_real(mixer, POSITIVE_VALUES); }

// Probabilities: the bulk, the lower tail down to the subnormals, and the
// upper tail as 1 - 2^-k.
double draw_probability(Mixer& mixer) {
    switch (mixer.below(5)) {
        case 0: return pick(mixer, PROBABILITY_VALUES);
        case 1: {
            const double u = mixer.unit();
            return u * power_of_two(-static_cast<int>(mixer.below(1074)));
        }
        case 2: return 1 - power_of_two(-1 - static_cast<int>(mixer.below(53)));
        default: return mixer.unit();
    }
}

Count draw_count(Mixer& mixer) {
    switch (mixer.below(4)) {
        case 0: return pick(mixer, COUNT_VALUES);
        case 1: return static_cast<Count>(mixer.below(1000000));
        default: return static_cast<Count>(mixer.below(60));
    }
}

Count draw_trials(Mixer& mixer) {
    return mixer.below(4) == 0 ? pick(mixer, TRIALS_VALUES) : static_cast<Count>(mixer.below(5000));
}

Count draw_drawn_trials(Mixer& mixer) { return static_cast<Count>(mixer.below(1001)); }

bool draw_flag(Mixer& mixer) { return mixer.below(2) == 1; }

const Role<double> X{X_VALUES, draw_x};
const Role<double> LOCATION{LOCATION_VALUES, draw_location};
const Role<double> POSITIVE{POSITIVE_VALUES, draw_positive};
const Role<double> PROBABILITY{PROBABILITY_VALUES, draw_probability};
const Role<Count> COUNT{COUNT_VALUES, draw_count};
const Role<Count> TRIALS{TRIALS_VALUES, draw_trials};
const Role<Count> DRAWN_TRIALS{DRAWN_TRIALS_VALUES, draw_drawn_trials};
const Role<bool> FLAG{{false, true}, draw_flag};

// Arguments as text: finite values in round-trip decimal, NaNs with their bits.
void append(std::string& out, double v) {
    char text[40];
    if (v != v) {
        std::snprintf(text, sizeof text, "nan:%016" PRIx64, double_pattern(v));
    } else {
        std::snprintf(text, sizeof text, "%.17g", v);
    }
    out += text;
}

void append(std::string& out, Count v) { out += std::to_string(v); }

void append(std::string& out, bool v) { out += v ? "true" : "false"; }

void append_result(std::string& out, double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%016" PRIx64 " %.17g", double_pattern(v), v);
    out += text;
}

template <class Tuple>
std::string call_text(const char* name, const Tuple& args) {
    std::string out = name;
    out += '(';
    std::apply(
        [&](const auto&... arg) {
            int i = 0;
            ((out += (i++ == 0 ? "" : ", "), append(out, arg)), ...);
        },
        args);
    out += ")";
    return out;
}

// Calls visit(tuple) for every combination of the roles' fixed values, the
// first role varying slowest.
template <class Visit, class Tuple>
void cross(Visit& visit, const Tuple& prefix) {
    visit(prefix);
}

template <class Visit, class Tuple, class T, class... Rest>
void cross(Visit& visit, const Tuple& prefix, const Role<T>& first, const Rest&... rest) {
    for (const T value : first.values) cross(visit, std::tuple_cat(prefix, std::make_tuple(value)), rest...);
}

// The seed of a function's extra tuples: FNV-1a of its name, so that each
// function's tuples do not depend on which others run.
std::uint64_t name_seed(const char* name) {
    std::uint64_t h = 0xCBF29CE484222325u;
    for (; *name != '\0'; ++name) h = (h ^ static_cast<unsigned char>(*name)) * 0x100000001B3u;
    return h;
}

std::uint64_t extra_tuples = 0;

template <class... A>
void sweep(const char* name, double (*kernel)(A...), const Role<A>&... roles) {
    auto visit = [&](const std::tuple<A...>& args) {
        std::string line = call_text(name, args) + " = ";
        append_result(line, std::apply(kernel, args));
        std::puts(line.c_str());
    };
    cross(visit, std::tuple<>{}, roles...);
    Mixer mixer(name_seed(name));
    for (std::uint64_t i = 0; i < extra_tuples; ++i) visit(std::tuple<A...>{roles.draw(mixer)...});
}

constexpr std::uint64_t STREAM_SEED = 20240917;
constexpr int STREAM_LENGTH = 3;

// Each parameter tuple draws STREAM_LENGTH variates from a fresh engine.
template <class Generator, class... A>
void stream(const char* name, Generator generator, const Role<A>&... roles) {
    auto visit = [&](const std::tuple<A...>& args) {
        std::string line = call_text(name, args) + " =";
        Engine engine(STREAM_SEED);
        for (int i = 0; i < STREAM_LENGTH; ++i) {
            line += ' ';
            append_result(line, std::apply([&](A... a) { return generator(a..., engine); }, args));
        }
        std::puts(line.c_str());
    };
    cross(visit, std::tuple<>{}, roles...);
    Mixer mixer(name_seed(name));
    for (std::uint64_t i = 0; i < extra_tuples; ++i) visit(std::tuple<A...>{roles.draw(mixer)...});
}

// One argument of a tuple into its column: reals and flags apart.
void store_argument(std::vector<double>& reals, std::vector<unsigned char>&, double v) { reals.push_back(v); }
void store_argument(std::vector<double>&, std::vector<unsigned char>& flags, bool v) { flags.push_back(v); }

// Arguments of the batch kernels: every fixed real value of the sweeps, then
// drawn ones, enough to fill many chunks of lanes with mixed paths.
constexpr std::uint64_t BATCH_DRAWS = 4096;

void dump_batches() {
    std::vector<double> in;
    for (const auto* values : {&X_VALUES, &LOCATION_VALUES, &POSITIVE_VALUES, &PROBABILITY_VALUES}) {
        in.insert(in.end(), values->begin(), values->end());
    }
    Mixer mixer(name_seed("batch"));
    for (std::uint64_t i = 0; i < BATCH_DRAWS + extra_tuples; ++i) {
        in.push_back(i % 2 == 0 ? draw_x(mixer) : draw_probability(mixer));
    }
    std::vector<double> out(in.size());
    const struct {
        const char* name;
        void (*batch)(const double*, double*, std::size_t);
    } batches[] = {{"batch_exp", quantora::exp_batch},     {"batch_log", quantora::log_batch},
                   {"batch_expm1", quantora::expm1_batch}, {"batch_sqrt", quantora::sqrt_batch},
                   {"batch_erf", quantora::erf_batch},     {"batch_erfcx", quantora::erfcx_batch},
                   {"batch_erf_inv", quantora::erf_inv_batch}, {"batch_tanh", quantora::tanh_batch},
                   {"batch_atan", quantora::atan_batch},       {"batch_tan", quantora::tan_batch}};
    for (const auto& batch : batches) {
        batch.batch(in.data(), out.data(), in.size());
        for (std::size_t i = 0; i < in.size(); ++i) {
            std::string line = call_text(batch.name, std::make_tuple(in[i])) + " = ";
            append_result(line, out[i]);
            std::puts(line.c_str());
        }
    }
}

// A kernel's array function on the chosen unit over the tuples of its
// sweep, every argument varying, each tuple's result on a line of its own.
template <auto kernel, class... A>
void dump_lanes(const char* name, const Role<A>&... roles) {
    std::vector<std::tuple<A...>> tuples;
    auto collect = [&tuples](const std::tuple<A...>& args) { tuples.push_back(args); };
    cross(collect, std::tuple<>{}, roles...);
    Mixer mixer(name_seed(name));
    for (std::uint64_t i = 0; i < extra_tuples; ++i) tuples.push_back(std::tuple<A...>{roles.draw(mixer)...});

    constexpr std::size_t arity = sizeof...(A);
    std::vector<std::vector<double>> reals(arity);
    std::vector<unsigned char> flags;
    for (const auto& args : tuples) {
        std::size_t k = 0;
        std::apply([&](auto... arg) { ((store_argument(reals[k], flags, arg), ++k), ...); }, args);
    }
    const char* args[arity];
    std::ptrdiff_t steps[arity];
    for (std::size_t k = 0; k < arity; ++k) {
        const bool flag = reals[k].empty();
        args[k] = flag ? reinterpret_cast<const char*>(flags.data()) : reinterpret_cast<const char*>(reals[k].data());
        steps[k] = flag ? 1 : sizeof(double);
    }
    std::vector<double> out(tuples.size());
    quantora::chosen_lane_unit().arrays[quantora::module::lane_slot<kernel>](args, steps, out.data(), out.size());
    const std::string label = std::string("batch_") + name;
    for (std::size_t i = 0; i < tuples.size(); ++i) {
        std::string line = call_text(label.c_str(), tuples[i]) + " = ";
        append_result(line, out[i]);
        std::puts(line.c_str());
    }
}

// A kernel that runs over lanes only with its parameters repeated (a call
// with single parameters): its array function on the chosen unit, each
// parameter tuple below repeated (step 0) over the first argument's sweep and
// PREPARED_DRAWS draws of it, under each flag.
constexpr std::uint64_t PREPARED_DRAWS = 64;

template <auto kernel, std::size_t P>
void dump_prepared(const char* name, const Role<double>& first, const std::vector<std::array<double, P>>& params) {
    constexpr bool flagged = quantora::module::KernelShape<decltype(kernel)>::flags == 1;
    std::vector<double> firsts = first.values;
    Mixer mixer(name_seed(name));
    for (std::uint64_t i = 0; i < PREPARED_DRAWS + extra_tuples; ++i) firsts.push_back(first.draw(mixer));
    std::vector<double> out(firsts.size());
    const std::string label = std::string("batch_") + name;
    for (const std::array<double, P>& param : params) {
        for (const bool flag : {false, true}) {
            if (flag && !flagged) break;
            const char* args[P + 2];
            std::ptrdiff_t steps[P + 2] = {sizeof(double)};
            args[0] = reinterpret_cast<const char*>(firsts.data());
            for (std::size_t k = 0; k < P; ++k) args[1 + k] = reinterpret_cast<const char*>(&param[k]);
            args[1 + P] = reinterpret_cast<const char*>(&flag);
            quantora::chosen_lane_unit().arrays[quantora::module::lane_slot<kernel>](args, steps, out.data(),
                                                                                     out.size());
            for (std::size_t i = 0; i < firsts.size(); ++i) {
                const auto head = std::tuple_cat(std::make_tuple(firsts[i]), std::tuple_cat(param));
                std::string line;
                if constexpr (flagged) {
                    line = call_text(label.c_str(), std::tuple_cat(head, std::make_tuple(flag))) + " = ";
                } else {
                    line = call_text(label.c_str(), head) + " = ";
                }
                append_result(line, out[i]);
                std::puts(line.c_str());
            }
        }
    }
}

void dump_lane_kernels() {
    dump_lanes<quantora::dnorm>("dnorm", X, LOCATION, POSITIVE, FLAG);
    dump_lanes<quantora::dexp>("dexp", X, POSITIVE, FLAG);
    dump_lanes<quantora::dlaplace>("dlaplace", X, LOCATION, POSITIVE, FLAG);
    dump_lanes<quantora::dlnorm>("dlnorm", X, LOCATION, POSITIVE, FLAG);
    dump_lanes<quantora::dlogis>("dlogis", X, LOCATION, POSITIVE, FLAG);
    dump_lanes<quantora::pnorm>("pnorm", X, LOCATION, POSITIVE, FLAG);
    dump_lanes<quantora::plnorm>("plnorm", X, LOCATION, POSITIVE, FLAG);
    dump_lanes<quantora::plogis>("plogis", X, LOCATION, POSITIVE, FLAG);
    dump_lanes<quantora::pexp>("pexp", X, POSITIVE, FLAG);
    dump_lanes<quantora::plaplace>("plaplace", X, LOCATION, POSITIVE, FLAG);
    dump_lanes<quantora::qexp>("qexp", PROBABILITY, POSITIVE);
    dump_lanes<quantora::qlogis>("qlogis", PROBABILITY, LOCATION, POSITIVE);
    dump_lanes<quantora::qlaplace>("qlaplace", PROBABILITY, LOCATION, POSITIVE);
    dump_lanes<quantora::qnorm>("qnorm", PROBABILITY, LOCATION, POSITIVE);
    dump_lanes<quantora::qlnorm>("qlnorm", PROBABILITY, LOCATION, POSITIVE);
    dump_lanes<quantora::dweibull>("dweibull", X, POSITIVE, POSITIVE, FLAG);
    dump_lanes<quantora::pweibull>("pweibull", X, POSITIVE, POSITIVE, FLAG);
    dump_lanes<quantora::qweibull>("qweibull", PROBABILITY, POSITIVE, POSITIVE);
    dump_lanes<quantora::pcauchy>("pcauchy", X, LOCATION, POSITIVE, FLAG);
    dump_lanes<quantora::qcauchy>("qcauchy", PROBABILITY, LOCATION, POSITIVE);
    // Shapes across the methods' switches: the incomplete gamma function's
    // fractions and quadrature, the saddle-point fronts, tiny and huge ones.
    const std::vector<std::array<double, 2>> gamma = {{3, 2}, {0.5, 1}, {1e-3, 3}, {12, 0.5}, {150, 1}, {1e5, 1e-3},
                                                      {1e-300, 1}};
    const std::vector<std::array<double, 1>> dof = {{5}, {0.1}, {24}, {300}, {2e6}};
    const std::vector<std::array<double, 2>> beta = {{2, 5}, {0.3, 7}, {1, 1}, {1e-3, 50}, {200, 3}, {3e4, 3e4}};
    dump_prepared<quantora::dgamma>("dgamma", X, gamma);
    dump_prepared<quantora::dchisq>("dchisq", X, dof);
    dump_prepared<quantora::dinvgamma>("dinvgamma", X, gamma);
    dump_prepared<quantora::pgamma>("pgamma", X, gamma);
    dump_prepared<quantora::pchisq>("pchisq", X, dof);
    dump_prepared<quantora::pinvgamma>("pinvgamma", X, gamma);
    dump_prepared<quantora::qgamma>("qgamma", PROBABILITY, gamma);
    dump_prepared<quantora::qchisq>("qchisq", PROBABILITY, dof);
    dump_prepared<quantora::qinvgamma>("qinvgamma", PROBABILITY, gamma);
    dump_prepared<quantora::dbeta>("dbeta", PROBABILITY, beta);
    dump_prepared<quantora::df>("df", X, beta);
    dump_prepared<quantora::dt>("dt", X, dof);
    dump_prepared<quantora::qbeta>("qbeta", PROBABILITY, beta);
    dump_prepared<quantora::qf>("qf", PROBABILITY, beta);
    dump_prepared<quantora::qt>("qt", PROBABILITY, dof);
}

// One row per distribution, in the registry's order. The generators take the
// parameters of the other three families.
#define QUANTORA_FAMILY(name, x, ...)                                    \
    sweep("d" #name, quantora::d##name, x, __VA_ARGS__, FLAG);           \
    sweep("p" #name, quantora::p##name, x, __VA_ARGS__, FLAG);           \
    sweep("q" #name, quantora::q##name, PROBABILITY, __VA_ARGS__);
#define QUANTORA_GENERATOR(name, ...) stream("r" #name, quantora::r##name, __VA_ARGS__);

void dump_all() {
    QUANTORA_FAMILY(norm, X, LOCATION, POSITIVE)
    QUANTORA_FAMILY(bern, COUNT, PROBABILITY)
    QUANTORA_FAMILY(beta, X, POSITIVE, POSITIVE)
    QUANTORA_FAMILY(binom, COUNT, TRIALS, PROBABILITY)
    QUANTORA_FAMILY(cauchy, X, LOCATION, POSITIVE)
    QUANTORA_FAMILY(chisq, X, POSITIVE)
    QUANTORA_FAMILY(exp, X, POSITIVE)
    QUANTORA_FAMILY(f, X, POSITIVE, POSITIVE)
    QUANTORA_FAMILY(gamma, X, POSITIVE, POSITIVE)
    QUANTORA_FAMILY(invgamma, X, POSITIVE, POSITIVE)
    QUANTORA_FAMILY(laplace, X, LOCATION, POSITIVE)
    QUANTORA_FAMILY(lnorm, X, LOCATION, POSITIVE)
    QUANTORA_FAMILY(logis, X, LOCATION, POSITIVE)
    QUANTORA_FAMILY(pois, COUNT, POSITIVE)
    QUANTORA_FAMILY(t, X, POSITIVE)
    QUANTORA_FAMILY(unif, X, LOCATION, LOCATION)
    QUANTORA_FAMILY(weibull, X, POSITIVE, POSITIVE)

    QUANTORA_GENERATOR(norm, LOCATION, POSITIVE)
    QUANTORA_GENERATOR(bern, PROBABILITY)
    QUANTORA_GENERATOR(beta, POSITIVE, POSITIVE)
    QUANTORA_GENERATOR(binom, DRAWN_TRIALS, PROBABILITY)
    QUANTORA_GENERATOR(cauchy, LOCATION, POSITIVE)
    QUANTORA_GENERATOR(chisq, POSITIVE)
    QUANTORA_GENERATOR(exp, POSITIVE)
    QUANTORA_GENERATOR(f, POSITIVE, POSITIVE)
    QUANTORA_GENERATOR(gamma, POSITIVE, POSITIVE)
    QUANTORA_GENERATOR(invgamma, POSITIVE, POSITIVE)
    QUANTORA_GENERATOR(laplace, LOCATION, POSITIVE)
    QUANTORA_GENERATOR(lnorm, LOCATION, POSITIVE)
    QUANTORA_GENERATOR(logis, LOCATION, POSITIVE)
    QUANTORA_GENERATOR(pois, POSITIVE)
    QUANTORA_GENERATOR(t, POSITIVE)
    QUANTORA_GENERATOR(unif, LOCATION, LOCATION)
    QUANTORA_GENERATOR(weibull, POSITIVE, POSITIVE)
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fputs("usage: quantora_dump_bits [extra tuples per function]\n", stderr);
        return 2;
    }
    if (argc == 2) extra_tuples = std::strtoull(argv[1], nullptr, 10);
    dump_all();
    dump_batches();
    dump_lane_kernels();
    return 0;
}
