# Each filter's output against the same filter driven by filterhost (through
# pixrt) on the same picture, and against what NumPy or OpenCV says it means.
import subprocess

import cv2
import numpy as np
import pytest

import corefilters
from conftest import random_frame

NAMES = {f["key"]: {p["key"]: p["name"] for p in f["parameters"]} | {"": f["name"]} for f in corefilters.filters()}

BAYER = random_frame((48, 64))
GREY = random_frame((40, 72), seed=2)
BGR = random_frame((40, 72, 3), seed=3)


def run_filterhost(filterhost, tmp_path, key, params, frames):
    inputs = []
    for i, frame in enumerate(frames):
        inputs += ["--input", str(tmp_path / f"in{i}.png")]
        assert cv2.imwrite(inputs[-1], frame)
    settings = ",".join(f"{NAMES[key][k]}={int(v)}" for k, v in params.items())
    request = NAMES[key][""] + (":" + settings if settings else "")
    out = tmp_path / "out.png"
    subprocess.run([filterhost, "run", *inputs, "--filter", request, "-o", out], check=True, capture_output=True)
    return cv2.imread(str(out), cv2.IMREAD_UNCHANGED)


CASES = [
    # key, params, frames, what the output means in NumPy (None: no simpler statement)
    ("debayer", {"mode": 0, "start_pattern": 2}, [BAYER], None),
    ("debayer", {"mode": 1, "start_pattern": 1}, [BAYER], None),
    ("debayer", {"mode": 2, "start_pattern": 3}, [BAYER], None),
    ("bayer2y800", {}, [BAYER], lambda f: f),
    ("rotflip", {"rotation_angle": 90}, [BGR], lambda f: np.rot90(f, -1)),
    ("rotflip", {"rotation_angle": 270, "flip_h": True}, [GREY], lambda f: np.rot90(f, 1)[:, ::-1]),
    ("rotflip", {"rotation_angle": 180, "flip_v": True}, [BGR], lambda f: f[:, ::-1]),
    ("roi", {"left": 16, "top": 4, "width": 32, "height": 20}, [BGR], lambda f: f[4:24, 16:48]),
    ("roi", {"left": 8, "top": 30, "width": 40, "height": 99}, [GREY], lambda f: f[30:, 8:48]),
    ("denoise", {"denoise_level": 2}, [random_frame((24, 32, 3), seed=s) for s in range(4)], None),
]


@pytest.mark.parametrize("key,params,frames,meaning", CASES, ids=[f"{c[0]}-{i}" for i, c in enumerate(CASES)])
def test_output_equals_filterhost(filterhost, tmp_path, key, params, frames, meaning):
    f = corefilters.Filter(key, **params)
    outs = [f(frame) for frame in frames]
    assert all(o is None for o in outs[:-1])
    expected = run_filterhost(filterhost, tmp_path, key, params, frames)
    channels = 3 if expected.ndim == 3 else None
    np.testing.assert_array_equal(outs[-1] if channels is None else outs[-1][..., :3], expected[..., :3] if channels else expected)
    if meaning is not None:
        np.testing.assert_array_equal(outs[-1], meaning(frames[-1]))


def test_denoise_averages_a_run():
    frames = [random_frame((6, 16), seed=s) for s in range(4)]
    f = corefilters.Filter("DeNoise", denoise_level=2)
    outs = [f(fr) for fr in frames]
    assert outs[:3] == [None] * 3
    np.testing.assert_array_equal(outs[3], (np.sum(frames, axis=0, dtype=np.uint16) >> 2).astype(np.uint8))


# This module names a start pattern by the colours at column 0 of memory rows
# 1 and 0; OpenCV names its Bayer codes by the samples at columns 1 and 2 of
# row 1. An R G / G B sensor is "GR" here and BayerBG there.
PATTERNS = [("RG", cv2.COLOR_BayerGR2BGR), ("GB", cv2.COLOR_BayerRG2BGR),
            ("GR", cv2.COLOR_BayerBG2BGR), ("BG", cv2.COLOR_BayerGB2BGR)]
# Where each pattern's red sample lies in the 2 x 2 cell (row, column).
RED_AT = {"RG": (1, 0), "GB": (1, 1), "GR": (0, 0), "BG": (0, 1)}


@pytest.mark.parametrize("pattern,code", PATTERNS)
def test_bilinear_agrees_with_opencv(pattern, code):
    raw = random_frame((64, 80), seed=7)
    ours = corefilters.Filter("DeBayer", mode="bilinear", start_pattern=pattern)(raw)
    theirs = cv2.cvtColor(raw, code)
    inner = (slice(2, -2), slice(2, -2))
    # OpenCV rounds its averages, this module truncates them.
    assert np.abs(ours[inner].astype(int) - theirs[inner]).max() <= 1
    ry, rx = RED_AT[pattern]
    red, blue = (slice(2 + ry, -2, 2), slice(2 + rx, -2, 2)), (slice(3 - ry, -2, 2), slice(3 - rx, -2, 2))
    for (rows, cols), channel in ((red, 2), (blue, 0)):
        np.testing.assert_array_equal(ours[rows, cols, channel], raw[rows, cols])
        np.testing.assert_array_equal(theirs[rows, cols, channel], raw[rows, cols])
