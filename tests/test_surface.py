"""The Python-visible surface: names and their order, argument names, element
types and defaults as help() shows them, overload order, and the failures that
the binding layer reports."""
import inspect
import re

import numpy as np
import pytest

import quantora

F64 = "numpy.ndarray[numpy.float64]"
I64 = "numpy.ndarray[numpy.int64]"
BOOL = "numpy.ndarray[bool]"

# name, parameters as (name, d/p/q element type, r type), type of x
DISTRIBUTIONS = [
    ("norm", [("mu", F64, "float"), ("sigma", F64, "float")], F64),
    ("bern", [("prob", F64, "float")], I64),
    ("beta", [("a", F64, "float"), ("b", F64, "float")], F64),
    ("binom", [("n_trials", I64, "int"), ("prob", F64, "float")], I64),
    ("cauchy", [("mu", F64, "float"), ("sigma", F64, "float")], F64),
    ("chisq", [("dof", F64, "float")], F64),
    ("exp", [("rate", F64, "float")], F64),
    ("f", [("df1", F64, "float"), ("df2", F64, "float")], F64),
    ("gamma", [("shape", F64, "float"), ("scale", F64, "float")], F64),
    ("invgamma", [("shape", F64, "float"), ("scale", F64, "float")], F64),
    ("laplace", [("mu", F64, "float"), ("sigma", F64, "float")], F64),
    ("lnorm", [("mu", F64, "float"), ("sigma", F64, "float")], F64),
    ("logis", [("mu", F64, "float"), ("sigma", F64, "float")], F64),
    ("pois", [("rate", F64, "float")], I64),
    ("t", [("dof", F64, "float")], F64),
    ("unif", [("a", F64, "float"), ("b", F64, "float")], F64),
    ("weibull", [("shape", F64, "float"), ("scale", F64, "float")], F64),
]
NAMES = [name for name, _, _ in DISTRIBUTIONS]


def default(dist, param):
    return {"mu": " = 0", "sigma": " = 1"}.get(param, "") if dist == "norm" else ""


def params_text(dist, params, column):
    return [f"{p}: {types[column - 1]}{default(dist, p)}" for p, *types in params]


def expected_dpq(prefix, dist, params, x_type):
    first = "p: " + F64 if prefix == "q" else "x: " + x_type
    flag = {"d": ["log: " + BOOL + " = False"], "p": ["log_p: " + BOOL + " = False"], "q": []}[prefix]
    args = [first] + params_text(dist, params, 1) + flag
    return f"{prefix}{dist}({', '.join(args)}) -> object"


def expected_r(dist, params):
    engine = "engine: quantora.Engine = <ENGINE>"
    base = params_text(dist, params, 2)
    result = "numpy.ndarray[numpy.float64]"
    return [
        f"r{dist}({', '.join(base + [engine])}) -> float",
        f"r{dist}({', '.join(base + ['size: List[int]', engine])}) -> {result}",
        f"r{dist}({', '.join(base + ['size: int', engine])}) -> {result}",
    ]


def signature_lines(function):
    doc = re.sub(r"<quantora\.Engine object at 0x[0-9a-f]+>", "<ENGINE>", function.__doc__)
    lines = [re.sub(r"^\d+\. ", "", line) for line in doc.splitlines()
             if line.startswith(function.__name__ + "(") or re.match(r"^\d+\. ", line)]
    return [line for line in lines if not line.endswith("(*args, **kwargs)")]


def test_docstring():
    assert quantora.__doc__ == "pybind11 wrapper for veldan/quantora"


def test_attribute_order():
    public = [name for name in vars(quantora) if not name.startswith("__")]
    expected = ([f"d{n}" for n in NAMES] + ["Engine"] + [f"r{n}" for n in NAMES]
                + [f"p{n}" for n in NAMES] + [f"q{n}" for n in NAMES])
    assert public == expected


@pytest.mark.parametrize("prefix", "dpq")
@pytest.mark.parametrize("dist, params, x_type", DISTRIBUTIONS, ids=NAMES)
def test_vectorized_signatures(prefix, dist, params, x_type):
    function = getattr(quantora, prefix + dist)
    assert signature_lines(function) == [expected_dpq(prefix, dist, params, x_type)]


@pytest.mark.parametrize("dist, params, x_type", DISTRIBUTIONS, ids=NAMES)
def test_generator_overloads(dist, params, x_type):
    function = getattr(quantora, "r" + dist)
    assert "Overloaded function." in function.__doc__
    assert signature_lines(function) == expected_r(dist, params)


def test_engine_constructor_signature():
    # Engine is the module's own type now; its signature is the type's.
    assert str(inspect.signature(quantora.Engine)) == "(seed, /)"
    assert [n for n in vars(quantora.Engine) if not n.startswith("_")] == []


def test_norm_defaults_are_python_ints():
    assert quantora.dnorm(0.0) == quantora.dnorm(0.0, 0, 1, False)
    assert quantora.qnorm(0.5, mu=2.0) == quantora.qnorm(0.5, 2.0, 1.0)


@pytest.mark.parametrize("call", [
    lambda: quantora.dbeta(0.5),
    lambda: quantora.qnorm(0.5, log=True),
    lambda: quantora.qnorm(0.5, log_p=True),
    lambda: quantora.dnorm(0.0, 0.0, 1.0, False, 1),
    lambda: quantora.dnorm(0.0, nu=1.0),
    lambda: quantora.dnorm("abc"),
    lambda: quantora.dbinom("x", 10, 0.5),
    lambda: quantora.pnorm(object()),
    lambda: quantora.Engine(),
    lambda: quantora.Engine(2**31),
    lambda: quantora.Engine(4294967295),
    lambda: quantora.Engine(1.0),
    lambda: quantora.Engine(seed=1),
], ids=["dbeta-missing", "q-log", "q-log_p", "too-many", "unknown-keyword", "string", "string-count",
        "object", "engine-no-seed", "engine-2^31", "engine-2^32-1", "engine-float", "engine-keyword"])
def test_type_errors(call):
    with pytest.raises(TypeError, match=r"\(\): incompatible (function|constructor) arguments"):
        call()


def test_type_error_text():
    with pytest.raises(TypeError) as info:
        quantora.dnorm("abc")
    text = str(info.value)
    assert text.startswith("dnorm(): incompatible function arguments. The following argument types are supported:\n")
    assert "\nInvoked with: 'abc'" in text


def test_engine_accepts_signed_range():
    quantora.Engine(-1)
    quantora.Engine(-2**31)
    quantora.Engine(2**31 - 1)


class TestReturnTypes:
    @pytest.mark.parametrize("x", [0.0, 0, np.float64(0.0), np.array(0.0), np.int32(0)])
    def test_all_scalar_gives_python_float(self, x):
        assert type(quantora.pnorm(x)) is float

    def test_one_element_list_gives_array(self):
        out = quantora.pnorm([0.0])
        assert isinstance(out, np.ndarray) and out.shape == (1,) and out.dtype == np.float64

    def test_any_dtype_and_layout_is_cast(self):
        x = np.arange(12, dtype=np.float32).reshape(3, 4).T
        out = quantora.dnorm(x)
        assert out.shape == (4, 3) and out.dtype == np.float64
        assert out[2, 1] == quantora.dnorm(float(x[2, 1]))


class TestBroadcasting:
    def test_outer_shape(self):
        out = quantora.dnorm([[0.0], [1.0]], [0.0, 1.0, 2.0])
        assert out.shape == (2, 3)
        for i, x in enumerate([0.0, 1.0]):
            for j, mu in enumerate([0.0, 1.0, 2.0]):
                assert out[i, j] == quantora.dnorm(x, mu)

    def test_each_argument_lands_in_its_position(self):
        # Distinct values per argument: a swapped argument order would show.
        x, mu, sigma = np.array([0.5, 1.5]), np.array([[0.0], [1.0], [-1.0]]), 2.0
        out = quantora.dnorm(x, mu, sigma)
        assert out.shape == (3, 2)
        assert out[2, 1] == quantora.dnorm(1.5, -1.0, 2.0)

    def test_flag_broadcasts(self):
        out = quantora.dnorm(1.0, 0, 1, [False, True])
        assert out[0] == quantora.dnorm(1.0) and out[1] == quantora.dnorm(1.0, log=True)

    @pytest.mark.parametrize("args", [([0.0, 1.0], [0.0, 1.0, 2.0]), ([], [1.0, 2.0])])
    def test_incompatible_shapes(self, args):
        with pytest.raises(RuntimeError, match=r"^pybind11::vectorize: incompatible size/dimension of inputs!$"):
            quantora.dnorm(*args)

    def test_empty(self):
        out = quantora.dnorm([], 0.0)
        assert out.shape == (0,) and out.dtype == np.float64

    def test_counts_are_cast_to_int64(self):
        assert quantora.dbinom(2.7, 10, 0.5) == quantora.dbinom(2, 10, 0.5)
        assert np.array_equal(quantora.dpois([0, 1, 2], 3.0), quantora.dpois([0.0, 1.0, 2.0], 3.0))

    def test_nonzero_flag_is_true(self):
        assert quantora.dnorm(1.0, 0, 1, 2) == quantora.dnorm(1.0, log=True)


class TestGeneratorArguments:
    def test_overload_selection(self):
        assert isinstance(quantora.rnorm(0.0, 1.0), float)
        assert quantora.rnorm(0.0, 1.0, 5).shape == (5,)
        assert quantora.rnorm(0.0, 1.0, (2, 3)).shape == (2, 3)
        assert isinstance(quantora.rnorm(engine=quantora.Engine(3)), float)

    @pytest.mark.parametrize("call", [
        lambda: quantora.rnorm(0.0, 1.0, None),
        lambda: quantora.rnorm(engine=None),
        lambda: quantora.rnorm(0.0, 1.0, 3, None),
        lambda: quantora.rnorm(0.0, 1.0, 3, object()),
        lambda: quantora.rexp(1.0, -1),
        lambda: quantora.rexp(1.0, 2.5),
        lambda: quantora.rexp(1.0, [2, -1]),
        lambda: quantora.rexp(1.0, [2.0]),
        lambda: quantora.rexp(1.0, "ab"),
        lambda: quantora.rbinom(10.0, 0.5),
        lambda: quantora.rnorm([0.0, 1.0], 1.0),
    ], ids=["size-None", "engine-None", "engine-None-after-size", "engine-object", "negative-size", "float-size",
            "negative-extent", "float-extent", "string-size", "float-count", "array-parameter"])
    def test_type_errors(self, call):
        with pytest.raises(TypeError, match=r"\(\): incompatible function arguments"):
            call()

    def test_rejected_call_does_not_draw(self):
        e, fresh = quantora.Engine(9), quantora.Engine(9)
        with pytest.raises(TypeError):
            quantora.runif(0.0, 1.0, -3, e)
        assert quantora.runif(0.0, 1.0, e) == quantora.runif(0.0, 1.0, fresh)

    def test_int_accepted_for_float_parameter(self):
        assert quantora.runif(0, 1, quantora.Engine(4)) == quantora.runif(0.0, 1.0, quantora.Engine(4))


def test_numpy_is_loaded_on_first_array_use_not_at_import():
    import subprocess
    import sys

    code = "import sys, quantora; print('numpy' in sys.modules)"
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert out.stdout.strip() == "False"
