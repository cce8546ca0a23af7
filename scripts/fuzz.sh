#!/usr/bin/env bash
# fuzz.sh [ci | long [SECONDS]] [TARGET...]
# Builds the libFuzzer targets with clang under ASan + UBSan in build-fuzz and
# runs each one (all four unless named) on its seed corpus in fuzz/corpus:
#   ci    (default) a fixed number of runs from a fixed seed, so that every run
#         explores the same inputs; any finding fails. scripts/test.sh runs this.
#   long  SECONDS (default 600) per target from a fresh seed; inputs that reach
#         new code are kept in out/fuzz/corpus/TARGET (copy the telling ones
#         into fuzz/corpus/TARGET), findings land in out/fuzz/findings.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mode=ci
if (($#)) && [[ "$1" == ci || "$1" == long ]]; then mode=$1; shift; fi
seconds=600
if [[ $mode == long ]] && (($#)) && [[ "$1" =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi

# Runs per target in ci mode: about 20 seconds of processor time each.
declare -A ci_runs=(
  [parameter_text]=20000
  [variant]=500000
  [image_readers]=35000
  [transform]=10000
)
targets=("$@")
if ((${#targets[@]} == 0)); then targets=(parameter_text variant image_readers transform); fi

build="$root/build-fuzz"
CC=clang-14 CXX=clang++-14 "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_FUZZ=ON \
  -DORV_BUILD_BENCH=OFF -- "${targets[@]/#/fuzz_}"

# A small quarantine keeps each run's freed memory checked without touching
# fresh pages all the time (twice the runs per second).
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:quarantine_size_mb=16 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  corpus="$root/fuzz/corpus/$target"
  if [[ $mode == ci ]]; then
    # New inputs go to a scratch folder that starts empty, so the run is the
    # same every time and the corpus in the repository stays as it is.
    scratch="$build/scratch/$target" findings="$build/findings/$target/"
    rm -rf "$scratch" "$findings"
    mkdir -p "$scratch" "$findings"
    log="$build/findings/$target.log"
    start=$SECONDS
    if ! "$build/bin/fuzz_$target" -runs="${ci_runs[$target]}" -seed=1 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$findings" "$scratch" "$corpus" >"$log" 2>&1; then
      grep -v '^#[0-9]' "$log" | tail -60
      echo "fuzz $target: FINDING; the input is in $findings, the whole log in $log"
      exit 1
    fi
    echo "fuzz $target: $(sed -n 's/^stat::number_of_executed_units: //p' "$log") runs in $((SECONDS - start)) s, no finding"
  else
    kept="$root/out/fuzz/corpus/$target" findings="$root/out/fuzz/findings/$target/"
    mkdir -p "$kept" "$findings"
    echo "== fuzz $target: $seconds s, fresh seed"
    "$build/bin/fuzz_$target" -max_total_time="$seconds" -seed=0 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$findings" "$kept" "$corpus"
  fi
done
