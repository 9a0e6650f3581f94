// Every vector unit this processor runs, forced one at a time, against the
// scalar kernels, bit for bit:
//
//     quantora_check_lanes [elements]
//
// For each batch kernel of one argument, `elements` inputs (default
// 1,000,000): edge values (signed zeros, subnormals, EPS and its neighbours,
// the kernels' switch points and their neighbours, infinities, NaNs, the ends
// of the range) scattered among random doubles of every kind, so that lanes of
// one chunk take different paths. Each unit runs them through the batch entry
// point once aligned, once shifted by one element with a remainder, and once
// in place.
//
// For each d, p and q kernel with a lane form, `elements` argument tuples
// drawn for the argument's role (the bulk, far tails, switch points, invalid
// and special values) through the unit's array function with every argument
// and flag varying, then with the parameters and flag repeated (step 0, a
// broadcast) and the first argument strided. The kernels that prepare their
// parameters run over lanes only when these are repeated: they take all
// `elements` tuples that way, and a tenth with their parameters varying. The
// normal, gamma, beta and t quantiles finish each element on the scalar
// kernel around a lane stream: the streams take `elements` inputs on their
// own (the inverse error function above, the incomplete gamma and beta
// inverses here), the quantiles a quarter (normal), a tenth (gamma) or a
// fiftieth (beta, F, t). The checks run side by side on the processor's
// threads. Prints one line per unit and kernel, and the time each check took;
// exits with status 1 on any difference, NaN encodings included.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "special/batch.hpp"
#include "special/bits.hpp"
#include "mixer.hpp"
#include "special/elementary.hpp"
#include "module/lane_kernels.hpp"
#include "special/erf.hpp"
#include "special/inc_beta.hpp"
#include "special/inc_gamma.hpp"
#include "special/lane_unit.hpp"
#include "special/trig.hpp"

namespace {

using quantora::double_pattern;
using quantora::pattern_double;
using quantora::same_bits;

using quantora::tools::Mixer;

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double EPS = 0x1p-52;

// 2^e for integral e in [-1074, 1023], built from its bit pattern.
double power_of_two(int e) {
    if (e < -1022) return pattern_double(std::uint64_t{1} << (e + 1074));
    return pattern_double(static_cast<std::uint64_t>(e + 1023) << 52);
}

// The next double up or down, by its bit pattern (finite, nonzero x).
double ulps_away(double x, int k) {
    const std::uint64_t bits = double_pattern(x);
    return pattern_double(x > 0 ? bits + k : bits - k);
}

const std::vector<double> SHARED_EDGES = {
    0.0, -0.0, INF, -INF,
    pattern_double(0x7FF8000000000000u), pattern_double(0xFFF8000000000000u),
    pattern_double(0x7FF80000DEADBEEFu), pattern_double(0x7FF0000000000001u),
    std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
    std::numeric_limits<double>::min() / 3, std::numeric_limits<double>::max(),
    EPS, EPS / 2, 1.0, 2.0, 4.0, 9.2233720368547758e18, 4503599627370496.0};

struct Kernel {
    const char* name;
    quantora::BatchKernel quantora::LaneUnit::*batch;
    double (*scalar)(double);
    std::vector<double> switches;  // points where the kernel changes method
    double spread;                 // random arguments of magnitude up to about this
};

const std::vector<Kernel> KERNELS = {
    {"exp", &quantora::LaneUnit::exp, quantora::exp_kernel,
     {2, 1.999, 2.5, 3.5, 0.5, 1.5, -2.5, -2.3, -2.7, 709.4, 709.5, 709.78, 708, -708.3, -708.7, -745.2, -746,
      1024, 1e10},
     800},
    {"log", &quantora::LaneUnit::log, quantora::log_kernel,
     {0.5, 1.5, 10, 0.1, 100, 1 + EPS, 1 - EPS / 2, 0.49, 1.51, 9.999999, 1e300, 1e-300, 3, 7, 1e22}, 1e30},
    {"expm1", &quantora::LaneUnit::expm1, quantora::expm1_kernel, {1e-4, 1e-5, 2, 0.5, 709.5, -745, 1e-300},
     50},
    {"sqrt", &quantora::LaneUnit::sqrt, quantora::sqrt_kernel,
     {4, 16, 0.25, 1e-15, 1 + EPS, 1 - EPS, 2, 3, 1e300, 1e-300}, 1e20},
    {"erf", &quantora::LaneUnit::erf, quantora::erf_kernel,
     {2.1, 1e-8, 1.49e-8, 26.6, 27.3, 1.34e154, 0.5, 5.9, 6}, 8},
    {"erfcx", &quantora::LaneUnit::erfcx, quantora::erfcx_kernel,
     {2.1, 1e-8, 26.6, 27.3, 1.34e154, 4.2, 1e300}, 40},
    {"erf_inv", &quantora::LaneUnit::erf_inv, quantora::erf_inv_kernel,
     {1 - EPS, 1 - EPS / 2, 1 - 2 * EPS, 0.9966, 0.99663, 0.9999999998, 1e-16, 1e-300, 0.5}, 1},
    {"tanh", &quantora::LaneUnit::tanh, quantora::tanh_kernel, {19, 1e-8, 1.34e154, 0.5, 9.5}, 40},
    {"atan", &quantora::LaneUnit::atan, quantora::atan_kernel,
     {0.5, 1, 1.5, 2, 2.5, 3, 4, 5, 7, 11, 25, 100, 1000, 1e300}, 30},
    {"tan", &quantora::LaneUnit::tan, quantora::tan_kernel,
     {1, 1.4, 1.55, 1.5707963267948966, 1.6, 3.141592653589793, 3.2, 1e10, 1e300}, 4},
};

// An edge value, perhaps one or two doubles away and perhaps negated.
double draw_edge(Mixer& mixer, const Kernel& kernel) {
    const bool own = mixer.below(2) == 0;
    const std::vector<double>& list = own ? kernel.switches : SHARED_EDGES;
    double x = list[mixer.below(list.size())];
    const std::uint64_t nudge = mixer.below(5);
    if (nudge >= 3 && x == x && x != 0 && x != INF && x != -INF) x = ulps_away(x, static_cast<int>(nudge) - 2);
    if (nudge == 1 && x == x && x != 0 && x != INF && x != -INF) x = ulps_away(x, -1);
    return mixer.below(4) == 0 ? -x : x;
}

double draw(Mixer& mixer, const Kernel& kernel) {
    switch (mixer.below(8)) {
        case 0: return pattern_double(mixer.next());  // any double at all
        case 1:
        case 2: return draw_edge(mixer, kernel);
        case 3: {  // any magnitude down to the subnormals
            const double x = (1 + mixer.unit()) * power_of_two(static_cast<int>(mixer.below(2098)) - 1074);
            return mixer.below(2) == 0 ? x : -x;
        }
        default: {  // the working range
            const double x = (2 * mixer.unit() - 1) * kernel.spread;
            return mixer.below(3) == 0 ? x / (1 + mixer.below(1000000)) : x;
        }
    }
}

struct Tally {
    std::uint64_t compared = 0;
    std::uint64_t differing = 0;
};

// The lines of one array or inverse check, printed once it is done: those
// checks run side by side.
struct Log {
    std::string text;
};

__attribute__((format(printf, 2, 3))) void add_line(Log& log, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    log.text += buffer;
}

void compare(const Kernel& kernel, const char* how, const double* in, const double* out, const double* want,
             std::size_t n, Tally& tally) {
    for (std::size_t i = 0; i < n; ++i) {
        ++tally.compared;
        if (same_bits(out[i], want[i])) continue;
        if (tally.differing++ < 5) {
            std::printf("  %s(%.17g) %s: lanes %016" PRIx64 " scalar %016" PRIx64 "\n", kernel.name, in[i], how,
                        double_pattern(out[i]), double_pattern(want[i]));
        }
    }
}

// The inputs of a batch kernel, and the scalar kernel's result for each.
struct BatchInputs {
    std::vector<double> in;
    std::vector<double> want;
};

BatchInputs batch_inputs(const Kernel& kernel, std::size_t elements) {
    Mixer mixer(0x5EED0000u + elements);
    BatchInputs inputs;
    for (std::size_t i = 0; i < elements; ++i) inputs.in.push_back(draw(mixer, kernel));
    for (const double x : inputs.in) inputs.want.push_back(kernel.scalar(x));
    return inputs;
}

bool check(const quantora::LaneUnit& unit, const Kernel& kernel, const BatchInputs& inputs) {
    const std::size_t elements = inputs.in.size();
    const double* in = inputs.in.data();
    const double* want = inputs.want.data();
    std::vector<double> out(elements);
    const quantora::BatchKernel batch = unit.*kernel.batch;
    Tally tally;

    quantora::force_lane_unit(&unit);
    const quantora::BatchKernel entry = quantora::chosen_lane_unit().*kernel.batch;
    if (entry != batch) {
        std::printf("  forcing %s did not take effect\n", unit.name);
        return false;
    }
    batch(in, out.data(), elements);
    compare(kernel, "aligned", in, out.data(), want, elements, tally);
    if (elements > 1) {
        batch(in + 1, out.data() + 1, elements - 1);
        compare(kernel, "shifted", in + 1, out.data() + 1, want + 1, elements - 1, tally);
    }
    std::vector<double> in_place = inputs.in;
    batch(in_place.data(), in_place.data(), elements);
    compare(kernel, "in place", in, in_place.data(), want, elements, tally);
    quantora::force_lane_unit(nullptr);

    std::printf("%-7s %2d lanes  %-8s %9" PRIu64 " elements, %" PRIu64 " differ\n", unit.name, unit.lanes,
                kernel.name, tally.compared, tally.differing);
    return tally.differing == 0;
}

// Arguments of the d, p and q kernels, by role.
enum class Role {
    real, positive, location, scale, probability, unit, shape, gamma_shape, quantile_shape, inverse_shape
};

double draw_argument(Mixer& mixer, Role role) {
    // The switch points of the lane forms: the normal and logistic lower
    // tails, the ends of the exponential's direct range on the log scale,
    // the normal quantiles' tails.
    static const std::vector<double> switches = {
        -5.9396969619669995, -19, -20, -708, 709.5, 2.97, 27.3, 1.34e154, 1e-10, 1e-9, 1e-7, 1 - 1e-10, 1 - 1e-7,
        0.5, 0.5 + 1e-9, 0.5 - 1e-9, 1e-4,
        // The beta family: the F literal's last ratio, the shapes of the
        // saddle-point front.
        536870912.0, 10, 1000,
        // The Weibull laws' large shapes, whose ratio near 1 takes ln(1 + d).
        500, 0.5, 2,
        // The arc tangent's fraction depths and series lengths, the tangent's
        // pole region and the Cauchy lower tail.
        1.5, 2.5, 3, 4, 5, 7, 11, 25, 100, 1.4, 1.55, 1.6, 1.5707963267948966, -2e8,
        // The gamma family: the shapes where the incomplete gamma function
        // turns from its fractions to the quadrature and where the
        // quadrature's window widens, the quantiles' last trusted inverse.
        20, 60, 100, 180, 600, 1600, 1e7};
    // The quantiles' shapes take the scalar kernel's bisection, a thousand
    // times dearer than the bulk, at the magnitudes of arbitrary doubles:
    // their special values come from a short list instead.
    if (role == Role::quantile_shape && mixer.below(32) == 0) {
        static const std::vector<double> specials = {0.0, -0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                                                     INF, 5e-324, EPS, 1e-300, 9.99, 10, 20};
        return specials[mixer.below(specials.size())];
    }
    const std::uint64_t kind = role == Role::quantile_shape ? 16 : mixer.below(16);
    double x = 0;
    if (kind == 0) {
        x = pattern_double(mixer.next());
    } else if (kind <= 2) {
        const std::vector<double>& list = mixer.below(2) == 0 ? switches : SHARED_EDGES;
        x = list[mixer.below(list.size())];
        if (x == x && x != 0 && x != INF && x != -INF && mixer.below(2) == 0) {
            const int k = static_cast<int>(mixer.below(4)) - 2;  // -2, -1, 1 or 2 doubles away
            x = ulps_away(x, k >= 0 ? k + 1 : k);
        }
        if (mixer.below(4) == 0) x = -x;
    } else if (kind == 3) {
        x = (1 + mixer.unit()) * power_of_two(static_cast<int>(mixer.below(2098)) - 1074);
        if (mixer.below(2) == 0) x = -x;
    } else {
        switch (role) {
            case Role::real: x = (2 * mixer.unit() - 1) * (mixer.below(4) == 0 ? 60 : 6); break;
            case Role::positive: x = mixer.unit() * (mixer.below(4) == 0 ? 1e4 : 6); break;
            case Role::location: x = (2 * mixer.unit() - 1) * 3; break;
            case Role::scale: x = 0.1 + 4 * mixer.unit(); break;
            case Role::probability:
                // The far tails take the scalar kernel's checked path, dear
                // beside the bulk: one draw in sixteen.
                x = mixer.unit();
                if (mixer.below(16) == 0) x = x * power_of_two(-static_cast<int>(mixer.below(1074)));
                if (mixer.below(16) == 0) x = 1 - x * 1e-6;
                break;
            case Role::unit:
                // Inside (0, 1), now and then within a few doubles of an end.
                x = mixer.unit();
                if (mixer.below(8) == 0) x = x * power_of_two(-static_cast<int>(mixer.below(1074)));
                if (mixer.below(8) == 0) x = 1 - x * power_of_two(-static_cast<int>(mixer.below(54)));
                break;
            case Role::shape:
                // 1e-3 to 1e6 by magnitude; one draw in eight far smaller or larger.
                x = std::exp((mixer.unit() * 9 - 3) * 2.302585092994046);
                if (mixer.below(8) == 0) x = x * (mixer.below(2) == 0 ? 1e-200 : 1e200);
                break;
            case Role::gamma_shape:
                // 1e-3 to 10 by magnitude, the incomplete gamma function's
                // fractions; one draw in eight its quadrature, 10 to 1e4 by
                // magnitude across every window (each element several times
                // dearer), one in sixty-four far smaller or larger.
                x = std::exp((mixer.unit() * 4 - 3) * 2.302585092994046);
                if (mixer.below(8) == 0) x = std::exp((mixer.unit() * 3 + 1) * 2.302585092994046);
                if (mixer.below(64) == 0) x = x * (mixer.below(2) == 0 ? 1e-200 : 1e200);
                break;
            case Role::quantile_shape:
                // A quantile's inverse runs its updates on the fractions below
                // shape 10 and on the 50-point quadrature above, a hundred
                // times dearer there: one draw in sixty-four.
                x = std::exp((mixer.unit() * 3.3 - 2.3) * 2.302585092994046);
                if (mixer.below(64) == 0) x = 10 + mixer.unit() * 290;
                break;
            case Role::inverse_shape:
                // The beta family's quantiles: 1e-3 to 1e4 by magnitude. With
                // both shapes beyond, every update runs the inverse's fraction
                // to its last level and the result is found by bisection, ten
                // times dearer, so one draw in sixteen goes up to 1e7 or far
                // smaller.
                x = std::exp((mixer.unit() * 7 - 3) * 2.302585092994046);
                if (mixer.below(16) == 0) x = mixer.below(2) == 0 ? x * 1e-200 : x * 1e3;
                break;
        }
    }
    return x;
}

// One d, p or q kernel: its array function in a unit's table, and the scalar
// kernel on one tuple of arguments.
struct ArrayCase {
    const char* name;
    int slot;
    std::vector<Role> roles;
    bool flagged;
    bool prepared;  // over lanes only with its parameters repeated
    std::function<double(const double*, bool)> scalar;
    // The share of `elements` it takes: the normal, gamma, beta and t
    // quantiles finish each element on the scalar kernel, whose checks and
    // bisection in the tails are dear, around a lane stream checked on its own
    // at full count (the inverse error function's batch kernel, check_inverse).
    double share = 1;
};

template <auto kernel, std::size_t... I>
ArrayCase array_case(const char* name, std::vector<Role> roles, bool prepared, std::index_sequence<I...>) {
    constexpr bool flagged = quantora::module::KernelShape<decltype(kernel)>::flags == 1;
    return {name, quantora::module::lane_slot<kernel>, std::move(roles), flagged, prepared,
            [](const double* args, bool flag) {
                if constexpr (flagged) {
                    return kernel(args[I]..., flag);
                } else {
                    (void)flag;
                    return kernel(args[I]...);
                }
            }};
}

template <auto kernel>
ArrayCase array_case(const char* name, std::vector<Role> roles, bool prepared = false) {
    using Shape = quantora::module::KernelShape<decltype(kernel)>;
    return array_case<kernel>(name, std::move(roles), prepared,
                              std::make_index_sequence<Shape::arity - Shape::flags>{});
}

ArrayCase with_share(ArrayCase c, double share) {
    c.share = share;
    return c;
}

const std::vector<ArrayCase>& array_cases() {
    using R = Role;
    static const std::vector<ArrayCase> cases = {
        array_case<quantora::dnorm>("dnorm", {R::real, R::location, R::scale}),
        array_case<quantora::dexp>("dexp", {R::positive, R::scale}),
        array_case<quantora::dlaplace>("dlaplace", {R::real, R::location, R::scale}),
        array_case<quantora::dlnorm>("dlnorm", {R::positive, R::location, R::scale}),
        array_case<quantora::dlogis>("dlogis", {R::real, R::location, R::scale}),
        array_case<quantora::pnorm>("pnorm", {R::real, R::location, R::scale}),
        array_case<quantora::plnorm>("plnorm", {R::positive, R::location, R::scale}),
        array_case<quantora::plogis>("plogis", {R::real, R::location, R::scale}),
        array_case<quantora::pexp>("pexp", {R::positive, R::scale}),
        array_case<quantora::plaplace>("plaplace", {R::real, R::location, R::scale}),
        array_case<quantora::qexp>("qexp", {R::probability, R::scale}),
        array_case<quantora::qlogis>("qlogis", {R::probability, R::location, R::scale}),
        array_case<quantora::qlaplace>("qlaplace", {R::probability, R::location, R::scale}),
        with_share(array_case<quantora::qnorm>("qnorm", {R::probability, R::location, R::scale}), 0.25),
        with_share(array_case<quantora::qlnorm>("qlnorm", {R::probability, R::location, R::scale}), 0.25),
        array_case<quantora::dweibull>("dweibull", {R::positive, R::shape, R::scale}),
        array_case<quantora::pweibull>("pweibull", {R::positive, R::shape, R::scale}),
        array_case<quantora::qweibull>("qweibull", {R::probability, R::shape, R::scale}),
        array_case<quantora::pcauchy>("pcauchy", {R::real, R::location, R::scale}),
        array_case<quantora::qcauchy>("qcauchy", {R::probability, R::location, R::scale}),
        array_case<quantora::dbeta>("dbeta", {R::unit, R::shape, R::shape}, true),
        array_case<quantora::df>("df", {R::positive, R::shape, R::shape}, true),
        array_case<quantora::dt>("dt", {R::real, R::shape}, true),
        array_case<quantora::dgamma>("dgamma", {R::positive, R::shape, R::scale}, true),
        array_case<quantora::dchisq>("dchisq", {R::positive, R::shape}, true),
        array_case<quantora::dinvgamma>("dinvgamma", {R::positive, R::shape, R::scale}, true),
        array_case<quantora::pgamma>("pgamma", {R::positive, R::gamma_shape, R::scale}, true),
        array_case<quantora::pchisq>("pchisq", {R::positive, R::gamma_shape}, true),
        array_case<quantora::pinvgamma>("pinvgamma", {R::positive, R::gamma_shape, R::scale}, true),
        with_share(array_case<quantora::qgamma>("qgamma", {R::probability, R::quantile_shape, R::scale}, true), 0.1),
        with_share(array_case<quantora::qchisq>("qchisq", {R::probability, R::quantile_shape}, true), 0.1),
        with_share(array_case<quantora::qinvgamma>("qinvgamma", {R::probability, R::quantile_shape, R::scale}, true),
                   0.1),
        with_share(array_case<quantora::qt>("qt", {R::probability, R::shape}, true), 0.02),
        with_share(array_case<quantora::qbeta>("qbeta", {R::probability, R::inverse_shape, R::inverse_shape}, true),
                   0.02),
        with_share(array_case<quantora::qf>("qf", {R::probability, R::inverse_shape, R::inverse_shape}, true), 0.02),
    };
    return cases;
}

// The tuples of one kernel: per-element arguments and flags, their results
// from the scalar kernel, and a second set whose parameters and flag are
// repeated, over a strided first argument.
struct ArrayInputs {
    std::size_t n = 0;
    std::vector<std::vector<double>> columns;
    std::vector<unsigned char> flags;  // bytes, as NumPy holds them; any nonzero byte is true
    std::vector<double> expected;
    std::size_t runs = 0;               // repeated parameters: runs of `run` elements, one tuple each
    std::size_t run = 0;
    std::vector<double> strided;        // the first argument at every other double
    std::vector<std::vector<double>> repeated;  // per run: the parameters
    std::vector<bool> repeated_flag;
    std::vector<double> repeated_expected;
};

ArrayInputs array_inputs(const ArrayCase& c, std::size_t elements) {
    Mixer mixer(0xA77A0000u + elements + static_cast<std::uint64_t>(c.slot));
    ArrayInputs in;
    // A kernel over lanes only with its parameters repeated takes the scalar
    // kernel where they vary: a tenth of the tuples suffices there.
    const auto scaled = static_cast<std::size_t>(static_cast<double>(elements) * c.share);
    in.n = c.prepared ? scaled / 10 : scaled;
    in.columns.assign(c.roles.size(), std::vector<double>(in.n));
    in.flags.resize(in.n);
    in.expected.resize(in.n);
    std::vector<double> tuple(c.roles.size());
    for (std::size_t i = 0; i < in.n; ++i) {
        for (std::size_t k = 0; k < c.roles.size(); ++k) tuple[k] = in.columns[k][i] = draw_argument(mixer, c.roles[k]);
        // Mostly runs of one flag, so that whole chunks share it; now and then
        // a byte other than 1.
        const bool flag = c.flagged && (i / 64 + mixer.below(16) / 15) % 2 == 1;
        in.flags[i] = flag ? static_cast<unsigned char>(1 + mixer.below(2) * mixer.below(255)) : 0;
        in.expected[i] = c.scalar(tuple.data(), flag);
    }
    in.run = 1000;
    in.runs = (c.prepared ? scaled : scaled / 10) / in.run + 1;
    in.strided.resize(2 * in.runs * in.run);
    for (std::size_t r = 0; r < in.runs; ++r) {
        std::vector<double> params(c.roles.size());
        for (std::size_t k = 1; k < c.roles.size(); ++k) params[k] = draw_argument(mixer, c.roles[k]);
        in.repeated.push_back(params);
        in.repeated_flag.push_back(c.flagged && r % 2 == 1);
        for (std::size_t i = 0; i < in.run; ++i) {
            params[0] = in.strided[2 * (r * in.run + i)] = draw_argument(mixer, c.roles[0]);
            in.repeated_expected.push_back(c.scalar(params.data(), in.repeated_flag[r]));
        }
    }
    return in;
}

bool check_array(const quantora::LaneUnit& unit, const ArrayCase& c, const ArrayInputs& in, Log& log) {
    const std::size_t count = c.roles.size() + c.flagged;
    std::vector<const char*> args(count);
    std::vector<std::ptrdiff_t> steps(count);
    std::vector<double> out(in.n > in.run ? in.n : in.run);
    Tally tally;
    const auto report = [&](const char* how, std::size_t i, double got, double want) {
        ++tally.compared;
        if (same_bits(got, want)) return;
        if (tally.differing++ < 5) {
            add_line(log, "  %s %s element %zu: lanes %016" PRIx64 " scalar %016" PRIx64 "\n", c.name, how, i,
                        double_pattern(got), double_pattern(want));
        }
    };

    for (std::size_t k = 0; k < c.roles.size(); ++k) {
        args[k] = reinterpret_cast<const char*>(in.columns[k].data());
        steps[k] = sizeof(double);
    }
    if (c.flagged) {
        args[count - 1] = reinterpret_cast<const char*>(in.flags.data());
        steps[count - 1] = 1;
    }
    unit.arrays[c.slot](args.data(), steps.data(), out.data(), in.n);
    for (std::size_t i = 0; i < in.n; ++i) report("varying", i, out[i], in.expected[i]);

    for (std::size_t r = 0; r < in.runs; ++r) {
        args[0] = reinterpret_cast<const char*>(in.strided.data() + 2 * r * in.run);
        steps[0] = 2 * sizeof(double);
        for (std::size_t k = 1; k < c.roles.size(); ++k) {
            args[k] = reinterpret_cast<const char*>(&in.repeated[r][k]);
            steps[k] = 0;
        }
        const bool flag = in.repeated_flag[r];
        if (c.flagged) {
            args[count - 1] = reinterpret_cast<const char*>(&flag);
            steps[count - 1] = 0;
        }
        unit.arrays[c.slot](args.data(), steps.data(), out.data(), in.run);
        for (std::size_t i = 0; i < in.run; ++i) report("repeated", i, out[i], in.repeated_expected[r * in.run + i]);
    }
    add_line(log, "%-7s %2d lanes  %-8s %9" PRIu64 " elements, %" PRIu64 " differ\n", unit.name, unit.lanes, c.name,
             tally.compared, tally.differing);
    return tally.differing == 0;
}

// The quantiles' lane streams, the inverses of the incomplete gamma and beta
// functions, on `elements` probabilities in runs of 1000 at one shape each.
struct InverseInputs {
    std::vector<std::vector<double>> shapes;  // per run
    std::vector<double> p;
    std::vector<double> want;
};

constexpr std::size_t INVERSE_RUN = 1000;

struct InverseCase {
    const char* name;
    std::vector<Role> roles;  // of the shape parameters
    std::function<double(const std::vector<double>&, double)> scalar;
    std::function<void(const quantora::LaneUnit&, const std::vector<double>&, const double*, double*, std::size_t)>
        lanes;
};

const std::vector<InverseCase>& inverse_cases() {
    static const std::vector<InverseCase> cases = {
        {"inc_gamma_inv", {Role::quantile_shape},
         [](const std::vector<double>& s, double p) { return quantora::inc_gamma_inv(quantora::gamma_shape(s[0]), p); },
         [](const quantora::LaneUnit& unit, const std::vector<double>& s, const double* p, double* out,
            std::size_t n) { unit.inc_gamma_inv(quantora::gamma_shape(s[0]), p, out, n); }},
        {"inc_beta_inv", {Role::inverse_shape, Role::inverse_shape},
         [](const std::vector<double>& s, double p) {
             return quantora::inc_beta_inv(quantora::beta_shape(s[0], s[1]), p);
         },
         [](const quantora::LaneUnit& unit, const std::vector<double>& s, const double* p, double* out,
            std::size_t n) { unit.inc_beta_inv(quantora::beta_shape(s[0], s[1]), p, out, n); }},
    };
    return cases;
}

InverseInputs inverse_inputs(const InverseCase& c, std::size_t elements) {
    Mixer mixer(0x1A7E0000u + elements + c.roles.size());
    InverseInputs in;
    for (std::size_t r = 0; r * INVERSE_RUN < elements; ++r) {
        std::vector<double> shape;
        for (const Role role : c.roles) shape.push_back(draw_argument(mixer, role));
        in.shapes.push_back(shape);
        for (std::size_t i = 0; i < INVERSE_RUN; ++i) {
            in.p.push_back(draw_argument(mixer, Role::probability));
            in.want.push_back(c.scalar(shape, in.p.back()));
        }
    }
    return in;
}

bool check_inverse(const quantora::LaneUnit& unit, const InverseCase& c, const InverseInputs& in, Log& log) {
    Tally tally;
    std::vector<double> out(INVERSE_RUN);
    for (std::size_t r = 0; r < in.shapes.size(); ++r) {
        const double* p = in.p.data() + r * INVERSE_RUN;
        c.lanes(unit, in.shapes[r], p, out.data(), INVERSE_RUN);
        for (std::size_t i = 0; i < INVERSE_RUN; ++i) {
            ++tally.compared;
            const double want = in.want[r * INVERSE_RUN + i];
            if (same_bits(out[i], want)) continue;
            if (tally.differing++ < 5) {
                add_line(log, "  %s(%.17g, p = %.17g): lanes %016" PRIx64 " scalar %016" PRIx64 "\n", c.name,
                            in.shapes[r][0], p[i], double_pattern(out[i]), double_pattern(want));
            }
        }
    }
    add_line(log, "%-7s %2d lanes  %-8s %9" PRIu64 " elements, %" PRIu64 " differ\n", unit.name, unit.lanes, c.name,
             tally.compared, tally.differing);
    return tally.differing == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fputs("usage: quantora_check_lanes [elements per kernel]\n", stderr);
        return 2;
    }
    const std::size_t elements = argc == 2 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const quantora::LaneUnit* units[8];
    const int count = quantora::runnable_lane_units(units, 8);
    std::printf("chosen unit: %s; runnable:", quantora::chosen_lane_unit().name);
    for (int u = 0; u < count; ++u) std::printf(" %s", units[u]->name);
    std::printf("\n");
    if (&quantora::chosen_lane_unit() != units[count - 1]) {
        std::printf("the chosen unit is not the widest runnable one\n");
        return 1;
    }
    bool ok = true;
    for (const Kernel& kernel : KERNELS) {
        const BatchInputs inputs = batch_inputs(kernel, elements);
        for (int u = 0; u < count; ++u) ok = check(*units[u], kernel, inputs) && ok;
    }
    for (int slot = 0; slot < static_cast<int>(quantora::module::LaneKernels::size); ++slot) {
        bool covered = false;
        for (const ArrayCase& c : array_cases()) covered = covered || c.slot == slot;
        if (!covered) {
            std::printf("the lane kernel in slot %d has no check\n", slot);
            ok = false;
        }
    }
    // The inverse streams and the d, p and q kernels, each with its scalar
    // references and every unit, on as many threads as the processor runs
    // (the units are only read), each check's lines printed in order.
    struct Check {
        const char* name;
        std::function<bool(Log&)> run;
    };
    std::vector<Check> checks;
    for (const InverseCase& c : inverse_cases()) {
        checks.push_back({c.name, [&c, &units, count, elements](Log& log) {
            const InverseInputs in = inverse_inputs(c, elements);
            bool passed = true;
            for (int u = 0; u < count; ++u) passed = check_inverse(*units[u], c, in, log) && passed;
            return passed;
        }});
    }
    for (const ArrayCase& c : array_cases()) {
        checks.push_back({c.name, [&c, &units, count, elements](Log& log) {
            const ArrayInputs in = array_inputs(c, elements);
            bool passed = true;
            for (int u = 0; u < count; ++u) passed = check_array(*units[u], c, in, log) && passed;
            return passed;
        }});
    }
    std::vector<Log> logs(checks.size());
    std::vector<char> passed(checks.size(), 0);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t k = next++; k < checks.size(); k = next++) {
            const auto begin = std::chrono::steady_clock::now();
            passed[k] = checks[k].run(logs[k]);
            const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - begin;
            add_line(logs[k], "        %-9s %.1f s with its scalar references\n", checks[k].name, spent.count());
        }
    };
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < threads; ++t) workers.emplace_back(work);
    work();
    for (std::thread& worker : workers) worker.join();
    for (std::size_t k = 0; k < checks.size(); ++k) {
        std::fputs(logs[k].text.c_str(), stdout);
        ok = passed[k] && ok;
    }
    return ok ? 0 : 1;
}
