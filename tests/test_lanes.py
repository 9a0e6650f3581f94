"""The module on a processor without AVX: wider vector units are compiled in
files of their own and chosen at run time, so the module must import and give
the same bits on a processor that has only the baseline unit. qemu's Westmere
model faults on any AVX instruction, so code of a wide unit reached by mistake
(a shared inline function the linker kept from a wide unit's file) ends the
run. The bit-for-bit check of every unit against the scalar kernels is
tools/check_lanes.cpp, run by .ci/lanes."""
import pathlib
import platform
import shutil
import subprocess
import sys

import numpy as np
import pytest

import quantora
from sweep import DPQ_NAMES, dpq_results

QEMU = shutil.which("qemu-x86_64")

# Enough functions to reach every kernel family: the elementary functions, the
# error function and its inverse, log-gamma, the incomplete gamma and beta
# functions and their inverses, the trigonometric kernels.
NAMES = ["dnorm", "pnorm", "qnorm", "dgamma", "pgamma", "qgamma", "dbeta", "pbeta", "qbeta",
         "dcauchy", "pcauchy", "qcauchy", "pt", "qt", "plogis", "dlnorm", "qlnorm", "pexp"]

PROBE = """
import sys
import numpy as np
import quantora
from sweep import dpq_results
np.savez(sys.argv[1], **{name: dpq_results(quantora, name) for name in sys.argv[2:]})
"""


def test_probe_names_exist():
    assert set(NAMES) <= set(DPQ_NAMES)


@pytest.mark.skipif(platform.machine() != "x86_64" or QEMU is None, reason="needs x86-64 and qemu-x86_64")
def test_module_runs_without_avx(tmp_path):
    target = tmp_path / "results.npz"
    tests = pathlib.Path(__file__).resolve().parent
    module = pathlib.Path(quantora.__file__).resolve().parent
    env = {"PYTHONPATH": f"{module}:{tests}", "PATH": "/usr/bin:/bin"}
    subprocess.run([QEMU, "-cpu", "Westmere", sys.executable, "-c", PROBE, str(target), *NAMES],
                   check=True, env=env, timeout=600)
    emulated = np.load(target)
    for name in NAMES:
        native = dpq_results(quantora, name)
        assert emulated[name].tobytes() == native.tobytes(), name
