// Every vector unit this processor runs, forced one at a time, against the
// scalar kernels, bit for bit:
//
//     quantora_check_lanes [elements]
//
// For each batch kernel, `elements` inputs (default 1,000,000): edge values
// (signed zeros, subnormals, EPS and its neighbours, the kernels' switch
// points and their neighbours, infinities, NaNs, the ends of the range)
// scattered among random doubles of every kind, so that lanes of one chunk
// take different paths. Each unit runs them through the batch entry point
// once aligned, once shifted by one element with a remainder, and once in
// place. Prints one line per unit and kernel; exits with status 1 on any
// difference, NaN encodings included.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "special/batch.hpp"
#include "special/bits.hpp"
#include "special/elementary.hpp"
#include "special/lane_unit.hpp"

namespace {

using quantora::double_pattern;
using quantora::pattern_double;
using quantora::same_bits;

// SplitMix64: a fixed generator independent of the kernels under test.
class Mixer {
public:
    explicit Mixer(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }

private:
    std::uint64_t state_;
};

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

void compare(const Kernel& kernel, const char* how, const double* in, const double* out, std::size_t n,
             Tally& tally) {
    for (std::size_t i = 0; i < n; ++i) {
        const double want = kernel.scalar(in[i]);
        ++tally.compared;
        if (same_bits(out[i], want)) continue;
        if (tally.differing++ < 5) {
            std::printf("  %s(%.17g) %s: lanes %016" PRIx64 " scalar %016" PRIx64 "\n", kernel.name, in[i], how,
                        double_pattern(out[i]), double_pattern(want));
        }
    }
}

bool check(const quantora::LaneUnit& unit, const Kernel& kernel, std::size_t elements) {
    Mixer mixer(0x5EED0000u + elements);
    std::vector<double> in(elements);
    for (double& x : in) x = draw(mixer, kernel);
    std::vector<double> out(elements);
    const quantora::BatchKernel batch = unit.*kernel.batch;
    Tally tally;

    quantora::force_lane_unit(&unit);
    const quantora::BatchKernel entry = quantora::chosen_lane_unit().*kernel.batch;
    if (entry != batch) {
        std::printf("  forcing %s did not take effect\n", unit.name);
        return false;
    }
    batch(in.data(), out.data(), elements);
    compare(kernel, "aligned", in.data(), out.data(), elements, tally);
    if (elements > 1) {
        batch(in.data() + 1, out.data() + 1, elements - 1);
        compare(kernel, "shifted", in.data() + 1, out.data() + 1, elements - 1, tally);
    }
    std::vector<double> in_place = in;
    batch(in_place.data(), in_place.data(), elements);
    compare(kernel, "in place", in.data(), in_place.data(), elements, tally);
    quantora::force_lane_unit(nullptr);

    std::printf("%-7s %2d lanes  %-6s %9" PRIu64 " elements, %" PRIu64 " differ\n", unit.name, unit.lanes,
                kernel.name, tally.compared, tally.differing);
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
    for (int u = 0; u < count; ++u) {
        for (const Kernel& kernel : KERNELS) ok = check(*units[u], kernel, elements) && ok;
    }
    return ok ? 0 : 1;
}
