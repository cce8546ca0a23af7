#!/usr/bin/env python3
"""Compares two builds of one Google Benchmark program, cell by cell.

    compare_builds.py [--rounds N] OLD_BINARY NEW_BINARY [benchmark options...]

The two binaries run alternately (old, new, new, old, ...) so that a change
in the machine's load falls on both alike; each run's repetitions are pooled
per cell and compared by medians. A ratio above 1 means the new build is
faster. Cells that run a peer (memcpy, OpenCV, libyuv, plain reads: the
--peers pattern) run the same code in both builds: their ratios show how far
the machine alone moves a cell between runs, the noise against which the
other cells' ratios are to be read.

Example:
    bench/compare_builds.py --rounds 4 old/rotflip_bench build/bin/rotflip_bench \\
        --benchmark_filter='^transform/' --benchmark_min_time=0.03
"""
import argparse
import json
import re
import statistics
import subprocess
import sys
import tempfile


def run(binary, options):
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        done = subprocess.run([binary, *options, "--benchmark_out_format=json", f"--benchmark_out={out.name}"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        if done.returncode != 0:
            sys.exit(f"{binary} failed:\n{done.stderr}")
        report = json.load(out)
    times = {}
    for b in report["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration":
            times.setdefault(b["run_name"], []).append(b["real_time"])
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=3, help="runs of each binary (default 3)")
    parser.add_argument("--repetitions", type=int, default=3, help="repetitions per run (default 3)")
    parser.add_argument("--peers", default=r"(?i)peer:|memcpy|opencv|libyuv|^read ",
                        help="pattern of the cells that time a peer's code")
    parser.add_argument("old")
    parser.add_argument("new")
    args, options = parser.parse_known_args()
    options += [f"--benchmark_repetitions={args.repetitions}", "--benchmark_enable_random_interleaving=true"]

    pooled = {"old": {}, "new": {}}
    for r in range(args.rounds):
        order = ("old", "new") if r % 2 == 0 else ("new", "old")
        for which in order:
            for name, t in run(getattr(args, which), options).items():
                pooled[which].setdefault(name, []).extend(t)

    rows = []
    for name, old in sorted(pooled["old"].items()):
        new = pooled["new"].get(name)
        if new:
            rows.append((name, statistics.median(old), statistics.median(new)))
    width = max((len(n) for n, _, _ in rows), default=4)
    print(f"{'cell':<{width}}  {'old':>10}  {'new':>10}  old/new")
    for name, old, new in rows:
        print(f"{name:<{width}}  {old:10.1f}  {new:10.1f}  {old / new:7.3f}")

    def summary(label, ratios):
        if ratios:
            print(f"{label}: {len(ratios)} cells, median {statistics.median(ratios):.3f}, "
                  f"range {min(ratios):.3f}-{max(ratios):.3f}, below 0.95: {sum(r < 0.95 for r in ratios)}")

    peer = re.compile(args.peers)
    summary("our cells", [o / n for name, o, n in rows if not peer.search(name)])
    summary("peer cells (same code in both: the noise)", [o / n for name, o, n in rows if peer.search(name)])
    return 0


if __name__ == "__main__":
    sys.exit(main())
