"""Reference vectors computed independently: every d, p and q function and
short r streams must reproduce them bit for bit."""
import json
import pathlib

import pytest

import quantora
from exact import bits, from_hex

DATA = pathlib.Path(__file__).parent / "data"
DPQ = json.loads((DATA / "dpq.json").read_text())
STREAMS = json.loads((DATA / "r.json").read_text())


def decode(arg):
    return from_hex(arg) if isinstance(arg, str) else arg


@pytest.mark.parametrize("name", sorted(DPQ))
def test_dpq_vectors(name):
    function = getattr(quantora, name)
    failures = []
    for args, want in DPQ[name]:
        got = function(*[decode(a) for a in args])
        if bits(got) != bits(from_hex(want)):
            failures.append(f"{name}{tuple(args)}: got {bits(got)}, want {want}")
    assert not failures, f"{len(failures)} of {len(DPQ[name])} differ:\n" + "\n".join(failures[:20])


@pytest.mark.parametrize(
    "function, params, seed, size, draws",
    STREAMS,
    ids=[f"{s[0]}-{i}" for i, s in enumerate(STREAMS)],
)
def test_r_streams(function, params, seed, size, draws):
    got = getattr(quantora, function)(*[decode(p) for p in params], size, quantora.Engine(seed))
    assert [bits(v) for v in got] == draws
