"""The same bits from every build: the bit-dump driver (tools/dump_bits.cpp),
which .ci/platform compares across compilers and machines, covers every
function of the module; and a module built with fast-math flags in CXXFLAGS
and LDFLAGS computes what this one does and leaves the process's
floating-point environment alone. That build takes a minute or two, so it
runs only with QUANTORA_BUILD_TESTS=1 (as .ci/platform sets it)."""
import os
import pathlib
import re
import subprocess
import sys

import numpy as np
import pytest

import quantora
from sweep import DPQ_NAMES, R_NAMES, dpq_results, r_results

ROOT = pathlib.Path(__file__).resolve().parent.parent
TESTS = ROOT / "tests"
DRIVER = ROOT / "tools" / "dump_bits.cpp"
FAST_MATH = "-Ofast -ffast-math -funsafe-math-optimizations"


def driver_names():
    source = DRIVER.read_text()
    families = re.findall(r"^\s+QUANTORA_FAMILY\((\w+),", source, re.MULTILINE)
    generators = re.findall(r"^\s+QUANTORA_GENERATOR\((\w+),", source, re.MULTILINE)
    return [prefix + name for prefix in "dpq" for name in families] + ["r" + name for name in generators]


def test_driver_covers_every_function():
    functions = [name for name in vars(quantora) if not name.startswith("_") and name != "Engine"]
    names = driver_names()
    assert len(names) == len(set(names))
    assert sorted(names) == sorted(functions)


# Run in a fresh interpreter with only the fast-math build importable as
# quantora: a subnormal product before and after the import, then every sweep.
PROBE = """
import sys
import numpy as np
tiny = np.array([5e-324])
before = (tiny * 1.0)[0]
import quantora
after = (tiny * 1.0)[0]
from sweep import DPQ_NAMES, R_NAMES, dpq_results, r_results
results = {name: dpq_results(quantora, name) for name in DPQ_NAMES}
results.update({name: r_results(quantora, name) for name in R_NAMES})
np.savez(sys.argv[1], module=quantora.__file__, subnormal=[before, after], **results)
"""

needs_build = pytest.mark.skipif(
    os.environ.get("QUANTORA_BUILD_TESTS") != "1", reason="builds a second module; set QUANTORA_BUILD_TESTS=1")


@pytest.fixture(scope="module")
def fast_math_results(tmp_path_factory):
    target = tmp_path_factory.mktemp("fast-math-module")
    env = dict(os.environ, CXXFLAGS=FAST_MATH, LDFLAGS=FAST_MATH)
    # The baseline vector unit alone: every unit gives the same bits, and the
    # bit dumps of .ci/platform build the wider ones with fast-math flags too.
    subprocess.run([sys.executable, "-m", "pip", "install", "--quiet", "--no-deps", "--target", str(target),
                    "--config-settings=cmake.define.QUANTORA_WIDE_UNITS=OFF", str(ROOT)], env=env, check=True)
    out = target / "results.npz"
    env["PYTHONPATH"] = os.pathsep.join([str(target), str(TESTS)])
    subprocess.run([sys.executable, "-c", PROBE, str(out)], env=env, check=True, cwd=target)
    results = np.load(out)
    assert pathlib.Path(str(results["module"])).parent == target
    return results


@needs_build
def test_fast_math_build_keeps_subnormals(fast_math_results):
    before, after = fast_math_results["subnormal"]
    assert (before.hex(), after.hex()) == ((5e-324).hex(), (5e-324).hex())


@needs_build
def test_fast_math_build_gives_the_same_bits(fast_math_results):
    differ = {}
    for name in DPQ_NAMES + R_NAMES:
        want = dpq_results(quantora, name) if name in DPQ_NAMES else r_results(quantora, name)
        count = np.count_nonzero(fast_math_results[name].view(np.uint64) != want.view(np.uint64))
        if count:
            differ[name] = f"{count} of {want.size}"
    assert not differ, f"results that differ: {differ}"
