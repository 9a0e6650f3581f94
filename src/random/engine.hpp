#pragma once
#include <cstdint>
#include <random>

namespace quantora {

// The standard MT19937-64 engine: its output sequence is the published one for
// every seed, which fixes every random stream of the library.
using Engine = std::mt19937_64;

// u = y / 2^64 for a 64-bit output y rounded to double: in [0, 1], exactly 1.0
// for the 1024 largest outputs. Non-decreasing in y.
double canonical_from_output(std::uint64_t y);

// The canonical uniform floored at the smallest subnormal: in (0, 1].
// Non-decreasing in y.
double positive_from_output(std::uint64_t y);

// The same two uniforms of the engine's next output.
inline double canonical_uniform(Engine& engine) { return canonical_from_output(engine()); }
inline double positive_uniform(Engine& engine) { return positive_from_output(engine()); }

}  // namespace quantora
