"""The accuracy rule every density, distribution function and quantile answers
to, checked against high-precision references stored as test data.

A reference point holds the arguments, a region label and the true result
rounded to a double (the value, and for d and p functions also its natural
logarithm, which stays finite where the value underflows). A result is sound
when:

* the true value is a finite nonzero double: the result is finite, nonzero, of
  the same sign, and within 1e-6 relative (one subnormal step of absolute slack
  below the normal range);
* the true value underflows to 0: the result is 0 or the smallest subnormal;
* under the log flag, with a finite true logarithm: the result is finite and
  within 1e-6 relative or 1e-12 absolute of it.
"""
import json
import math
import pathlib

import quantora

DATA = pathlib.Path(__file__).parent / "data"

RELATIVE = 1e-6
LOG_ABSOLUTE = 1e-12
SUBNORMAL_STEP = 2.0 ** -1074


def decode(a):
    if isinstance(a, str):
        return float("nan") if a == "nan" else float.fromhex(a)
    return a


def value_fault(got, want):
    """None when got is sound against the rounded true value want, else why not."""
    if math.isnan(want):
        return None if math.isnan(got) else "should be NaN"
    if math.isinf(want):
        return None if got == want else "should be infinite"
    if math.isnan(got) or math.isinf(got):
        return "not finite"
    if want == 0:
        return None if abs(got) <= SUBNORMAL_STEP else "should underflow to 0"
    if got == 0 or (got < 0) != (want < 0):
        return "zero or wrong sign"
    if abs(got - want) > RELATIVE * abs(want) + SUBNORMAL_STEP:
        return f"relative error {abs(got - want) / abs(want):.2e}"
    return None


def log_fault(got, want):
    """None when got is sound against the true logarithm want, else why not."""
    if math.isnan(want) or math.isinf(want):
        return value_fault(got, want)
    if math.isnan(got) or math.isinf(got):
        return "not finite"
    if abs(got - want) > max(RELATIVE * abs(want), LOG_ABSOLUTE):
        return f"error {abs(got - want):.2e}"
    return None


def load(family):
    """{function: [(args, region, value, log), ...]} from data/reference_<family>.json."""
    raw = json.loads((DATA / f"reference_{family}.json").read_text())
    return {
        name: [([decode(a) for a in args], region, decode(value), decode(log) if log is not None else None)
               for args, region, value, log in points]
        for name, points in raw.items()
    }


def faults(name, points):
    """Every unsound result of one function over its reference points, as text."""
    function = getattr(quantora, name)
    found = []
    for args, region, value, log in points:
        if name[0] == "q":
            got = function(*args)
            fault = value_fault(got, value)
            if fault is None and got == 0 and math.copysign(1.0, got) < 0:
                fault = "-0.0"
            if fault:
                found.append(f"{name}{tuple(args)} [{region}]: {got!r} vs {value!r}: {fault}")
            continue
        got = function(*args, False)
        fault = value_fault(got, value)
        if fault:
            found.append(f"{name}{tuple(args)} [{region}]: {got!r} vs {value!r}: {fault}")
        if log is not None:
            got_log = function(*args, True)
            fault = log_fault(got_log, log)
            if fault:
                found.append(f"{name}{tuple(args)} log [{region}]: {got_log!r} vs {log!r}: {fault}")
    return found
