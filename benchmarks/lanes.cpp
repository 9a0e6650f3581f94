// Nanoseconds per element of the batch kernels and of the d, p and q lane
// kernels on every vector unit this processor runs, beside the scalar kernel
// in a plain loop over the same arrays, and the speed-up of each unit over
// that loop:
//
//     quantora_lanes [elements]
//
// Typical arguments: exp on [-20, 20], log and sqrt on [1e-5, 1e5]
// (log-uniform), expm1, erf, tanh and atan on [-1, 1] scaled, tan and erf_inv
// on (-1, 1);
// the d and p kernels at standard normal draws (their absolute values for the
// log-normal and exponential laws), the quantiles at uniform probabilities,
// with scalar parameters. Each figure is the best of several runs.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "special/batch.hpp"
#include "special/elementary.hpp"
#include "module/lane_kernels.hpp"
#include "special/erf.hpp"
#include "special/lane_unit.hpp"
#include "special/trig.hpp"

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
double erf_argument(double u) { return 6 * u - 3; }
double tanh_argument(double u) { return 20 * u - 10; }

const Kernel KERNELS[] = {
    {"exp", &quantora::LaneUnit::exp, quantora::exp_kernel, exp_argument},
    {"log", &quantora::LaneUnit::log, quantora::log_kernel, log_argument},
    {"expm1", &quantora::LaneUnit::expm1, quantora::expm1_kernel, expm1_argument},
    {"sqrt", &quantora::LaneUnit::sqrt, quantora::sqrt_kernel, log_argument},
    {"erf", &quantora::LaneUnit::erf, quantora::erf_kernel, erf_argument},
    {"erfcx", &quantora::LaneUnit::erfcx, quantora::erfcx_kernel, tanh_argument},
    {"erf_inv", &quantora::LaneUnit::erf_inv, quantora::erf_inv_kernel, expm1_argument},
    {"tanh", &quantora::LaneUnit::tanh, quantora::tanh_kernel, tanh_argument},
    {"atan", &quantora::LaneUnit::atan, quantora::atan_kernel, tanh_argument},
    {"tan", &quantora::LaneUnit::tan, quantora::tan_kernel, expm1_argument},
};

// A standard normal draw from two uniforms (Box-Muller, on the library's kernels).
double normal_draw(double u, double v) {
    return quantora::sqrt_kernel(-2 * quantora::log_kernel(1 - u)) * quantora::tan_kernel(0.5 * v);
}

// A d, p or q kernel with scalar parameters (mu = 0.3, sigma = 1.7, or the rate
// 2; the same numbers as the beta and F shapes, the gamma family's shape and
// scale, and the t and chi-squared laws' degrees of freedom), the flag false.
constexpr double MU = 0.3;
constexpr double SIGMA = 1.7;
constexpr double RATE = 2.0;
constexpr bool FLAG = false;

struct ArrayKernel {
    const char* name;
    int slot;
    double (*argument)(double u, double v);
    double (*scalar)(double x);
    std::vector<const void*> parameters;  // after x: the parameters, then the flag
};

double real_argument(double u, double v) { return 1.7 * normal_draw(u, v) + 0.3; }
double positive_argument(double u, double v) { return quantora::exp_kernel(real_argument(u, v)); }
double probability_argument(double u, double) { return u; }

template <auto kernel>
ArrayKernel array_kernel(const char* name, double (*argument)(double, double)) {
    using Shape = quantora::module::KernelShape<decltype(kernel)>;
    if constexpr (Shape::params == 1 && Shape::flags == 1) {
        return {name, quantora::module::lane_slot<kernel>, argument,
                [](double x) { return kernel(x, RATE, FLAG); }, {&RATE, &FLAG}};
    } else if constexpr (Shape::params == 1) {
        return {name, quantora::module::lane_slot<kernel>, argument, [](double x) { return kernel(x, RATE); },
                {&RATE}};
    } else if constexpr (Shape::flags == 1) {
        return {name, quantora::module::lane_slot<kernel>, argument,
                [](double x) { return kernel(x, MU, SIGMA, FLAG); }, {&MU, &SIGMA, &FLAG}};
    } else {
        return {name, quantora::module::lane_slot<kernel>, argument, [](double x) { return kernel(x, MU, SIGMA); },
                {&MU, &SIGMA}};
    }
}

const ArrayKernel ARRAY_KERNELS[] = {
    array_kernel<quantora::dnorm>("dnorm", real_argument),
    array_kernel<quantora::dexp>("dexp", positive_argument),
    array_kernel<quantora::dlaplace>("dlaplace", real_argument),
    array_kernel<quantora::dlnorm>("dlnorm", positive_argument),
    array_kernel<quantora::dlogis>("dlogis", real_argument),
    array_kernel<quantora::pnorm>("pnorm", real_argument),
    array_kernel<quantora::plnorm>("plnorm", positive_argument),
    array_kernel<quantora::plogis>("plogis", real_argument),
    array_kernel<quantora::pexp>("pexp", positive_argument),
    array_kernel<quantora::plaplace>("plaplace", real_argument),
    array_kernel<quantora::qnorm>("qnorm", probability_argument),
    array_kernel<quantora::qlnorm>("qlnorm", probability_argument),
    array_kernel<quantora::qexp>("qexp", probability_argument),
    array_kernel<quantora::qlogis>("qlogis", probability_argument),
    array_kernel<quantora::qlaplace>("qlaplace", probability_argument),
    array_kernel<quantora::pcauchy>("pcauchy", real_argument),
    array_kernel<quantora::qcauchy>("qcauchy", probability_argument),
    array_kernel<quantora::dweibull>("dweibull", positive_argument),
    array_kernel<quantora::pweibull>("pweibull", positive_argument),
    array_kernel<quantora::qweibull>("qweibull", probability_argument),
    array_kernel<quantora::dbeta>("dbeta", probability_argument),
    array_kernel<quantora::df>("df", positive_argument),
    array_kernel<quantora::dt>("dt", real_argument),
    array_kernel<quantora::dgamma>("dgamma", positive_argument),
    array_kernel<quantora::dchisq>("dchisq", positive_argument),
    array_kernel<quantora::dinvgamma>("dinvgamma", positive_argument),
    array_kernel<quantora::pgamma>("pgamma", positive_argument),
    array_kernel<quantora::pchisq>("pchisq", positive_argument),
    array_kernel<quantora::pinvgamma>("pinvgamma", positive_argument),
    array_kernel<quantora::qgamma>("qgamma", probability_argument),
    array_kernel<quantora::qchisq>("qchisq", probability_argument),
    array_kernel<quantora::qinvgamma>("qinvgamma", probability_argument),
    array_kernel<quantora::qt>("qt", probability_argument),
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
    const auto uniform = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<double>(state >> 11) * 0x1p-53;
    };
    for (const Kernel& kernel : KERNELS) {
        std::vector<double> in(n), out(n);
        for (double& x : in) x = kernel.argument(uniform());
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
    for (const ArrayKernel& kernel : ARRAY_KERNELS) {
        std::vector<double> in(n), out(n);
        for (double& x : in) x = kernel.argument(uniform(), uniform());
        const double scalar = best_ns_per_element(n, [&] {
            for (std::size_t i = 0; i < n; ++i) out[i] = kernel.scalar(in[i]);
        });
        std::printf("%-8s%8.1f", kernel.name, scalar);
        // x in place, every other argument repeated (step 0).
        std::vector<const char*> args = {reinterpret_cast<const char*>(in.data())};
        for (const void* parameter : kernel.parameters) args.push_back(static_cast<const char*>(parameter));
        std::vector<std::ptrdiff_t> steps(args.size(), 0);
        steps[0] = sizeof(double);
        for (int u = 0; u < count; ++u) {
            const quantora::ArrayKernel array = units[u]->arrays[kernel.slot];
            const double lanes = best_ns_per_element(n, [&] { array(args.data(), steps.data(), out.data(), n); });
            std::printf("  %8.1f (x%5.2f)  ", lanes, scalar / lanes);
        }
        std::printf("\n");
    }
    return 0;
}
