#!/usr/bin/env bash
# Sets up, builds and runs every test: once in an optimised build, then once
# more under AddressSanitizer + UndefinedBehaviorSanitizer, and the concurrency
# tests a third time under ThreadSanitizer. The filter tests run once more on
# the scalar kernels alone, a cross build for 64-bit ARM runs every test
# under qemu, and last the fuzz targets run a fixed
# number of runs each under ASan + UBSan (clang). The optimised pass includes
# the Python binding's pytest tests, and the dialogs in real GTK windows (ctest
# label gui) when xvfb-run is installed; GTK and Python stay out of the
# sanitizer passes.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
jobs="$(nproc)"

echo "== tests (optimised build)"
# Debian's own interpreter, the one python3-numpy serves, whatever comes first on PATH.
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPython3_EXECUTABLE=/usr/bin/python3
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

echo "== filter tests on the scalar kernels (every SIMD kernel off)"
ORV_CPU_FEATURES=0 ctest --test-dir "$root/build" --output-on-failure -j "$jobs" -L '^test_filters$'

echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON -DORV_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"

echo "== concurrency tests (ThreadSanitizer)"
"$root/scripts/build.sh" "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_TSAN=ON -DORV_BUILD_BENCH=OFF \
  -- test_concurrency corefilters
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir "$root/build-tsan" --output-on-failure -R '^Concurrency\.'

echo "== 64-bit ARM: the whole project cross-built, every test under qemu-aarch64"
"$root/scripts/build.sh" "$root/build-aarch64" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/aarch64-linux-gnu.cmake"
ctest --test-dir "$root/build-aarch64" --output-on-failure -j "$jobs" --timeout 600

echo "== fuzz targets (libFuzzer, ASan + UBSan, fixed runs and seed)"
"$root/scripts/fuzz.sh" ci
