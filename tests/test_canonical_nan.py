"""Every NaN a function returns is the one quiet NaN 0x7FF8000000000000,
whatever its arguments (NaNs of any encoding among them) and whichever path
produced it: a NaN made by arithmetic carries the processor's sign bit."""
import numpy as np
import pytest

import quantora
from sweep import CANONICAL_NAN, DPQ_NAMES, R_NAMES, dpq_grid, dpq_results, r_parameters, r_results

SHOWN = 10


def text(value):
    value = value.item()
    if isinstance(value, float) and value != value:
        return "nan:" + format(int(np.float64(value).view(np.uint64)), "016x")
    return repr(value)


def foreign_nans(values):
    return np.isnan(values) & (values.view(np.uint64) != CANONICAL_NAN)


@pytest.mark.parametrize("name", DPQ_NAMES)
def test_dpq_nan_is_canonical(name):
    got = dpq_results(quantora, name)
    bad = foreign_nans(got)
    args = np.broadcast_arrays(*dpq_grid(name))
    cases = [f"{name}({', '.join(text(a[i]) for a in args)}) = {got[i].view(np.uint64):016x}"
             for i in zip(*np.nonzero(bad))]
    assert not cases, f"{len(cases)} of {got.size} results:\n" + "\n".join(cases[:SHOWN])


@pytest.mark.parametrize("name", R_NAMES)
def test_r_nan_is_canonical(name):
    draws = r_results(quantora, name)
    bad = foreign_nans(draws).any(axis=1)
    params = r_parameters(name)
    cases = [f"{name}{params[i]} drew {[format(v, '016x') for v in draws[i].view(np.uint64)]}"
             for i in np.nonzero(bad)[0]]
    assert not cases, f"{len(cases)} of {len(params)} parameter sets:\n" + "\n".join(cases[:SHOWN])
