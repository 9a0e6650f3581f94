#pragma once
// SplitMix64: a small fixed generator for the check and dump programs' drawn
// inputs, independent of the engine and the kernels under test.
#include <cstdint>

namespace quantora::tools {

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

    // Uniform on [0, 1) with 53 random bits; exact, so the same on every machine.
    double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }

private:
    std::uint64_t state_;
};

}  // namespace quantora::tools
