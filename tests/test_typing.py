"""The type stub, as typed user code meets it: mypy and pyright find it in the
installed package with no configuration (PEP 561), and a typed script passes
both checkers in strict mode and runs."""
import json
import os
import pathlib
import runpy
import shutil
import subprocess
import sys

import pytest

import quantora

SCRIPT = pathlib.Path(__file__).parent / "typed_usage.py"
MODULE_DIR = pathlib.Path(quantora.__file__).parent
INSTALLED = (MODULE_DIR / "quantora-stubs" / "__init__.pyi").is_file()


def test_the_typed_script_runs():
    pytest.importorskip("typing_extensions")
    runpy.run_path(str(SCRIPT))


def checker_setup(tmp_path):
    """A copy of the script, and for a build folder (no installed stub
    package) the folder on the checkers' search path."""
    shutil.copy(SCRIPT, tmp_path / SCRIPT.name)
    env = {"PATH": os.environ.get("PATH", ""), "HOME": str(tmp_path)}
    if not INSTALLED:
        # mypy refuses a search path inside site-packages; a build folder is fine.
        env["MYPYPATH"] = str(MODULE_DIR)
    config = {"pythonVersion": f"{sys.version_info[0]}.{sys.version_info[1]}", "typeCheckingMode": "strict",
              "extraPaths": [] if INSTALLED else [str(MODULE_DIR)]}
    (tmp_path / "pyrightconfig.json").write_text(json.dumps(config))
    return env


def test_mypy_accepts_typed_code(tmp_path):
    pytest.importorskip("mypy")
    env = checker_setup(tmp_path)
    result = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--python-executable", sys.executable, "--no-incremental",
         SCRIPT.name],
        cwd=tmp_path, env=env, capture_output=True, text=True,
    )
    assert result.returncode == 0, result.stdout + result.stderr


def test_pyright_accepts_typed_code(tmp_path):
    if shutil.which("pyright") is None:
        pytest.skip("pyright is not installed")
    env = checker_setup(tmp_path)
    result = subprocess.run(
        ["pyright", "--pythonpath", sys.executable, SCRIPT.name],
        cwd=tmp_path, env=env, capture_output=True, text=True,
    )
    assert result.returncode == 0, result.stdout + result.stderr
