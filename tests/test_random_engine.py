"""The engine, its seeding and the two uniform sources.

The engine is checked against a direct transcription of the 64-bit Mersenne
Twister recurrence; the uniforms are observed through runif(0, 1), which
returns the canonical uniform itself for every output but 0."""
import itertools

import pytest

import quantora
from exact import assert_bits, bits

MASK = (1 << 64) - 1
LOWER = (1 << 31) - 1
UPPER = MASK ^ LOWER


def mt64_outputs(seed):
    """The MT19937-64 output sequence for a 64-bit seed word."""
    state = [seed & MASK]
    for i in range(1, 312):
        prev = state[-1]
        state.append((6364136223846793005 * (prev ^ (prev >> 62)) + i) & MASK)
    index = 312
    while True:
        if index == 312:
            for i in range(312):
                x = (state[i] & UPPER) | (state[(i + 1) % 312] & LOWER)
                twisted = (x >> 1) ^ (0xB5026F5AA96619E9 if x & 1 else 0)
                state[i] = state[(i + 156) % 312] ^ twisted
            index = 0
        y = state[index]
        index += 1
        y ^= (y >> 29) & 0x5555555555555555
        y ^= (y << 17) & 0x71D67FFFEDA60000
        y ^= (y << 37) & 0xFFF7EEE000000000
        y ^= y >> 43
        yield y


def canonical(y):
    # int -> float rounds to nearest, ties to even; the division is exact.
    return float(y) / 2.0**64


def uniforms(engine, n):
    return quantora.runif(0.0, 1.0, n, engine)


def test_reference_recurrence_matches_published_outputs():
    first = list(itertools.islice(mt64_outputs(1), 2))
    assert first == [2469588189546311528, 2516265689700432462]
    assert first[0] == 0x2245BD5FBB686F68
    assert next(itertools.islice(mt64_outputs(5489), 9999, None)) == 9981545732273789042


def test_first_uniforms_of_seed_one():
    e = quantora.Engine(1)
    assert_bits(quantora.runif(0.0, 1.0, e), 0.13387664401253274, "first")
    assert_bits(quantora.runif(0.0, 1.0, e), 0.13640703636619725, "second")


def test_ten_thousandth_output_of_seed_5489():
    e = quantora.Engine(5489)
    quantora.runif(0.0, 1.0, 9999, e)
    assert_bits(quantora.runif(0.0, 1.0, e), canonical(9981545732273789042), "10000th")


@pytest.mark.parametrize("seed", [1, 5, 0, -1, -3, 2**31 - 1, -(2**31)])
def test_uniform_stream_matches_recurrence_with_sign_extended_seed(seed):
    n = 700  # crosses two twists of the 312-word state
    want = [canonical(y) for y in itertools.islice(mt64_outputs(seed & MASK), n)]
    got = uniforms(quantora.Engine(seed), n)
    mismatches = [(i, bits(g), bits(w)) for i, (g, w) in enumerate(zip(got, want)) if bits(g) != bits(w)]
    assert not mismatches, mismatches[:5]


def test_negative_seed_is_not_its_unsigned_32_bit_twin():
    # -1 must become 0xFFFFFFFFFFFFFFFF, not 0xFFFFFFFF.
    a = uniforms(quantora.Engine(-1), 3)
    b = [canonical(y) for y in itertools.islice(mt64_outputs(0xFFFFFFFF), 3)]
    assert [bits(v) for v in a] != [bits(v) for v in b]


def test_engines_are_independent():
    a, b = quantora.Engine(9), quantora.Engine(9)
    first_a = uniforms(a, 5)
    more_a = uniforms(a, 5)
    assert [bits(v) for v in uniforms(b, 5)] == [bits(v) for v in first_a]
    assert [bits(v) for v in uniforms(b, 5)] == [bits(v) for v in more_a]


@pytest.mark.parametrize("args", [(), (2**31,), (-(2**31) - 1,), (4294967295,), (1.0,), ("1",), (None,), (1, 2)])
def test_engine_constructor_refuses(args):
    with pytest.raises(TypeError):
        quantora.Engine(*args)


def test_engine_seed_is_positional_only():
    with pytest.raises(TypeError):
        quantora.Engine(seed=1)


def test_engine_has_no_public_surface():
    assert [n for n in dir(quantora.Engine(1)) if not n.startswith("_")] == []
