#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs the whole suite through
# CTest; then builds the unit tests again with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/) and runs them there.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bash "$here/setup.sh"
source "$here/common.sh"

kaleidra_display_runner
jobs="${KALEIDRA_JOBS:-$(nproc)}"

build="${KALEIDRA_BUILD_DIR:-$KALEIDRA_ROOT/build}"
kaleidra_build "$build"
(cd "$build" && "${KALEIDRA_RUN[@]}" ctest --output-on-failure --timeout 900 -j "$jobs")

# The unit tests once more under ASan and UBSan. Benchmarks and tools are left out of this tree:
# the tools' integration tests run against the regular build above.
asan="${KALEIDRA_ASAN_BUILD_DIR:-$KALEIDRA_ROOT/build-asan}"
kaleidra_build "$asan" -DKALEIDRA_SANITIZERS=address,undefined -DKALEIDRA_BUILD_BENCHMARKS=OFF \
    -DKALEIDRA_BUILD_TOOLS=OFF
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1:suppressions=$KALEIDRA_ROOT/scripts/ubsan.supp}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$KALEIDRA_ROOT/scripts/lsan.supp:print_suppressions=0}"
(cd "$asan" && "${KALEIDRA_RUN[@]}" ctest --output-on-failure --timeout 900 -j "$jobs")
