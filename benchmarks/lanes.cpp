// Nanoseconds per element of the batch kernels on every vector unit this
// processor runs, beside the scalar kernel in a plain loop over the same
// arrays, and the speed-up of each unit over that loop:
//
//     quantora_lanes [elements]
//
// Typical arguments: exp on [-20, 20], log and sqrt on [1e-5, 1e5]
// (log-uniform), expm1 on [-1, 1]. Each figure is the best of several runs.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "special/batch.hpp"
#include "special/elementary.hpp"
#include "special/lane_unit.hpp"

namespace {

constexpr int RUNS = 15;

struct Kernel {
    const char* name;
    quantora::BatchKernel quantora::LaneUnit::*batch;
    double (*scalar)(double);
    double (*argument)(double u);  // u uniform on [0, 1)
};

double exp_argument(double u) { return 40 * u - 20; }
double log_argument(double u) { return quantora::exp_kernel(23.0258509299 * u - 11.5129254649); }
double expm1_argument(double u) { return 2 * u - 1; }

const Kernel KERNELS[] = {
    {"exp", &quantora::LaneUnit::exp, quantora::exp_kernel, exp_argument},
    {"log", &quantora::LaneUnit::log, quantora::log_kernel, log_argument},
    {"expm1", &quantora::LaneUnit::expm1, quantora::expm1_kernel, expm1_argument},
    {"sqrt", &quantora::LaneUnit::sqrt, quantora::sqrt_kernel, log_argument},
};

template <class Body>
double best_ns_per_element(std::size_t n, Body body) {
    double best = 1e300;
    for (int run = 0; run < RUNS; ++run) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best) best = took.count();
    }
    return best / static_cast<double>(n);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 20000;
    const quantora::LaneUnit* units[8];
    const int count = quantora::runnable_lane_units(units, 8);
    std::printf("ns per element over %zu elements; speed-up over the scalar loop in brackets\n", n);
    std::printf("%-7s %8s", "kernel", "scalar");
    for (int u = 0; u < count; ++u) std::printf("  %8s (%2d lanes)", units[u]->name, units[u]->lanes);
    std::printf("\n");
    std::uint64_t state = 12345;
    for (const Kernel& kernel : KERNELS) {
        std::vector<double> in(n), out(n);
        for (double& x : in) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            x = kernel.argument(static_cast<double>(state >> 11) * 0x1p-53);
        }
        const double scalar = best_ns_per_element(n, [&] {
            for (std::size_t i = 0; i < n; ++i) out[i] = kernel.scalar(in[i]);
        });
        std::printf("%-7s %8.1f", kernel.name, scalar);
        for (int u = 0; u < count; ++u) {
            const quantora::BatchKernel batch = units[u]->*kernel.batch;
            const double lanes = best_ns_per_element(n, [&] { batch(in.data(), out.data(), n); });
            std::printf("  %8.1f (x%5.2f)  ", lanes, scalar / lanes);
        }
        std::printf("\n");
    }
    return 0;
}
