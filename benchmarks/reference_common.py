"""Shared pieces of the offline reference scripts (reference_<family>.py).

Each script evaluates the true d, p and q values with mpmath at high precision
on grids of its own and writes tests/data/reference_<family>.json:

    {function: [[args, region, value, log], ...]}

with floats as hex strings (float.hex, "inf", "-inf", "nan"), counts as JSON
integers, region one of "everyday", "tail", "log", "extreme", value the true
result rounded to the nearest double and log its natural logarithm rounded to
a double (null for quantiles). tests/soundness.py reads the files; the suite
needs no mpmath at run time.
"""
import json
import math
import pathlib

import mpmath as mp

mp.mp.dps = 60

ROOT = pathlib.Path(__file__).resolve().parent.parent
DATA = ROOT / "tests" / "data"
REGIONS = ("everyday", "tail", "log", "extreme")


def to_double(x):
    """The mpf x rounded to the nearest double, subnormals and overflow included."""
    x = mp.mpf(x)
    if mp.isnan(x):
        return math.nan
    if mp.isinf(x):
        return math.inf if x > 0 else -math.inf
    if x == 0:
        return 0.0
    if abs(x) < mp.ldexp(1, -1022):
        steps = mp.nint(x * mp.ldexp(1, 1074))
        return math.ldexp(int(steps), -1074)
    if abs(x) >= mp.ldexp(2 - mp.ldexp(1, -53), 1023):
        return math.inf if x > 0 else -math.inf
    return float(x)  # rounds the mantissa to 53 bits, to nearest


def hexf(v):
    v = float(v)
    if math.isnan(v):
        return "nan"
    if math.isinf(v):
        return "inf" if v > 0 else "-inf"
    return v.hex()


def encode_args(args):
    return [a if isinstance(a, (int, bool)) and not isinstance(a, float) else hexf(a) for a in args]


class References:
    """Collects reference points and writes them as one JSON file."""

    def __init__(self, family):
        self.family = family
        self.points = {}

    def add(self, name, args, region, value, log=None):
        """value (and log, for d and p) are mpf; args are Python floats and ints."""
        assert region in REGIONS, region
        entry = [encode_args(args), region, hexf(to_double(value)),
                 None if name[0] == "q" else hexf(to_double(log if log is not None else mp.log(value)))]
        self.points.setdefault(name, []).append(entry)

    def write(self):
        path = DATA / f"reference_{self.family}.json"
        text = "{\n" + ",\n".join(
            f"{json.dumps(name)}: [\n" + ",\n".join(json.dumps(p) for p in pts) + "\n]"
            for name, pts in sorted(self.points.items())) + "\n}\n"
        path.write_text(text)
        return path
