"""Compares two outputs of quantora_dump_bits line by line.

    python tools/compare_bits.py REFERENCE OTHER [--families dpq]

Prints the number of differing calls, split into those where both sides are NaN
with different encodings and all others, per function, with a few examples of
each, and exits with status 1 on any difference. --families limits the
comparison to functions whose first letter is listed (random streams rest on
the platform's log, pow and sqrt, which may differ between platforms).
"""
import argparse
import collections
import sys

EXPONENT = 0x7FF0000000000000
MANTISSA = 0x000FFFFFFFFFFFFF
EXAMPLES = 5


def is_nan(pattern):
    return pattern & EXPONENT == EXPONENT and pattern & MANTISSA != 0


def results(line):
    """The call text and the bit patterns of its results (one, or a stream's draws)."""
    call, _, values = line.partition(" = ")
    tokens = values.split()
    return call, [int(token, 16) for token in tokens[::2]]


def only_nan_encodings(a, b):
    return all(x == y or (is_nan(x) and is_nan(y)) for x, y in zip(a, b))


def compare(reference, other, families):
    counts = collections.Counter()
    examples = collections.defaultdict(list)
    calls = 0
    for number, (line_a, line_b) in enumerate(zip(reference, other), 1):
        if line_a[0] not in families:
            continue
        calls += 1
        if line_a == line_b:
            continue
        call_a, bits_a = results(line_a)
        call_b, bits_b = results(line_b)
        if call_a != call_b:
            sys.exit(f"line {number}: the inputs differ ({call_a} against {call_b}); not the same driver")
        kind = "NaN encoding" if only_nan_encodings(bits_a, bits_b) else "other"
        name = call_a.partition("(")[0]
        counts[name, kind] += 1
        if len(examples[kind]) < EXAMPLES:
            other_results = line_b.partition(" = ")[2].rstrip()
            examples[kind].append(f"  {line_a.rstrip()}\n  {' ' * len(call_a)} vs {other_results}")
    return calls, counts, examples


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("reference")
    parser.add_argument("other")
    parser.add_argument("--families", default="dpqr")
    args = parser.parse_args()
    with open(args.reference) as a, open(args.other) as b:
        reference, other = a.readlines(), b.readlines()
    if len(reference) != len(other):
        sys.exit(f"{args.other} has {len(other)} lines, {args.reference} {len(reference)}; not the same driver")
    calls, counts, examples = compare(reference, other, set(args.families))
    totals = collections.Counter()
    for (_, kind), n in counts.items():
        totals[kind] += n
    print(f"{args.other} against {args.reference}: {calls} calls, "
          f"{totals['NaN encoding']} differ in NaN encoding only, {totals['other']} otherwise")
    for kind in ("NaN encoding", "other"):
        per_function = [f"{name} {n}" for (name, k), n in sorted(counts.items()) if k == kind]
        if per_function:
            print(f" {kind}: " + ", ".join(per_function))
            print("\n".join(examples[kind]))
    return 1 if counts else 0


if __name__ == "__main__":
    sys.exit(main())
