"""The closed-form laws (normal, Bernoulli, Cauchy, exponential, Laplace,
log-normal, logistic, uniform, Weibull) against mpmath references in their
tails, on the log scale and at extreme parameters; monotone quantiles; the
bits on both sides of every method switch; one NaN, no -0.0, and the ends of
the double range.

The references are data/reference_closed_form.json, written by
benchmarks/reference_closed_form.py.
"""
import itertools
import math
import struct

import numpy as np
import pytest

import quantora as q
from exact import assert_bits
from soundness import faults, load

REFERENCES = load("closed_form")
HUGE = 1.7976931348623157e308
QUIET_NAN = 0x7FF8000000000000


@pytest.mark.parametrize("name", sorted(n for n in REFERENCES if n[0] == "d"))
def test_densities_are_sound(name):
    found = faults(name, REFERENCES[name])
    assert not found, f"{len(found)} unsound:\n" + "\n".join(found[:15])


@pytest.mark.parametrize("name", sorted(n for n in REFERENCES if n[0] == "p"))
def test_distribution_functions_are_sound(name):
    found = faults(name, REFERENCES[name])
    assert not found, f"{len(found)} unsound:\n" + "\n".join(found[:15])


@pytest.mark.parametrize("name", sorted(n for n in REFERENCES if n[0] == "q"))
def test_quantiles_are_sound(name):
    found = faults(name, REFERENCES[name])
    assert not found, f"{len(found)} unsound:\n" + "\n".join(found[:15])


# Probabilities spread over all of (0, 1), 2000 per tail, and 401 each within
# 1 % of every method switch. Finer grids would see the units in the last
# place by which the kept expressions and the new ones differ at a switch
# (at most 1e-7 of the quantile).
SWITCHES = [1e-10, 1e-9, 1e-7, 1e-4, 0.5 - 1e-9, 0.5 + 1e-9, 1 - 1e-9, 1 - 1e-7, 1 - 1e-10]
GRID = np.unique(np.concatenate(
    [np.geomspace(5e-324, 0.5, 2000), 1 - np.geomspace(2.0 ** -53, 0.5, 2000)]
    + [np.linspace(s * 0.99, min(s * 1.01, 1.0), 401) for s in SWITCHES]))

MONOTONE = [
    ("qnorm", (0.0, 1.0)), ("qnorm", (2.0, 3.0)), ("qnorm", (-1e3, 1e-3)),
    ("qlnorm", (0.0, 1.0)), ("qlnorm", (-300.0, 1.0)), ("qlnorm", (3.0, 100.0)),
    ("qcauchy", (0.0, 1.0)), ("qcauchy", (2.0, 1e-300)),
    ("qlaplace", (0.0, 1.0)), ("qlaplace", (2.0, 3.0)),
    ("qlogis", (0.0, 1.0)), ("qlogis", (-1.0, 1e200)),
    ("qexp", (1.0,)), ("qexp", (1e-300,)),
    ("qweibull", (2.0, 1.0)), ("qweibull", (0.05, 3.0)), ("qweibull", (1e12, 1.0)),
    ("qunif", (-1.0, 2.0)), ("qunif", (-HUGE, HUGE)),
    ("qbern", (0.3,)), ("qbern", (1e-20,)),
]


@pytest.mark.parametrize("name, params", MONOTONE, ids=[f"{n}{p}" for n, p in MONOTONE])
def test_quantiles_rise_with_p(name, params):
    x = getattr(q, name)(GRID, *params)
    falls = np.flatnonzero(x[1:] < x[:-1])
    assert falls.size == 0, [(GRID[i], x[i], GRID[i + 1], x[i + 1]) for i in falls[:5]]
    assert not np.any(np.isnan(x))


# The last argument where the original expression is kept, with its bits
# (those of the library before the switch existed), and the first where the
# new method applies, with its bits and the mpmath value. The normal
# quantiles keep their expression on the switched side too, where it passes
# the check against the law.
SWITCH_POINTS = [
    ("pnorm", (-5.939696961967, 0.0, 1.0, False), "0x1.8874c50000000p-30",
     (-5.939696961967001, 0.0, 1.0, False), "0x1.8874c50bdced0p-30", 1.4277470897960804e-09),
    ("pcauchy", (-200000000.0, 0.0, 1.0, False), "0x1.b57b560000000p-30",
     (-200000000.00000003, 0.0, 1.0, False), "0x1.b57b55b2347b0p-30", 1.591549430918953e-09),
    ("plaplace", (-20.0, 0.0, 1.0, False), "0x1.1b48650000000p-30",
     (-20.000000000000004, 0.0, 1.0, False), "0x1.1b48655f3725bp-30", 1.0305768112192752e-09),
    ("plogis", (-19.0, 0.0, 1.0, False), "0x1.81056f4000000p-28",
     (-19.000000000000004, 0.0, 1.0, False), "0x1.81056fce94606p-28", 5.60279640614592e-09),
    ("dlogis", (-709.4999999999999, 0.0, 1.0, True), "-0x1.62bffffffffffp+9",
     (-709.5, 0.0, 1.0, True), "-0x1.62c0000000000p+9", -709.5),
    ("dweibull", (1.6983, 500.0, 1.7, False), "0x1.856a3d092c43fp+6",
     (1.6983, 500.00000000000006, 1.7, False), "0x1.856a3d092c427p+6", 97.35374845821985),
    ("pweibull", (1.6983, 500.0, 1.7, False), "0x1.d1972027e34c4p-2",
     (1.6983, 500.00000000000006, 1.7, False), "0x1.d1972027e3488p-2", 0.45467806094604457),
    ("qnorm", (1e-10, 0.0, 1.0), "-0x1.972035bca4072p+2",
     (9.999999999999999e-11, 0.0, 1.0), "-0x1.972035bca4072p+2", -6.361340902404057),
    ("qnorm", (0.9999999999, 0.0, 1.0), "0x1.972035bca4072p+2",
     (0.9999999999000001, 0.0, 1.0), "0x1.9720367485335p+2", 6.3613410601970815),
    ("qlnorm", (1e-07, 0.0, 1.0), "0x1.69c5ebf233149p-8",
     (9.999999999999998e-08, 0.0, 1.0), "0x1.69c5ebf233149p-8", 0.005520219901861776),
    ("qcauchy", (1e-09, 0.0, 1.0), "-0x1.2f905f306b1d4p+28",
     (9.999999999999999e-10, 0.0, 1.0), "-0x1.2f905fe2f0ce9p+28", -318309886.18379074),
    ("qcauchy", (0.999999999, 0.0, 1.0), "0x1.2f9060986231bp+28",
     (0.9999999990000001, 0.0, 1.0), "0x1.2f9062a86950bp+28", 318309930.5257117),
    ("qlaplace", (1e-10, 0.0, 1.0), "-0x1.6552c11477a8ep+4",
     (9.999999999999999e-11, 0.0, 1.0), "-0x1.6552c12aad88dp+4", -22.33270374938051),
    ("qexp", (1e-09, 1.0), "0x1.12e0be024e4bcp-30",
     (9.999999999999999e-10, 1.0), "0x1.12e0be84bbb50p-30", 1.0000000005e-09),
    ("qlogis", (0.5000000010000001, 0.0, 1.0), "0x1.12e0bff6c6d10p-28",
     (0.500000001, 0.0, 1.0), "0x1.12e0be0000000p-28", 3.999999886872274e-09),
]


@pytest.mark.parametrize("name, kept, kept_bits, switched, switched_bits, truth", SWITCH_POINTS,
                         ids=[f"{s[0]}{s[1][0]}" for s in SWITCH_POINTS])
def test_bits_at_the_switch(name, kept, kept_bits, switched, switched_bits, truth):
    f = getattr(q, name)
    assert_bits(f(*kept), float.fromhex(kept_bits), f"{name}{kept}")
    assert_bits(f(*switched), float.fromhex(switched_bits), f"{name}{switched}")
    assert f(*switched) == pytest.approx(truth, rel=1e-7)


SPECIAL = [math.nan, -math.inf, -HUGE, -2.5, -5e-324, -0.0, 0.0, 5e-324, 2.0 ** -52, 0.5, 1.0, 3.0,
           HUGE, math.inf]
PROBABILITIES = [math.nan, -0.5, -0.0, 0.0, 5e-324, 1e-300, 0.5, 1 - 2.0 ** -53, 1.0, 1.5, math.inf]
LAWS = {"norm": 2, "cauchy": 2, "laplace": 2, "lnorm": 2, "logis": 2, "unif": 2, "weibull": 2, "exp": 1}


def special_grid(first, parameters):
    columns = zip(*itertools.product(first, *([SPECIAL] * parameters)))
    return [np.array(c) for c in columns]


@pytest.mark.parametrize("name", [k + law for law in LAWS for k in "dpq"] + ["dbern", "pbern", "qbern"])
def test_one_nan_and_no_negative_zero(name):
    law = name[1:]
    if name == "qbern":
        args = special_grid(PROBABILITIES, 1)
    elif law == "bern":
        args = [np.repeat([-1, 0, 1, 2], len(SPECIAL)), np.tile(SPECIAL, 4)]
    else:
        args = special_grid(PROBABILITIES if name[0] == "q" else SPECIAL, LAWS[law])
    flags = [()] if name[0] == "q" else [(False,), (True,)]
    for flag in flags:
        result = np.asarray(getattr(q, name)(*args, *flag), dtype=np.float64)
        patterns = result.view(np.uint64)
        nans = np.isnan(result)
        assert np.all(patterns[nans] == QUIET_NAN), f"{name}{flag}: a NaN other than 0x7FF8000000000000"
        if name[0] == "q":
            inner = (args[0] > 0) & (args[0] < 1)
            assert not np.any(np.signbit(result) & (result == 0) & inner), f"{name}: -0.0 inside (0, 1)"


@pytest.mark.parametrize("name, args, want", [
    ("qexp", (0.5, -0.0), math.inf),
    ("qexp", (1e-17, -0.0), math.inf),
    ("pexp", (3.0, -0.0), 0.0),
    ("dbern", (1, -0.0), 0.0),
    ("qunif", (0.0, -0.0, 1.0), 0.0),
    ("qnorm", (0.3, -0.0, 0.0), 0.0),
    ("qlaplace", (0.5, -0.0, 2.0), 0.0),
    ("qcauchy", (0.5, -0.0, 2.0), 0.0),
])
def test_negative_zero_parameter_is_zero(name, args, want):
    # -0.0 is the parameter 0: the same result as +0.0, and never -0.0 itself.
    assert_bits(getattr(q, name)(*args), want, f"{name}{args}")


# The ends of the double range: values where differences, squares or scales
# would overflow on the way (references from mpmath).
ENDS = [
    ("dweibull", (HUGE, 1.0, 0.5), 0.0),
    ("dlogis", (-HUGE, 0.0, 0.5), 0.0),
    ("qnorm", (0.5, 0.0, HUGE), 0.0),
    ("qnorm", (0.75, 0.0, HUGE), 1.2125255934624945e308),
    ("punif", (1e300, -HUGE, HUGE), 0.5000000027813424),
    ("qunif", (5e-324, -HUGE, HUGE), -HUGE),
    ("qunif", (0.75, -HUGE, HUGE), HUGE / 2),
    ("dunif", (0.0, -HUGE, HUGE), 2.781342323134e-309),
    ("dlaplace", (0.0, 0.0, HUGE), 2.781342323134e-309),
    ("dcauchy", (0.0, 0.0, HUGE), 1.770657516629887e-309),
    ("pnorm", (-HUGE, HUGE, 1e307), 2.2023230542722233e-283),
    ("dnorm", (0.0, 0.0, 1e-16), 3989422804014327.0),
    ("dexp", (1.0, 1e-20), 1e-20),
]


@pytest.mark.parametrize("name, args, want", ENDS, ids=[f"{n}{a}" for n, a, _ in ENDS])
def test_ends_of_the_double_range(name, args, want):
    got = getattr(q, name)(*args)
    if want == 0 or math.isinf(want):
        assert_bits(got, want, f"{name}{args}")
    else:
        # Results near the smallest normal double come through a logarithm of
        # about 710, whose last bits are 1e-13 of the value.
        assert got == pytest.approx(want, rel=1e-12, abs=5e-324)


def test_log_of_an_overflowing_square_is_minus_infinity_not_nan():
    # z^2/2 beyond the largest double: the log-density is below it as well.
    assert_bits(q.dnorm(18.16, 12.39, 1e-200, log=True), -math.inf)
    assert q.pnorm(-HUGE, HUGE, 1e307, log_p=True) == pytest.approx(-650.8420685802964, rel=1e-13)


def test_nan_patterns_are_one():
    assert struct.unpack("<Q", struct.pack("<d", q.pcauchy(1.0, 1.0, 0.0)))[0] == QUIET_NAN
