"""The r functions as Python sees them: the three overloads, array shapes and
fill order, the default engine, and the arguments that are refused before any
draw."""
import math
import subprocess
import sys

import numpy as np
import pytest

import quantora as q
from exact import bits

# Every r function with one valid parameter set.
GENERATORS = [
    ("rnorm", (0.0, 1.0)), ("rbern", (0.4,)), ("rbeta", (2.0, 3.0)), ("rbinom", (5, 0.5)),
    ("rcauchy", (0.0, 1.0)), ("rchisq", (3.0,)), ("rexp", (1.0,)), ("rf", (3.0, 5.0)),
    ("rgamma", (0.7, 2.0)), ("rinvgamma", (3.0, 2.0)), ("rlaplace", (0.0, 1.0)), ("rlnorm", (0.0, 1.0)),
    ("rlogis", (0.0, 1.0)), ("rpois", (4.0,)), ("rt", (3.0,)), ("runif", (-1.0, 2.0)), ("rweibull", (2.0, 1.0)),
]
IDS = [g[0] for g in GENERATORS]


def stream(engine, n=3):
    return [bits(v) for v in q.runif(0.0, 1.0, n, engine)]


def untouched(engine, seed=1):
    return stream(engine) == stream(q.Engine(seed))


@pytest.mark.parametrize("name, params", GENERATORS, ids=IDS)
def test_array_holds_consecutive_scalar_draws_in_row_major_order(name, params):
    fn = getattr(q, name)
    scalar_engine = q.Engine(1)
    want = [bits(fn(*params, scalar_engine)) for _ in range(6)]
    by_length, by_shape = q.Engine(1), q.Engine(1)
    vector = fn(*params, 6, by_length)
    matrix = fn(*params, [2, 3], by_shape)
    assert vector.shape == (6,) and matrix.shape == (2, 3)
    assert vector.dtype == np.float64 and matrix.flags.c_contiguous and matrix.flags.writeable
    assert [bits(v) for v in vector] == want
    assert [[bits(v) for v in row] for row in matrix] == [want[:3], want[3:]]
    assert stream(by_length) == stream(scalar_engine) == stream(by_shape)


@pytest.mark.parametrize("size", [(2, 3), [1, 2, 3]])
def test_shape_accepts_any_sequence_of_ints(size):
    got = q.rnorm(0.0, 1.0, size, q.Engine(1))
    assert got.shape == tuple(size)


@pytest.mark.parametrize("size, shape", [(0, (0,)), ([4, 0], (4, 0)), ([0], (0,))])
def test_empty_arrays_draw_nothing(size, shape):
    e = q.Engine(1)
    got = q.rexp(1.0, size, e)
    assert got.shape == shape and got.dtype == np.float64
    assert untouched(e)


def test_empty_shape_gives_zero_dimensional_array_of_one_draw():
    e = q.Engine(1)
    got = q.rexp(1.0, [], e)
    assert isinstance(got, np.ndarray) and got.shape == ()
    assert bits(got[()]) == bits(q.rexp(1.0, q.Engine(1)))
    f = q.Engine(1)
    q.rexp(1.0, f)
    assert stream(e) == stream(f)


def test_scalar_overload_returns_float():
    assert type(q.rnorm(0.0, 1.0, q.Engine(1))) is float
    assert type(q.rnorm(engine=q.Engine(1))) is float
    assert type(q.rbinom(10, 0.5, q.Engine(1))) is float


def test_keywords_and_int_parameters():
    want = bits(q.rgamma(2.0, 3.0, q.Engine(1)))
    assert bits(q.rgamma(2, 3, q.Engine(1))) == want
    assert bits(q.rgamma(scale=3.0, shape=2.0, engine=q.Engine(1))) == want
    assert bits(q.rgamma(2.0, 3.0, size=[], engine=q.Engine(1))[()]) == want


def test_rbinom_array_counts_consume_n_trials_each():
    e = q.Engine(1)
    got = q.rbinom(10, 0.5, 4, e)
    assert set(got.tolist()) <= {float(k) for k in range(11)}
    f = q.Engine(1)
    q.runif(0.0, 1.0, 40, f)
    assert stream(e) == stream(f)


def test_invalid_parameters_fill_nan_without_drawing():
    e = q.Engine(1)
    got = q.rexp(-1.0, 3, e)
    assert got.shape == (3,) and all(math.isnan(v) for v in got)
    assert all(math.isnan(v) for v in q.rgamma(-1.0, 1.0, [2, 2], e).ravel())
    assert untouched(e)


REFUSED = {
    "engine None": lambda e: q.rnorm(0.0, 1.0, None),
    "engine None, length": lambda e: q.rnorm(0.0, 1.0, 3, None),
    "engine keyword None": lambda e: q.rnorm(engine=None),
    "engine not an Engine": lambda e: q.rnorm(0.0, 1.0, [3], "engine"),
    "negative length": lambda e: q.rnorm(0.0, 1.0, -3, e),
    "float length": lambda e: q.rnorm(0.0, 1.0, 3.0, e),
    "length beyond size type": lambda e: q.rnorm(0.0, 1.0, 2**64, e),
    "negative extent": lambda e: q.rnorm(0.0, 1.0, [2, -1], e),
    "float extent": lambda e: q.rnorm(0.0, 1.0, [2, 3.0], e),
    "string extent": lambda e: q.rnorm(0.0, 1.0, [2, "3"], e),
    "None extent": lambda e: q.rnorm(0.0, 1.0, [2, None], e),
    "string size": lambda e: q.rnorm(0.0, 1.0, "ab", e),
    "bytes size": lambda e: q.rnorm(0.0, 1.0, b"ab", e),
    "list parameter": lambda e: q.rnorm([0.0, 1.0], 1.0, e),
    "array parameter": lambda e: q.rnorm(np.array([0.0, 1.0]), 1.0, e),
    "string parameter": lambda e: q.rnorm("a", 1.0, e),
    "rexp negative in engine place": lambda e: q.rexp(1.0, -1),
    "rexp float in engine place": lambda e: q.rexp(1.0, 2.5),
    "rexp float length": lambda e: q.rexp(1.0, 2.5, e),
    "rbinom float n_trials": lambda e: q.rbinom(10.0, 0.5, e),
    "rbinom n_trials beyond int64": lambda e: q.rbinom(2**63, 0.5, e),
    "rbinom float length": lambda e: q.rbinom(10, 0.5, 4.0, e),
    "missing parameter": lambda e: q.rgamma(2.0, engine=e),
    "too many arguments": lambda e: q.rgamma(2.0, 1.0, 3, e, None),
    "unknown keyword": lambda e: q.rnorm(0.0, 1.0, n=3, engine=e),
}


@pytest.mark.parametrize("call", REFUSED.values(), ids=REFUSED.keys())
def test_refused_arguments_raise_type_error_before_drawing(call):
    e = q.Engine(1)
    with pytest.raises(TypeError, match=r"^r[a-z]+\(\): incompatible function arguments"):
        call(e)
    assert untouched(e)


def test_unallocatable_size_raises_before_drawing():
    e = q.Engine(1)
    for size in (2**63, [2**40, 2**40]):
        with pytest.raises((ValueError, MemoryError)):
            q.rnorm(0.0, 1.0, size, e)
    assert untouched(e)


def test_default_engine_is_seed_one_and_shared():
    # A fresh interpreter: the calls without engine continue one stream that
    # starts from seed 1, across functions.
    program = (
        "import quantora as q\n"
        "print(q.rnorm().hex(), q.runif(0.0, 1.0).hex(), q.rexp(2.0, 2)[1].hex(), q.rnorm(size=[1])[0].hex())\n"
    )
    out = subprocess.run([sys.executable, "-c", program], capture_output=True, text=True, check=True).stdout.split()
    e = q.Engine(1)
    want = [
        q.rnorm(engine=e).hex(), q.runif(0.0, 1.0, e).hex(), q.rexp(2.0, 2, e)[1].hex(), q.rnorm(size=[1], engine=e)[0].hex()
    ]
    assert out == want
