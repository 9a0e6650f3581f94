"""Array calls of the kernels that run over vector lanes, bit for bit against
the scalar kernel through the module (a call with plain Python scalars goes
straight to it), for every layout the element loop meets: contiguous,
strided, reversed, broadcast, zero-dimensional, empty, unaligned, mixed
dtypes, per-element flags, and runs of every length around the lane widths
and the blocks of the array functions.

A test build (-DQUANTORA_LANE_CHECKS=ON) lets the tests force each vector unit
the processor runs in turn; the shipped module runs on the unit it chooses."""
import numpy as np
import pytest

import quantora

UNITS = quantora._lane_units() if hasattr(quantora, "_lane_units") else [None]

# The lane kernels and the kind of their first argument.
KERNELS = {
    "dnorm": "real", "dlnorm": "positive", "dlogis": "real", "dexp": "positive", "dlaplace": "real",
    "pnorm": "real", "plnorm": "positive", "plogis": "real", "pexp": "positive", "plaplace": "real",
    "qnorm": "probability", "qlnorm": "probability", "qexp": "probability", "qlogis": "probability",
    "qlaplace": "probability", "dweibull": "positive", "pweibull": "positive", "qweibull": "probability",
    "pcauchy": "real", "qcauchy": "probability",
}
# The laws with a rate alone.
RATE_ONLY = {"dexp", "pexp", "qexp"}
SPECIAL = [0.0, -0.0, np.inf, -np.inf, np.nan, 5e-324, -5e-324, 1e-310, 2.0 ** -52, 1e-300, 1e300,
           1.7976931348623157e308, -1.7976931348623157e308]


@pytest.fixture(params=UNITS, ids=lambda unit: unit or "chosen")
def unit(request):
    if request.param is not None:
        quantora._force_lane_unit(request.param)
    yield request.param
    if request.param is not None:
        quantora._force_lane_unit(None)


def firsts(kind, n, rng):
    """n first arguments that take every path of the kernels: the bulk, both tails far out, the
    switch points of the forms and the special values, scattered so that a chunk of lanes mixes them."""
    if kind == "probability":
        bulk = rng.uniform(0, 1, n)
        tails = np.concatenate([10.0 ** rng.uniform(-320, -1, n), 1 - 10.0 ** rng.uniform(-17, -1, n)])
        edges = [1e-10, 1e-9, 1e-7, 1 - 1e-10, 1 - 1e-7, 0.5, 0.5 + 2.0 ** -53, 0.5 - 2.0 ** -54, 0.5 + 1e-9,
                 0.5 - 1e-9, 1.0, -0.1, 1.5]
    else:
        bulk = rng.normal(0, 3, n)
        tails = np.concatenate([rng.uniform(-60, 60, n), rng.choice([-1, 1], n) * 10.0 ** rng.uniform(-320, 308, n)])
        edges = [-5.94, -5.9396969619669995, -19.0, -19.000000000000004, -33.7, -34.0, 2.97, -1e-8]
        if kind == "positive":
            bulk, tails = np.abs(bulk), np.abs(tails)
    values = np.concatenate([bulk, tails, edges, SPECIAL])
    return rng.permutation(values)


def scalar_results(name, *args):
    """The scalar kernel element by element, on the broadcast arguments."""
    function = getattr(quantora, name)
    columns = np.broadcast_arrays(*[np.asarray(a) for a in args])
    flat = [c.ravel() for c in columns]
    out = np.array([function(*(v.item() for v in values)) for values in zip(*flat)], dtype=np.float64)
    return out.reshape(columns[0].shape if columns else ())


def assert_same_bits(got, want):
    got, want = np.asarray(got, dtype=np.float64), np.asarray(want, dtype=np.float64)
    assert got.shape == want.shape
    differ = np.flatnonzero(got.view(np.uint64).ravel() != want.view(np.uint64).ravel())
    assert differ.size == 0, f"{differ.size} elements differ, first at {differ[:5]}"


def flags_of(name):
    return [()] if name.startswith("q") else [(False,), (True,)]


def arguments(name, first, location, scale, flag=()):
    """The call's arguments: the exponential law has its rate alone."""
    params = (scale,) if name in RATE_ONLY else (location, scale)
    return (first, *params, *flag)


@pytest.mark.parametrize("name", KERNELS)
def test_contiguous_with_scalar_parameters(unit, name):
    rng = np.random.default_rng(1)
    x = firsts(KERNELS[name], 400, rng)
    for location, scale in [(0.0, 1.0), (0.3, 1.7), (-2.5, 1e-300), (1e300, 1e300)]:
        for flag in flags_of(name):
            args = arguments(name, x, location, scale, flag)
            assert_same_bits(getattr(quantora, name)(*args), scalar_results(name, *args))


@pytest.mark.parametrize("name", KERNELS)
def test_every_argument_varies(unit, name):
    # Parameters drawn per element, the hostile values among them, flags per element.
    rng = np.random.default_rng(2)
    x = firsts(KERNELS[name], 300, rng)
    n = x.size
    mu = rng.choice(np.concatenate([rng.normal(0, 2, 50), SPECIAL]), n)
    sigma = rng.choice(np.concatenate([rng.uniform(0.1, 5, 50), [0.0, -1.0, 1e-310, 1e308], SPECIAL]), n)
    flag = () if name.startswith("q") else (rng.uniform(size=n) < 0.5,)
    args = arguments(name, x, mu, sigma, flag)
    assert_same_bits(getattr(quantora, name)(*args), scalar_results(name, *args))


def float32(x):
    with np.errstate(over="ignore"):  # the largest doubles become infinities
        return x.astype(np.float32)


LAYOUTS = {
    "strided": lambda x: x[::3],
    "reversed": lambda x: x[::-1],
    "fortran": lambda x: np.asfortranarray(x[: 24 * 25].reshape(24, 25)),
    "transposed": lambda x: x[: 24 * 25].reshape(24, 25).T,
    "strided rows": lambda x: x[: 40 * 30].reshape(40, 30)[::2, 1::3],
    "float32": lambda x: float32(x),
    "int64": lambda x: np.round(np.clip(np.nan_to_num(x), -1e15, 1e15)).astype(np.int64),
    "list": lambda x: x[:50].tolist(),
    "unaligned": lambda x: np.frombuffer(b"\0" + x.tobytes(), dtype=np.float64, offset=1),
    "big-endian": lambda x: x.astype(">f8"),
}


@pytest.mark.parametrize("layout", LAYOUTS)
@pytest.mark.parametrize("name", KERNELS)
def test_layouts_of_the_first_argument(unit, name, layout):
    rng = np.random.default_rng(3)
    x = LAYOUTS[layout](firsts(KERNELS[name], 400, rng))
    for flag in flags_of(name):
        args = arguments(name, x, 0.3, 1.7, flag)
        assert_same_bits(getattr(quantora, name)(*args), scalar_results(name, *args))


@pytest.mark.parametrize("name", ["dnorm", "pnorm", "qnorm", "dexp", "qlogis"])
def test_broadcast_and_strided_parameters(unit, name):
    rng = np.random.default_rng(4)
    x = firsts(KERNELS[name], 200, rng)[:180].reshape(6, 30)
    mu = rng.normal(0, 1, (6, 1))
    sigma = rng.uniform(0.5, 2, 60)[::2]  # shape (30,), every other element
    flag = () if name.startswith("q") else (np.array([[False], [True]] * 3),)
    args = arguments(name, x, mu, sigma, flag)
    got = getattr(quantora, name)(*args)
    assert got.shape == (6, 30)
    assert_same_bits(got, scalar_results(name, *args))


@pytest.mark.parametrize("name", ["dlogis", "plnorm", "qlnorm"])
def test_runs_of_every_length(unit, name):
    # Every remainder of the widest lanes (16) and of the runs the element
    # loop cuts (1024 elements) and the blocks of the array functions (512).
    rng = np.random.default_rng(5)
    x = firsts(KERNELS[name], 800, rng)
    for n in [*range(0, 40), 511, 512, 513, 1023, 1024, 1025, 1040, 2100]:
        first = np.resize(x, n)
        args = arguments(name, first, 0.3, 1.7, () if name.startswith("q") else (n % 2 == 0,))
        got = getattr(quantora, name)(*args)
        assert isinstance(got, np.ndarray) and got.shape == (n,)
        assert_same_bits(got, scalar_results(name, *args))


@pytest.mark.parametrize("name", KERNELS)
def test_zero_dimensional_and_empty(unit, name):
    function = getattr(quantora, name)
    value = 0.3 if name.startswith("q") else 1.3
    for scalar in [value, np.float64(value), np.array(value), np.float32(value)]:
        got = function(*arguments(name, scalar, 0.25, 1.5))
        assert isinstance(got, float)
        assert_same_bits(got, function(*arguments(name, float(np.float64(scalar)), 0.25, 1.5)))
    empty = function(*arguments(name, np.empty(0), 0.25, 1.5))
    assert empty.shape == (0,) and empty.dtype == np.float64
    assert function(*arguments(name, [value], 0.25, 1.5)).shape == (1,)


@pytest.mark.parametrize("name", ["dnorm", "pnorm", "plogis"])
def test_flags_of_any_nonzero_byte(unit, name):
    # A flag array viewed from bytes other than 0 and 1 is true wherever a byte is nonzero.
    rng = np.random.default_rng(6)
    x = firsts("real", 100, rng)
    raw = rng.integers(0, 4, x.size).astype(np.uint8)
    flags = raw.view(np.bool_)
    got = getattr(quantora, name)(x, 0.3, 1.7, flags)
    assert_same_bits(got, scalar_results(name, x, 0.3, 1.7, raw != 0))


# The kernels that run over lanes with every parameter a single value, from
# constants of the parameters found once per call; the kind of their first
# argument, and parameters across the reach of their literal forms and method
# switches: tiny and huge shapes, the saddle-point fronts, the incomplete gamma
# function's quadrature from shape 10 on and its windows, the quantiles' last
# trusted inverse at 1e7, the t quantile's exact forms at 1 and 2 degrees of
# freedom and both branches of its approximation, the incomplete beta
# inverse's two first guesses, its updates that stop where the density
# vanishes and its fraction that runs to the last level at large shapes, and
# parameters that leave no law.
PREPARED = {
    "dbeta": "unit", "df": "positive", "dt": "real",
    "dgamma": "positive", "dchisq": "positive", "dinvgamma": "positive",
    "pgamma": "positive", "pchisq": "positive", "pinvgamma": "positive",
    "qgamma": "probability", "qchisq": "probability", "qinvgamma": "probability", "qt": "probability",
    "qbeta": "probability", "qf": "probability",
}
GAMMA_PARAMS = [(3.0, 2.0), (0.5, 1.0), (1e-3, 3.0), (9.99, 1.0), (10.0, 0.5), (55.0, 1.0), (1e3, 2.0),
                (1e5, 1e-3), (1e-300, 1.0), (2.0**-53, 1.0), (2e7, 1.0), (np.inf, 1.0), (np.nan, 1.0), (3.0, 0.0),
                (3.0, 2.0**-52), (2.5, 1e300)]
CHISQ_PARAMS = [(5.0,), (0.1,), (19.9,), (20.0,), (150.0,), (2e6,), (0.0,), (2.0**-60,), (np.inf,), (-1.0,)]
PREPARED_PARAMS = {
    "dbeta": [(2.0, 5.0), (0.3, 7.0), (1.0, 1.0), (0.5, 0.5), (1e-3, 1e6), (12.0, 3e5), (1e-300, 2.0), (1e300, 1.0)],
    "df": [(5.0, 10.0), (1.0, 1.0), (2.0, 2.0), (1e-3, 1e6), (1e6, 1e6), (3.0, 2.0**-52)],
    "dt": [(5.0,), (1.0,), (2.5,), (1e-3,), (1e6,), (2.0**-52,), (np.inf,), (np.nan,), (-1.0,)],
    "qt": [(5.0,), (1.0,), (2.0,), (2.5,), (3.7,), (30.0,), (1e-3,), (1e6,), (2.0**-52,), (np.inf,), (np.nan,)],
    **{name: GAMMA_PARAMS for name in ("dgamma", "dinvgamma", "pgamma", "pinvgamma")},
    **{name: CHISQ_PARAMS for name in ("dchisq", "pchisq")},
    # The quantiles at shapes from 10 on invert on the quadrature and bisect in
    # the tails, milliseconds an element: fewer and smaller there.
    **{name: GAMMA_PARAMS[:6] + [(300.0, 1e-3)] + GAMMA_PARAMS[8:10] + GAMMA_PARAMS[11:]
       for name in ("qgamma", "qinvgamma")},
    "qchisq": CHISQ_PARAMS[:4] + [(600.0,)] + CHISQ_PARAMS[6:],
    "qbeta": [(2.0, 5.0), (0.3, 7.0), (1.0, 1.0), (0.5, 0.5), (1e-3, 1e-3), (1e-3, 50.0), (200.0, 3.0),
              (3e4, 3e4), (1e-300, 2.0), (1e300, 1.0), (np.inf, 1.0), (np.nan, 2.0), (0.0, 2.0), (-1.0, 2.0)],
    "qf": [(5.0, 10.0), (1.0, 1.0), (2.0, 2.0), (1e-3, 1e6), (1e5, 1e5), (3.0, 2.0**-52), (2.0**-53, 3.0),
           (4.0, np.inf), (np.nan, 4.0)],
}
PREPARED_CASES = [(name, params) for name, table in PREPARED_PARAMS.items() for params in table]


def prepared_firsts(kind, n, rng):
    """As firsts, and for the beta law x across (0, 1) with both ends and their neighbours."""
    if kind != "unit":
        return firsts(kind, n, rng)
    inside = np.concatenate([rng.uniform(0, 1, n), 10.0 ** rng.uniform(-320, -1, n // 4),
                             1 - 10.0 ** rng.uniform(-17, -1, n // 4)])
    ends = [0.0, -0.0, 1.0, 2.0 ** -52, 2.0 ** -53, 1 - 2.0 ** -53, 1 + 2.0 ** -52, -1.0, 2.0]
    return rng.permutation(np.concatenate([inside, ends, SPECIAL]))


def flag_choices(name, size, rng):
    """Each flag, and a flag per element, for the kernels that take one."""
    return flags_of(name) + ([] if name.startswith("q") else [(rng.uniform(size=size) < 0.5,)])


def single_flag(name, value):
    return () if name.startswith("q") else (value,)


@pytest.mark.parametrize("name, params", PREPARED_CASES, ids=lambda v: str(v))
def test_single_parameters(unit, name, params):
    rng = np.random.default_rng(7)
    x = prepared_firsts(PREPARED[name], {"d": 1000, "p": 400, "q": 60}[name[0]], rng)
    for flag in flag_choices(name, x.size, rng):
        args = (x, *params, *flag)
        assert_same_bits(getattr(quantora, name)(*args), scalar_results(name, *args))


@pytest.mark.parametrize("name", [name for name in PREPARED if not name.startswith("q")])
def test_single_parameters_flags_in_runs(unit, name):
    # Runs of one flag that begin and end inside a chunk of lanes.
    rng = np.random.default_rng(8)
    x = prepared_firsts(PREPARED[name], 2000, rng)
    flags = (np.arange(x.size) // rng.integers(1, 20, x.size)) % 2 == 1
    args = (x, *PREPARED_PARAMS[name][0], flags)
    assert_same_bits(getattr(quantora, name)(*args), scalar_results(name, *args))


@pytest.mark.parametrize("layout", ["strided", "reversed", "unaligned", "float32", "big-endian", "fortran"])
@pytest.mark.parametrize("name", PREPARED)
def test_single_parameters_layouts(unit, name, layout):
    x = LAYOUTS[layout](prepared_firsts(PREPARED[name], 400, np.random.default_rng(9)))
    args = (x, *PREPARED_PARAMS[name][1], *single_flag(name, True))
    assert_same_bits(getattr(quantora, name)(*args), scalar_results(name, *args))


@pytest.mark.parametrize("name", PREPARED)
def test_single_parameters_runs_of_every_length(unit, name):
    x = prepared_firsts(PREPARED[name], 800, np.random.default_rng(10))
    for n in [*range(0, 34), 511, 513, 1025]:
        args = (np.resize(x, n), *PREPARED_PARAMS[name][0], *single_flag(name, n % 2 == 1))
        assert_same_bits(getattr(quantora, name)(*args), scalar_results(name, *args))


@pytest.mark.parametrize("name", ["dgamma", "pchisq", "qinvgamma", "dbeta", "qf"])
def test_parameters_that_vary_take_the_scalar_kernel(unit, name):
    # Parameters per element (a broadcast column): element by element, as the kernel.
    rng = np.random.default_rng(11)
    x = prepared_firsts(PREPARED[name], 600, rng)
    table = PREPARED_PARAMS[name]
    params = [np.array([table[k][j] for k in rng.integers(0, len(table), x.size)]) for j in range(len(table[0]))]
    args = (x, *params, *single_flag(name, True))
    assert_same_bits(getattr(quantora, name)(*args), scalar_results(name, *args))
