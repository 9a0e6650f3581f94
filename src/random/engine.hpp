#pragma once
#include <random>

namespace quantora {

// The standard MT19937-64 engine: its output sequence is the published one for
// every seed, which fixes every random stream of the library.
using Engine = std::mt19937_64;

// u = y / 2^64 for the next 64-bit output y rounded to double: in [0, 1],
// exactly 1.0 for the 1024 largest outputs.
double canonical_uniform(Engine& engine);

// The canonical uniform floored at the smallest subnormal: in (0, 1].
double positive_uniform(Engine& engine);

}  // namespace quantora
