"""The type stub installed beside the module agrees with the module."""
import pathlib
import shutil
import subprocess
import sys

import pytest

import quantora

def test_stub_is_installed_beside_the_module():
    assert (pathlib.Path(quantora.__file__).parent / "quantora.pyi").is_file()


def test_stubtest(tmp_path):
    pytest.importorskip("mypy")
    stub = pathlib.Path(quantora.__file__).parent / "quantora.pyi"
    if not stub.is_file():
        pytest.skip("module not installed with its stub")
    # mypy refuses a search path inside site-packages, so check a copy.
    shutil.copy(stub, tmp_path / "quantora.pyi")
    result = subprocess.run(
        [sys.executable, "-m", "mypy.stubtest", "quantora"],
        env={"MYPYPATH": str(tmp_path), "PATH": "", "PYTHONPATH": str(pathlib.Path(quantora.__file__).parent)},
        capture_output=True, text=True, cwd=tmp_path,
    )
    assert result.returncode == 0, result.stdout + result.stderr
