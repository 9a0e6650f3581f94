"""Typed user code: checked by mypy and pyright in the suite, and run as well,
so that the stub's promises and the run-time types are seen to agree."""
import numpy as np
import numpy.typing as npt
from typing_extensions import assert_type

import quantora as q

Floats = npt.NDArray[np.float64]

density = q.dnorm(0.5)
assert_type(density, float)
assert type(density) is float
assert_type(q.pgamma(2.0, 3, 1.0, log_p=True), float)
assert_type(q.qbinom(np.float64(0.5), np.int64(10), 0.3), float)
assert type(q.qbinom(np.float64(0.5), np.int64(10), 0.3)) is float

quantiles = q.qbeta([0.1, 0.5, 0.9], 2.0, 5.0)
assert_type(quantiles, Floats)
assert quantiles.dtype == np.float64
assert_type(q.dnorm(1.0, 0, 1, np.array([False, True])), Floats)
assert_type(q.pnorm(0.0, sigma=[1.0, 2.0]), Floats)
assert_type(q.dbinom(np.arange(3), 10, 0.5), Floats)

engine = q.Engine(42)
one = q.rgamma(2.0, 1.0, engine=engine)
assert_type(one, float)
assert type(one) is float
assert_type(q.rnorm(), float)
assert_type(q.rbinom(10, 0.5, 1000, engine), Floats)
assert_type(q.rnorm(0.0, 1.0, (2, 3), engine), Floats)
assert_type(q.rnorm(size=[2, 3]), Floats)
assert_type(q.rexp(1.0, np.int64(5), engine), Floats)
assert q.rexp(1.0, np.int64(5), engine).shape == (5,)
assert q.runif(0.0, 1.0, (2, np.int64(3))).shape == (2, 3)
