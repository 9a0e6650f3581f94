"""Two builds of the module side by side: the d, p and q array benchmark of each, run in turn
several times in fresh processes, so that a machine shared with other work loads both alike.

Prints, per function, the best ns per element of each build, the speed-up (before / after),
and each build's ratio to SciPy from the rounds in which its time was best.

    python benchmarks/compare_builds.py build/BEFORE build/AFTER [--rounds N] [NAME ...]
"""
import argparse
import json
import os
import pathlib
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent

# One round in a child process, as JSON: the vector unit, and (name, quantora ns, SciPy ns) per function.
CHILD = """
import json, sys
import numpy as np
import bench_arrays
from timing import best_of, lane_unit
out = []
for name, ours, label, ref in bench_arrays.cases(np.random.default_rng(2024)):
    if sys.argv[1:] and name not in sys.argv[1:]:
        continue
    out.append((name, best_of(ours, 3, bench_arrays.BUDGET) / bench_arrays.SIZE * 1e9,
                best_of(ref, 3, bench_arrays.BUDGET) / bench_arrays.SIZE * 1e9))
print(json.dumps({"unit": lane_unit(), "rows": out}))
"""


def one_round(build, names):
    env = dict(os.environ, PYTHONPATH=f"{pathlib.Path(build).resolve()}{os.pathsep}{HERE}")
    result = subprocess.run([sys.executable, "-c", CHILD, *names], env=env, check=True, capture_output=True,
                            text=True, cwd=HERE)
    return json.loads(result.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("before")
    parser.add_argument("after")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("names", nargs="*")
    args = parser.parse_intermixed_args()
    best = {}  # (build, name) -> (quantora ns, SciPy ns) of the round where quantora was fastest
    order = []
    units = {}
    for _ in range(args.rounds):
        for build in (args.before, args.after):
            result = one_round(build, args.names)
            units[build] = result["unit"]
            for name, ours, theirs in result["rows"]:
                if name not in order:
                    order.append(name)
                if (build, name) not in best or ours < best[build, name][0]:
                    best[build, name] = (ours, theirs)
    print(f"best of {args.rounds} rounds; ns per element over {10**5} typical inputs; "
          f"ratio = quantora / SciPy in the same round; vector lanes: {units[args.after]}")
    print(f"{'function':<11}{'before':>10}{'after':>10}{'speed-up':>10}{'ratio before':>14}{'ratio after':>13}")
    for name in order:
        before, scipy_before = best[args.before, name]
        after, scipy_after = best[args.after, name]
        print(f"{name:<11}{before:>10.1f}{after:>10.1f}{before / after:>10.2f}"
              f"{before / scipy_before:>14.2f}{after / scipy_after:>13.2f}", flush=True)


if __name__ == "__main__":
    main()
