#!/usr/bin/env bash
# Builds and runs every check: the include rules; the normal build with its
# tests (the Python module's pytest suite among them), the install and package
# checks and the real window under Xvfb; then the whole suite under
# ThreadSanitizer (the Python tests excepted: its runtime cannot be loaded
# into an ordinary interpreter) and under AddressSanitizer + UBSan.
# Prints the time of each stage at the end.
#
#   ./test.sh           everything (what CI runs)
#   ./test.sh --quick   the include rules and the normal build's tests only
#
# Exits non-zero on any failure or sanitizer report. Uses ccache when it is
# installed (tools/ensure-deps.sh installs it).
set -euo pipefail
cd "$(dirname "$0")"

quick=0
case "${1:-}" in
  --quick) quick=1 ;;
  "") ;;
  *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac

jobs=$(nproc)
# One compilation more than there are cores keeps them busy while another
# waits on the disk or links.
build_jobs=$((jobs + 1))
export QT_QPA_PLATFORM=offscreen
export VANTREL_VIRTUAL_TIMING=instant
unset VANTREL_VIRTUAL VANTREL_VIRTUAL_SCENE VANTREL_VIRTUAL_FAULTS

stage_names=()
stage_seconds=()
current=""
report() {
  local status=$?
  ((${#stage_names[@]})) || return 0
  echo
  echo "Stage times:"
  local i total=0
  for i in "${!stage_names[@]}"; do
    printf '  %-44s %3d:%02d\n' "${stage_names[i]}" $((stage_seconds[i] / 60)) $((stage_seconds[i] % 60))
    total=$((total + stage_seconds[i]))
  done
  printf '  %-44s %3d:%02d\n' "total" $((total / 60)) $((total % 60))
  [[ $status -eq 0 ]] || echo "FAILED in: $current"
}
trap report EXIT

stage() {  # name, command...
  current=$1
  shift
  echo "== $current"
  local start=$SECONDS
  "$@"
  stage_names+=("$current")
  stage_seconds+=($((SECONDS - start)))
}

configure() {  # folder, extra cmake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
}

# Tests mostly wait (on the device thread, on Qt's event loop, on a child
# process), so twice as many run as there are cores.
run_tests() {  # build folder, extra ctest arguments...
  local dir=$1
  shift
  ctest --test-dir "$dir" --output-on-failure -j$((2 * jobs)) "$@"
}

stage "dependencies" tools/ensure-deps.sh

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

stage "include rules (tools/check_layering.py)" python3 tools/check_layering.py

build_normal() {
  configure build -DCMAKE_BUILD_TYPE=Release
  if ((quick)); then
    cmake --build build -j"$build_jobs" --target halden_tests
  else
    cmake --build build -j"$build_jobs"
  fi
}
stage "build (Release)" build_normal
stage "tests" run_tests build --timeout 300

if ((quick)); then
  echo "Quick run passed (the normal build's tests; ./test.sh runs everything)."
  exit 0
fi

stage "install tree, desktop files, Debian packages" tests/install/check-install.sh build
stage "the real window under Xvfb" tests/window/xvfb-smoke.sh build/app/halden build/halden-smoke.xwd

# The sanitizer builds compile the test programs and what they run only.
build_sanitized() {  # folder, sanitizer
  configure "$1" -DCMAKE_BUILD_TYPE=Debug -DHALDEN_SANITIZE="$2" -DHALDEN_BUILD_BENCH=OFF
  cmake --build "$1" -j"$build_jobs" --target halden_tests
}

stage "build under ThreadSanitizer" build_sanitized build-tsan thread
# TSan needs a fixed address layout on kernels with high mmap randomisation.
# Qt's and GLib's own hand-offs, which it cannot see, are suppressed by
# library in tests/support/tsan.supp; a report of ours fails the run.
tsan_tests() {
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/support/tsan.supp" \
    setarch "$(uname -m)" -R ctest --test-dir build-tsan --output-on-failure -j$((2 * jobs)) --timeout 900
}
stage "whole suite under ThreadSanitizer" tsan_tests

stage "build under AddressSanitizer + UBSan" build_sanitized build-asan address
asan_tests() {
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0" \
    run_tests build-asan --timeout 900
}
stage "whole suite under AddressSanitizer + UBSan" asan_tests

echo "All test suites passed."
