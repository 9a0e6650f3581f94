"""Exact comparison of doubles: by bit pattern, shown in hex on failure."""
import math
import struct


def bits(v):
    """The float's exact hex form; every NaN compares equal to every other."""
    v = float(v)
    return "nan" if math.isnan(v) else float.hex(v)


def assert_bits(got, want, context=""):
    assert bits(got) == bits(want), f"{context}: got {bits(got)}, want {bits(want)}"


def from_hex(s):
    return float("nan") if s == "nan" else float.fromhex(s)


def to_ordered(x):
    """The double's bit pattern as an integer, for counting units in the last place."""
    return struct.unpack("<q", struct.pack("<d", x))[0]
