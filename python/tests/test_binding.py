# The binding's own behaviour: arrays in and out, parameters, streaming,
# chains, threads, and the exceptions bad input raises.
import subprocess
import sys
import threading

import numpy as np
import pytest

import corefilters
from conftest import random_frame


def test_filters_lists_parameters_and_inputs():
    listed = {f["name"]: f for f in corefilters.filters()}
    assert set(listed) == {"DeBayer", "Bayer to Y800", "Rotate Flip", "ROI", "DeNoise"}
    params = {p["key"]: p for p in listed["DeBayer"]["parameters"]}
    assert params["start_pattern"]["value"] == 2 and "RG" in params["start_pattern"]["values"]
    assert "BY8" in listed["DeBayer"]["input_types"]


def test_parameters_as_keywords_attributes_dict_and_text():
    f = corefilters.Filter("debayer", mode="edge-sensing", start_pattern="RG")
    assert (f.mode, f.start_pattern) == (2, 0)
    f.mode = "Nearest Color"
    f["start-pattern"] = 3
    assert f.params == {"start_pattern": 3, "mode": 0}
    f.params = {"mode": 1}
    g = corefilters.Filter("DeBayer")
    g.load(f.save())
    assert g.params == f.params
    r = corefilters.Filter("Rotate Flip", flip_h=True)
    assert r.flip_h is True and "flip_h" in dir(r)


@pytest.mark.parametrize("make,error,words", [
    (lambda: corefilters.Filter("Sharpen"), ValueError, ["Sharpen", "DeBayer"]),
    (lambda: corefilters.Filter("DeBayer", gain=2), TypeError, ["gain", "start_pattern"]),
    (lambda: corefilters.Filter("DeBayer", mode="fancy"), ValueError, ["mode", "'fancy'", "edge-sensing"]),
    (lambda: corefilters.Filter("DeBayer", start_pattern=4), ValueError, ["start_pattern=4", "out of range"]),
    (lambda: corefilters.Filter("Rotate Flip", rotation_angle=45), ValueError, ["rotation_angle=45", "90"]),
    (lambda: corefilters.Filter("ROI", width=0), ValueError, ["width=0"]),
    (lambda: setattr(corefilters.Filter("DeBayer"), "mode", 1.5), TypeError, ["mode", "float"]),
    (lambda: corefilters.Filter("DeBayer").gain, AttributeError, ["gain"]),
    (lambda: corefilters.Filter("DeBayer").load("{'Mode': 9}"), ValueError, ["DeBayer"]),
    (lambda: corefilters.Filter("DeBayer")(np.zeros((8, 8), np.float32)), TypeError, ["uint8", "(H, W)"]),
    (lambda: corefilters.Filter("DeBayer")(np.zeros((8, 8, 3), np.uint8)), ValueError, ["(H, W)", "(8, 8, 3)"]),
    (lambda: corefilters.Filter("DeBayer")(np.zeros((2, 8), np.uint8)), ValueError, ["3 x 3", "(2, 8)"]),
    (lambda: corefilters.Filter("ROI")(np.zeros((8, 8, 2), np.uint8)), ValueError, ["(H, W, 3)", "(8, 8, 2)"]),
    (lambda: corefilters.Filter("ROI")([[1, 2]]), TypeError, ["list"]),
    (lambda: corefilters.Filter("ROI", top=600)(np.zeros((480, 640, 3), np.uint8)), ValueError, ["ROI"]),
    (lambda: corefilters.Filter("DeBayer")(np.zeros((8, 8), np.uint8), out=np.zeros((8, 8, 2), np.uint8)),
     ValueError, ["(8, 8, 3)"]),
    (lambda: corefilters.Filter("Rotate Flip")(np.zeros((8, 8), np.uint8), out=np.zeros((8, 16), np.uint8)[:, ::2]),
     ValueError, ["C-contiguous"]),
    (lambda: corefilters.Filter("Rotate Flip")(np.zeros((8, 8), np.uint8), out=np.zeros((8, 8), np.int16)),
     TypeError, ["uint8"]),
    (lambda: corefilters.Chain([]), ValueError, ["filter"]),
    (lambda: corefilters.Chain(["DeBayer", "Bayer to Y800"])(np.zeros((8, 8), np.uint8)), ValueError, ["Bayer to Y800"]),
    (lambda: corefilters.Filter("Bayer to Y800").show_dialog(), ValueError, ["dialog"]),
])
def test_bad_input_raises(make, error, words):
    with pytest.raises(error) as caught:
        make()
    for word in words:
        assert word in str(caught.value)


def test_show_dialog_without_display(monkeypatch):
    monkeypatch.delenv("DISPLAY", raising=False)
    monkeypatch.delenv("WAYLAND_DISPLAY", raising=False)
    with pytest.raises(ValueError, match="no display"):
        corefilters.Filter("DeBayer").show_dialog()


@pytest.mark.parametrize("key,frame", [
    ("debayer", random_frame((16, 24))),
    ("rotflip", random_frame((16, 24, 4))),
    ("roi", random_frame((16, 24, 3))),
    ("denoise", random_frame((16, 24))),
])
def test_out_is_written_in_place_and_slices_work(key, frame):
    params = {"denoise_level": 0} if key == "denoise" else {}
    f = corefilters.Filter(key, **params)
    expected = f(frame)
    buf = np.empty_like(expected)
    assert np.shares_memory(f(frame, out=buf), buf)
    np.testing.assert_array_equal(buf, expected)
    wide = np.zeros((frame.shape[0], frame.shape[1] * 2) + frame.shape[2:], np.uint8)
    wide[:, ::2] = frame
    np.testing.assert_array_equal(f(wide[:, ::2]), expected)


def test_debayer_into_bgra_has_opaque_alpha():
    raw = random_frame((16, 24))
    f = corefilters.Filter("DeBayer")
    bgra = f(raw, out=np.zeros((16, 24, 4), np.uint8))
    np.testing.assert_array_equal(bgra[..., :3], f(raw))
    assert (bgra[..., 3] == 255).all()


def test_streaming_state_and_live_rules():
    d = corefilters.Filter("DeNoise", denoise_level=1)
    a, b = random_frame((4, 8), 1), random_frame((4, 8), 2)
    assert d(a) is None and d.live
    with pytest.raises(ValueError, match="denoise_level=2 while streaming"):
        d.denoise_level = 2
    assert d(random_frame((6, 8))) is None  # another shape starts a new run
    assert d(a, out=np.empty_like(a)) is None and d(b) is not None  # out= keeps the run
    d.stop()
    d.denoise_level = 0
    np.testing.assert_array_equal(d(a), a)

    r = corefilters.Filter("Rotate Flip")
    frame = random_frame((8, 16, 3))
    r(frame)
    r.rotation_angle = 180
    np.testing.assert_array_equal(r(frame), frame[::-1, ::-1])
    with pytest.raises(ValueError, match="rotation_angle=90 while streaming"):
        r.rotation_angle = 90
    r.stop()
    r.rotation_angle = 90
    assert r(frame).shape == (16, 8, 3)


def test_roi_on_colour_moves_as_the_array_says():
    # The module sees these frames bottom-up; top stays the array's top.
    frame = random_frame((32, 48, 3))
    f = corefilters.Filter("ROI", left=8, top=4, width=16, height=10)
    np.testing.assert_array_equal(f(frame), frame[4:14, 8:24])
    f.top = 20
    assert f.top == 20
    np.testing.assert_array_equal(f(frame), frame[20:30, 8:24])
    with pytest.raises(ValueError, match="while streaming"):
        f.top = 25
    f.stop()
    assert (f.top, f.height) == (20, 10)


def test_chain_streams_like_its_filters_one_by_one():
    frames = [random_frame((40, 64), seed=s) for s in range(4)]
    make = lambda: [corefilters.Filter("DeBayer", mode=2), corefilters.Filter("Rotate Flip", rotation_angle=90),
                    corefilters.Filter("ROI", left=8, top=16, width=24, height=20),
                    corefilters.Filter("DeNoise", denoise_level=1)]
    chain = corefilters.Chain(make())
    outs = list(chain.run(frames))
    assert len(outs) == 2
    singles = make()
    expected = []
    for frame in frames:
        out = frame
        for f in singles:
            out = f(out) if out is not None else None
        if out is not None:
            expected.append(out)
    for got, want in zip(outs, expected):
        np.testing.assert_array_equal(got[..., :3], want)
    assert chain(frames[0]) is None


@pytest.mark.parametrize("threads,level,shape", [(2, 2, (48, 64)), (0, 0, (48, 64)), (3, 1, (48, 64, 3))])
def test_chain_across_threads_gives_the_single_threaded_outputs(threads, level, shape):
    frames = [random_frame(shape, seed=s) for s in range(40)]
    make = lambda threads: corefilters.Chain(
        ([] if len(shape) == 3 else [corefilters.Filter("DeBayer", mode=2)]) +
        [corefilters.Filter("Rotate Flip", rotation_angle=90), corefilters.Filter("ROI", top=8, height=32, width=24),
         corefilters.Filter("DeNoise", denoise_level=level)], threads=threads)
    expected = list(make(1).run(frames))
    pipelined = make(threads)
    for _ in range(2):  # each run a stream of its own
        outs = list(pipelined.run(iter(frames)))
        assert len(outs) == len(expected) == len(frames) >> level
        for got, want in zip(outs, expected):
            np.testing.assert_array_equal(got, want)


def test_chain_across_threads_raises_after_the_frames_before_the_fault():
    chain = corefilters.Chain(["DeBayer", "Rotate Flip"], threads=2)
    frames = [random_frame((16, 16), seed=s) for s in range(6)] + [random_frame((8, 8))]
    outs = []
    with pytest.raises(ValueError, match="first frame's shape"):
        for out in chain.run(frames):
            outs.append(out)
    assert len(outs) == 6
    for out in chain.run(frames[:5]):  # left early: the rest is dropped
        break
    assert chain(frames[0]).shape[:2] == (16, 16)


def test_chain_on_colour_keeps_the_arrays_orientation():
    frame = random_frame((24, 40, 3))
    chain = corefilters.Chain([corefilters.Filter("Rotate Flip", rotation_angle=90),
                               corefilters.Filter("ROI", top=8, height=16, width=16)])
    np.testing.assert_array_equal(chain(frame), np.rot90(frame, -1)[8:24, 0:16])
    buf = np.empty((16, 16, 3), np.uint8)
    assert np.shares_memory(chain(frame, out=buf), buf)


def test_a_running_filter_lets_other_threads_run():
    # With a switch interval far beyond the test, a thread gives the GIL up
    # only where the binding releases it, so this thread gets to run before
    # the worker's last call returns only if the calls run without the GIL.
    frame = random_frame((1080, 1920), seed=1)
    debayer = corefilters.Filter("DeBayer", mode=2)
    out = np.empty((1080, 1920, 3), np.uint8)
    calls, done = 20, []

    def work():
        for _ in range(calls):
            debayer(frame, out=out)
            done.append(1)

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1000)
    try:
        worker = threading.Thread(target=work)
        worker.start()
        seen = len(done)
        worker.join()
    finally:
        sys.setswitchinterval(interval)
    assert seen < calls, "the filter held the GIL through every call"


def test_interpreter_exits_cleanly_with_filters_alive():
    script = ("import numpy as np, corefilters\n"
              "f = corefilters.Filter('DeNoise'); f(np.zeros((8, 8), np.uint8))\n"
              "c = corefilters.Chain(['DeBayer', 'Rotate Flip']); c(np.zeros((8, 8), np.uint8))\n"
              "g = corefilters.Filter('ROI')\n")
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=60)
    assert (done.returncode, done.stderr) == (0, "")
