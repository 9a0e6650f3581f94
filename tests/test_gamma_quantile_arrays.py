"""Array calls of qgamma, qchisq and qinvgamma with single parameters, which take
ln Gamma of the shape once per call: the scalar kernels' answers bit for bit,
at random p, the specials of p, and shapes and scales from tiny to infinite."""
import math

import pytest

import quantora as q
from exact import assert_bits
from prepared_checks import assert_same_bits, probes

EPS = 2.0**-52

# Shapes below and above the quadrature's switch (10) and the noisy inverse's
# (1e7), with the number of random p each: the large shapes cost most.
SHAPES = [(1e-300, 1500), (1e-10, 1500), (0.3, 1500), (1.0, 1500), (2.5, 1500), (3.0, 1500), (9.99, 1500),
          (10.0, 60), (40.0, 60), (2e7, 20), (0.0, 40), (math.inf, 40), (math.nan, 40), (-1.0, 40)]
SCALES = [1e-300, EPS, 2.0, 1e300, 0.0, math.inf]


@pytest.mark.parametrize("shape, size", SHAPES)
def test_qgamma_and_qinvgamma_arrays_give_the_kernels_answers(shape, size):
    p = probes(size, 17)
    for scale in SCALES:
        for name in ("qgamma", "qinvgamma"):
            kernel = getattr(q, name)
            assert_same_bits(kernel(p, shape, scale), [kernel(float(x), shape, scale) for x in p],
                             f"{name} shape {shape} scale {scale}")


@pytest.mark.parametrize("dof, size", [(d * 2, n) for d, n in SHAPES] + [(1.0, 3000), (5.0, 3000)])
def test_qchisq_arrays_give_the_kernels_answers(dof, size):
    p = probes(size, 23)
    assert_same_bits(q.qchisq(p, dof), [q.qchisq(float(x), dof) for x in p], f"dof {dof}")


@pytest.mark.parametrize("p", [5e-324, 1e-300, 0.5, 1 - 2.0**-53])
def test_chi_squared_with_no_degrees_of_freedom_is_the_point_mass_at_zero(p):
    # As qgamma at shape 0: every p below 1 has the quantile 0 (the upper
    # tail's bisection gave the least subnormal near p = 1).
    assert_bits(q.qchisq(p, 0.0), 0.0, f"p {p}")
    assert_bits(q.qchisq(p, 0.0), q.qgamma(p, 0.0, 2.0), f"p {p}")
