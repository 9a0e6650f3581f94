"""Array calls of the beta, F and t quantiles, distribution functions and
densities with single parameters, which take their shape constants (ln B of
the shapes, the t law's normalisation) once per call: the scalar
kernels' answers bit for bit, at random p or x, their specials, and shapes
from tiny to infinite; and the same answers when the parameters come as
arrays, one per element."""
import math

import numpy as np
import pytest

import quantora as q
from prepared_checks import assert_same_bits, probes

EPS = 2.0**-52

# Shapes across the methods' switches: below and above 1 (the inverse's
# start), 10 (the saddle-point front), 1000 (the central quadrature), with
# the number of random p each (the large shapes cost most); and the
# degenerate ones.
SHAPES = [(1e-300, 200), (EPS, 200), (1e-3, 300), (0.5, 300), (1.0, 300), (2.0, 300), (9.5, 300), (30.0, 100),
          (1500.0, 40), (1e9, 20), (1e300, 10), (0.0, 10), (math.inf, 10), (math.nan, 10), (-1.0, 10)]
PAIRS = [(a, b, min(m, n)) for a, m in SHAPES for b, n in SHAPES[::2]]


def against_kernel(name, p, *params):
    kernel = getattr(q, name)
    want = [kernel(float(x), *params) for x in p]
    assert_same_bits(kernel(p, *params), want, f"{name} {params}")
    return want


@pytest.mark.parametrize("a, b, size", PAIRS)
def test_qbeta_and_qf_arrays_give_the_kernels_answers(a, b, size):
    p = probes(size, 29)
    against_kernel("qbeta", p, a, b)
    # The F law takes twice the beta shapes as degrees of freedom.
    against_kernel("qf", p, 2 * a, 2 * b)


# One and two degrees of freedom have closed forms; below five the t
# quantile's start takes a low-dof correction.
@pytest.mark.parametrize("dof, size", SHAPES + [(3.0, 1500), (4.5, 1500), (7.0, 1500), (1e6, 300)])
def test_qt_arrays_give_the_kernels_answers(dof, size):
    against_kernel("qt", probes(size, 31), dof)


def arguments(size, seed):
    # Both ends of [0, 1] and of the half-line, and the far tails of t.
    rng = np.random.default_rng(seed)
    special = [0.0, -0.0, 5e-324, 1e-300, 0.5, 1 - 2.0**-53, 1.0, 1 + 2.0**-52, 1e300, math.inf, -math.inf, math.nan]
    magnitudes = 10.0 ** rng.uniform(-320, 300, size)
    return np.concatenate([rng.random(size), magnitudes, -magnitudes, special])


@pytest.mark.parametrize("a, b, size", PAIRS)
def test_beta_and_f_distribution_functions_and_densities_give_the_kernels_answers(a, b, size):
    x = arguments(size, 41)
    for log in (False, True):
        for name in ("pbeta", "dbeta"):
            against_kernel(name, x, a, b, log)
        for name in ("pf", "df"):
            against_kernel(name, x, 2 * a, 2 * b, log)


@pytest.mark.parametrize("dof, size", SHAPES + [(3.0, 300), (1e6, 300)])
def test_t_distribution_function_and_density_give_the_kernels_answers(dof, size):
    x = arguments(size, 43)
    for log in (False, True):
        against_kernel("pt", x, dof, log)
        against_kernel("dt", x, dof, log)


@pytest.mark.parametrize("name, params", [("qbeta", (0.3, 7.0)), ("qf", (3.0, 1e5)), ("qt", (2.5,)),
                                          ("pbeta", (0.3, 7.0)), ("pf", (3.0, 1e5)), ("pt", (2.5,)),
                                          ("dbeta", (0.3, 7.0)), ("df", (3.0, 1e5)), ("dt", (2.5,))])
def test_parameters_given_per_element_give_the_same_answers(name, params):
    # Parameters as arrays take the per-element path: the kernel bound to
    # each element's own parameters.
    first = probes(400, 37) if name.startswith("q") else arguments(100, 47)
    per_element = [np.full(first.shape, v) for v in params]
    kernel = getattr(q, name)
    assert_same_bits(kernel(first, *params), kernel(first, *per_element), name)
