import os
import pathlib

import numpy as np
import pytest

BUILD = pathlib.Path(os.environ.get("ORV_BUILD_DIR", pathlib.Path(__file__).resolve().parents[2] / "build"))


@pytest.fixture(scope="session")
def filterhost():
    path = BUILD / "bin" / "filterhost"
    if not path.exists():
        pytest.fail(f"{path} is not built")
    return path


def random_frame(shape, seed=1):
    return np.random.default_rng(seed).integers(0, 256, size=shape, dtype=np.uint8)
