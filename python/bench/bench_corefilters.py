#!/usr/bin/env python3
"""The binding against OpenCV and NumPy on the same arrays, in one run.

Not a test: prints times per call and ratios (reference time / binding time,
so above 1 means the binding is faster). Run from the repository root after
building:

    PYTHONPATH=build/python /usr/bin/python3 python/bench/bench_corefilters.py

"in caches": one frame used over and over; "from memory": a pool of frames
larger than the last-level cache, cycled.
"""
import argparse
import time

import cv2
import numpy as np

import corefilters


def per_call(fn, frames, outs, repeat, rounds=5):
    """The best of `rounds` mean times per call, in seconds."""
    best = float("inf")
    n = len(frames)
    for i in range(n):
        fn(frames[i], outs[i])
    for _ in range(rounds):
        begin = time.perf_counter()
        for i in range(repeat):
            fn(frames[i % n], outs[i % n])
        best = min(best, (time.perf_counter() - begin) / repeat)
    return best


def pool(shape, count, seed=1):
    rng = np.random.default_rng(seed)
    return [rng.integers(0, 256, size=shape, dtype=np.uint8) for _ in range(count)]


def row(name, ours, theirs, reference):
    print(f"{name:<44} {ours * 1e6:10.1f} us  {theirs * 1e6:10.1f} us  {theirs / ours:6.2f}x  ({reference})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=40, help="calls per round for full-HD frames")
    args = parser.parse_args()
    default_threads = cv2.getNumThreads()
    print(f"{'case':<44} {'binding':>13}  {'reference':>13}  ratio")

    # Per-call overhead: a 64 x 64 frame the filters barely touch.
    small = pool((64, 64), 1)
    out_small = [np.empty((64, 64), np.uint8)]
    y800 = corefilters.Filter("Bayer to Y800")
    ours = per_call(lambda f, o: y800(f, out=o), small, out_small, 20000)
    theirs = per_call(lambda f, o: np.copyto(o, f), small, out_small, 20000)
    row("64x64 Bayer to Y800, out= (in caches)", ours, theirs, "np.copyto")
    ours_new = per_call(lambda f, o: y800(f), small, out_small, 20000)
    row("64x64 Bayer to Y800, new array (in caches)", ours_new, theirs, "np.copyto")
    print(f"  per-call overhead over the copy: {(ours - theirs) * 1e6:.1f} us with out=, "
          f"{(ours_new - theirs) * 1e6:.1f} us with a new array (target < 10 us)")

    for label, count in (("in caches", 1), ("from memory", 8)):
        raw = pool((1080, 1920), count)
        bgr_out = [np.empty((1080, 1920, 3), np.uint8) for _ in range(count)]
        debayer = corefilters.Filter("DeBayer", mode="bilinear", start_pattern="GR")
        ours = per_call(lambda f, o: debayer(f, out=o), raw, bgr_out, args.repeat)
        cv2.setNumThreads(1)
        one = per_call(lambda f, o: cv2.cvtColor(f, cv2.COLOR_BayerBG2BGR, dst=o), raw, bgr_out, args.repeat)
        cv2.setNumThreads(default_threads)
        many = per_call(lambda f, o: cv2.cvtColor(f, cv2.COLOR_BayerBG2BGR, dst=o), raw, bgr_out, args.repeat)
        row(f"1920x1080 DeBayer bilinear ({label})", ours, one, "cv2.cvtColor, 1 thread; target >= 1.5x")
        row(f"1920x1080 DeBayer bilinear ({label})", ours, many, f"cv2.cvtColor, {default_threads} threads")
        edge = corefilters.Filter("DeBayer", mode="edge-sensing")
        ours_edge = per_call(lambda f, o: edge(f, out=o), raw, bgr_out, args.repeat)
        row(f"1920x1080 DeBayer edge sensing ({label})", ours_edge, one, "cv2.cvtColor bilinear, 1 thread")

        bgr = pool((1080, 1920, 3), count)
        turned = [np.empty((1920, 1080, 3), np.uint8) for _ in range(count)]
        rot = corefilters.Filter("Rotate Flip", rotation_angle=90)
        ours = per_call(lambda f, o: rot(f, out=o), bgr, turned, args.repeat)
        theirs = per_call(lambda f, o: cv2.rotate(f, cv2.ROTATE_90_CLOCKWISE, dst=o), bgr, turned, args.repeat)
        row(f"1920x1080x3 Rotate Flip 90 ({label})", ours, theirs, "cv2.rotate")

        crops = [np.empty((540, 960, 3), np.uint8) for _ in range(count)]
        roi = corefilters.Filter("ROI", left=480, top=270, width=960, height=540)
        ours = per_call(lambda f, o: roi(f, out=o), bgr, crops, args.repeat)
        theirs = per_call(lambda f, o: np.ascontiguousarray(f[270:810, 480:1440]), bgr, crops, args.repeat)
        row(f"1920x1080x3 ROI 960x540 ({label})", ours, theirs, "slice + np.ascontiguousarray")


if __name__ == "__main__":
    main()
