import json
import pathlib

import pytest

DATA = pathlib.Path(__file__).parent / "data"


@pytest.fixture(scope="session")
def dpq_vectors():
    return json.loads((DATA / "dpq.json").read_text())
