#!/usr/bin/env bash
# Builds and runs every test: the normal build (with the Python module's
# pytest suite), the device library and the database's loader and scoring
# threads under ThreadSanitizer, and the whole suite, the Python tests too,
# under AddressSanitizer + UBSan.
# Exits non-zero on any failure or sanitizer report.
set -euo pipefail
cd "$(dirname "$0")"
tools/ensure-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export VANTREL_VIRTUAL_TIMING=instant
unset VANTREL_VIRTUAL VANTREL_VIRTUAL_SCENE VANTREL_VIRTUAL_FAULTS

configure() {  # folder, extra cmake arguments...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

echo "== build (RelWithDebInfo)"
configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
echo "== tests"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 300

echo "== install tree, desktop files, building on the installed library, Debian packages"
tests/install/check-install.sh build

echo "== the real window under Xvfb"
tests/window/xvfb-smoke.sh build/app/halden build/halden-smoke.xwd

echo "== device library and database threads under ThreadSanitizer"
configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DHALDEN_SANITIZE=thread -DHALDEN_BUILD_APP=ON -DHALDEN_BUILD_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target devicelib_tests database_tests
# TSan needs a fixed address layout on kernels with high mmap randomisation.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  setarch "$(uname -m)" -R ctest --test-dir build-tsan --output-on-failure -j"$jobs" --timeout 600 \
  -L 'devicelib_tests|database_tests'

echo "== whole suite under AddressSanitizer + UndefinedBehaviorSanitizer"
configure build-asan -DCMAKE_BUILD_TYPE=Debug -DHALDEN_SANITIZE=address -DHALDEN_BUILD_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0" \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 900

echo "All test suites passed."
