"""The d, p and q functions over arrays: conversion of every kind of argument, result shape,
type and memory order, broadcasting, and the paths a call may take (plain scalars straight to
the kernel, parameters prepared once, counts memoised, the per-element loop), which must all
give the kernel's own bits."""
import subprocess
import sys
import threading

import numpy as np
import pytest

import quantora as q

COUNT_MAX = 2**63 - 1
COUNT_MIN = -2**63

# name: the element type of each parameter ("f" float64, "i" int64); counts are the x of d and p
PARAMS = {
    "norm": "ff", "bern": "f", "beta": "ff", "binom": "if", "cauchy": "ff", "chisq": "f", "exp": "f",
    "f": "ff", "gamma": "ff", "invgamma": "ff", "laplace": "ff", "lnorm": "ff", "logis": "ff",
    "pois": "f", "t": "f", "unif": "ff", "weibull": "ff",
}
COUNTS = {"bern", "binom", "pois"}
FUNCTIONS = [prefix + dist for dist in PARAMS for prefix in "dpq"]


def same_bits(a, b):
    a, b = np.asarray(a, dtype=np.float64), np.asarray(b, dtype=np.float64)
    return a.shape == b.shape and a.tobytes() == b.tobytes()


def elementwise(function, *args):
    """The function at each element of the broadcast, one plain-scalar call each."""
    arrays = np.broadcast_arrays(*[np.asarray(a) for a in args])
    out = np.empty(arrays[0].shape)
    for index in np.ndindex(out.shape):
        out[index] = function(*[a[index].item() for a in arrays])
    return out


class TestPlainScalars:
    """Plain Python floats, ints and bools skip NumPy; their values must be NumPy's casts."""

    @pytest.mark.parametrize("value", [1, True, False, 2**53 + 1, 2**63, -2**63 - 1, 2**64 + 3, 10**300, -0.0],
                             ids=repr)
    def test_real_argument(self, value):
        got = q.pnorm(0.5, value, 1e300)
        assert type(got) is float
        assert same_bits(got, q.pnorm(0.5, np.array(value, dtype=np.float64), 1e300))

    @pytest.mark.parametrize("value", [True, 0, 7, COUNT_MAX, COUNT_MIN], ids=repr)
    def test_count_argument(self, value):
        assert same_bits(q.dbinom(value, COUNT_MAX, 0.5), q.dbinom(np.array(value, dtype=np.int64), COUNT_MAX, 0.5))

    @pytest.mark.parametrize("value", [True, False, 0, 2, -1, 10**400, 0.0, -0.0, 0.5, float("nan"), None],
                             ids=repr)
    def test_flag(self, value):
        assert same_bits(q.dnorm(1.0, 0, 1, value), q.dnorm(1.0, 0, 1, np.array(value, dtype=bool)))

    @pytest.mark.parametrize("call", [
        lambda: q.dnorm(10**400),
        lambda: q.dbinom(2**63, 10, 0.5),
        lambda: q.dbinom(COUNT_MIN - 1, 10, 0.5),
        lambda: q.dbinom(float("nan"), 10, 0.5),
        lambda: q.dbinom(1e30, 10, 0.5),
        lambda: q.dbinom(None, 10, 0.5),
        lambda: q.dnorm(1 + 2j),
        lambda: q.dnorm("0.5x"),
    ], ids=["int-beyond-double", "count-above", "count-below", "nan-count", "huge-float-count", "none-count",
            "complex", "text"])
    def test_refused_values_raise_type_error(self, call):
        with pytest.raises(TypeError, match=r"\(\): incompatible function arguments"):
            call()

    def test_cast_values_follow_numpy(self):
        assert same_bits(q.dbinom(-2.7, 10, 0.5), q.dbinom(-2, 10, 0.5))
        assert same_bits(q.dbinom(3, 10.9, 0.5), q.dbinom(3, 10, 0.5))
        assert np.isnan(q.dnorm(None))
        assert same_bits(q.dnorm(np.float32(0.1)), q.dnorm(float(np.float32(0.1))))

    def test_plain_call_loads_no_numpy(self):
        code = "import sys, quantora as q; q.dnorm(0.5); q.dbinom(3, 10, 0.5, True); print('numpy' in sys.modules)"
        out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
        assert out.stdout.strip() == "False"


X = np.linspace(-2.0, 3.0, 12).reshape(3, 4)

ARRAYS = {
    "float32": lambda: X.astype(np.float32),
    "float16": lambda: X.astype(np.float16),
    "longdouble": lambda: X.astype(np.longdouble),
    "int8": lambda: X.astype(np.int8),
    "uint64": lambda: np.abs(X).astype(np.uint64),
    "bool": lambda: X > 0,
    "object": lambda: X.astype(object),
    "big-endian": lambda: X.astype(">f8"),
    "strided": lambda: np.linspace(-2.0, 3.0, 36).reshape(3, 12)[:, ::3],
    "reversed": lambda: X[::-1, ::-2],
    "transposed": lambda: X.T,
    "fortran": lambda: np.asfortranarray(X),
    "unaligned": lambda: np.frombuffer(b"\0" + X.tobytes(), dtype=np.float64, offset=1).reshape(3, 4),
    "read-only": lambda: np.frombuffer(X.tobytes()).reshape(3, 4),
    "record-field": lambda: np.rec.fromarrays([np.zeros(12, np.int8), X.ravel()]).f1.reshape(3, 4),
    "nested-list": lambda: X.tolist(),
    "tuples": lambda: tuple(map(tuple, X.tolist())),
    "matrix": lambda: np.matrix(X),
    "masked": lambda: np.ma.array(X, mask=X > 1),
    "zero-dim": lambda: np.array(0.25),
    "zero-dim-float32": lambda: np.float32(0.25),
}


@pytest.mark.filterwarnings("ignore::PendingDeprecationWarning")
@pytest.mark.parametrize("make", ARRAYS.values(), ids=ARRAYS.keys())
def test_any_dtype_and_layout(make):
    x = make()
    got = q.dnorm(x, 0.5, 2.0)
    want = elementwise(q.dnorm, np.asarray(x, dtype=np.float64), 0.5, 2.0)
    if np.ndim(x) == 0:
        assert type(got) is float
    else:
        assert type(got) is np.ndarray and got.dtype == np.float64 and got.flags.writeable
    assert same_bits(got, want)


def test_counts_and_flags_of_any_dtype():
    x = np.array([[0, 1, 2], [3, 4, 50]], dtype=np.uint8)
    flags = np.array([0, 3, 0], dtype=np.int16)
    want = elementwise(q.dbinom, x.astype(np.int64), 10, 0.3, flags != 0)
    assert same_bits(q.dbinom(x, 10, 0.3, flags), want)
    assert same_bits(q.dbinom(x.astype(np.float32) + 0.9, np.float64(10.5), 0.3, flags.astype(float)), want)


class TestLayout:
    """The result is packed; in Fortran order exactly when every argument of more than one element is
    Fortran-packed with the full shape and not all are also C-packed."""

    F = np.asfortranarray(X)

    @pytest.mark.parametrize("args, fortran", [
        ((F,), True),
        ((F, F), True),
        ((F, [[1.0]]), True),
        ((F, 1.0, np.asfortranarray(np.full((3, 4), 2.0))), True),
        ((F, X), False),
        ((F, [1.0, 2.0, 3.0, 4.0]), False),
        ((X.T,), True),
        ((F[:, 1:2],), False),
        ((F[:, ::2],), False),
        ((np.asfortranarray(np.ones((2, 3, 4))),), True),
        ((X,), False),
    ], ids=["F", "F-F", "F-single", "F-scalar-F", "F-C", "F-row", "transposed", "F-column", "F-strided", "F-3d", "C"])
    def test_memory_order(self, args, fortran):
        got = q.dnorm(*args)
        assert got.strides == np.empty(got.shape, order="F" if fortran else "C").strides
        assert same_bits(got, elementwise(q.dnorm, *args))


class TestShapes:
    @pytest.mark.parametrize("args, shape", [
        (([0.5],), (1,)),
        (([[[0.5]]], [1.0]), (1, 1, 1)),
        (([0.5, 1.0], np.array(1.0), np.array(2.0)), (2,)),
        ((np.zeros((0, 3)), [1.0, 2.0, 3.0]), (0, 3)),
        ((np.zeros((2, 0)), 1.0, 1.0, [True]), (2, 0)),
        ((np.zeros((4, 1, 3)), np.zeros((2, 1)), 1.0, [[[True]]]), (4, 2, 3)),
        ((np.zeros((1,) * 32),), (1,) * 32),
    ], ids=["one", "size-one-dims", "zero-dim-params", "empty", "empty-flag", "three-way", "32-dims"])
    def test_broadcast_shape(self, args, shape):
        got = q.dnorm(*args)
        assert type(got) is np.ndarray and got.shape == shape and got.dtype == np.float64
        assert same_bits(got, elementwise(q.dnorm, *args))

    @pytest.mark.parametrize("args", [
        ([0.0, 1.0], [0.0, 1.0, 2.0]),
        ([], [1.0, 2.0]),
        ([1.0, 2.0], 0.0, 1.0, []),
        (np.zeros((2, 3)), np.zeros((3, 2))),
        (np.zeros((2, 1, 3)), 0.0, np.zeros((4, 2))),
    ], ids=["2-3", "0-2", "flag-0", "2x3-3x2", "inner"])
    def test_incompatible_shapes(self, args):
        with pytest.raises(RuntimeError, match=r"^pybind11::vectorize: incompatible size/dimension of inputs!$"):
            q.dnorm(*args)

    def test_zero_dimensional_arguments_give_a_float(self):
        got = q.dbinom(np.array(3), np.int32(10), np.array(0.5), np.array(True))
        assert type(got) is float and same_bits(got, q.dbinom(3, 10, 0.5, True))


def random_first(rng, dist, prefix, size):
    if prefix == "q":
        return np.where(rng.random(size) < 0.05, rng.choice([0.0, 1.0, -0.1, np.nan], size), rng.random(size))
    if dist in COUNTS:
        return rng.choice(np.concatenate([np.arange(-3, 60), [COUNT_MIN, COUNT_MAX]]), size)
    return np.where(rng.random(size) < 0.05, rng.choice([0.0, -1.0, np.inf, -np.inf, np.nan], size),
                    rng.gamma(2.0, 3.0, size) * rng.choice([-1.0, 1.0, 1.0], size))


def random_params(rng, dist, prefix):
    # Infinite shapes stay out of the quantiles: some inversions take milliseconds there.
    reals = [0.4, 1.0, 2.5, 17.0, 0.0, -1.0, np.nan] + ([np.inf] if prefix != "q" else [])
    out = []
    for kind in PARAMS[dist]:
        if kind == "i":
            out.append(int(rng.choice([0, 1, 2, 7, 40, -1])))
        elif dist in ("bern", "binom"):
            out.append(float(rng.choice([0.0, 0.3, 0.999, 1.0, 1.5, np.nan])))
        else:
            out.append(float(rng.choice(reals)))
    return out


@pytest.mark.parametrize("name", FUNCTIONS)
def test_every_path_gives_the_kernel_bits(name):
    """Scalar parameters (prepared once, counts memoised) against the per-element path that
    parameter arrays take, and a sample against plain scalar calls."""
    function, dist, prefix = getattr(q, name), name[1:], name[0]
    rng = np.random.default_rng(sum(map(ord, name)))
    size = 2000
    for _ in range(5):
        first, params = random_first(rng, dist, prefix, size), random_params(rng, dist, prefix)
        flags = [] if prefix == "q" else [rng.random(size) < 0.5]
        shared = function(first, *params, *flags)
        per_element = function(first, *[np.full(size, p) for p in params], *flags)
        assert same_bits(shared, per_element), (name, params)
        sample = rng.integers(0, size, 25)
        assert same_bits(shared[sample], elementwise(function, first[sample], *params, *[f[sample] for f in flags]))


class TestCountMemo:
    @pytest.mark.parametrize("x", [
        np.array([COUNT_MIN, 3, COUNT_MAX] * 5),
        np.array([COUNT_MIN, COUNT_MIN + 1] * 3),
        np.array([COUNT_MAX - 1, COUNT_MAX] * 3),
        np.arange(-5, 3 * 10**5, 7),
        np.full(10, 4),
        np.arange(10),
    ], ids=["full-range", "lowest", "highest", "wide", "one-count", "as-many-counts-as-elements"])
    def test_windows(self, x):
        flags = np.arange(x.size) % 3 == 0
        for function, params in [(q.dbinom, (10**6, 0.3)), (q.pbinom, (40, 0.3)), (q.ppois, (4.5,))]:
            want = elementwise(function, x[:200], *params, flags[:200])
            assert same_bits(function(x, *params, flags)[:200], want)

    def test_scalar_count_over_flags(self):
        flags = np.arange(1000) % 2 == 1
        got = q.ppois(3, 2.5, flags)
        assert same_bits(got[:2], [q.ppois(3, 2.5, False), q.ppois(3, 2.5, True)])
        assert same_bits(got, np.tile(got[:2], 500))


def test_threads_give_the_bits_of_one_call():
    rng = np.random.default_rng(3)
    x = rng.gamma(3.0, 2.0, 100_000)
    k = rng.poisson(20.0, 100_000)
    p, dof = rng.random(10_000), rng.uniform(1.0, 9.0, 10_000)
    want = q.pgamma(x, 3.0, 2.0), q.dpois(k, 20.0, True), q.qt(p, dof)
    results = []

    def work():
        results.append((q.pgamma(x, 3.0, 2.0), q.dpois(k, 20.0, True), q.qt(p, dof)))

    threads = [threading.Thread(target=work) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert len(results) == 4
    for got in results:
        assert all(same_bits(g, w) for g, w in zip(got, want))

