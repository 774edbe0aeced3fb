#!/usr/bin/env bash
# The engine and plug-in tests under ThreadSanitizer (build-tsan/): the processor's parameter
# listener, the label and "modified" delivery and the engine's argument holders are shared between
# the audio thread and the message thread. Not part of the test command (a third full build of the
# framework); run it after changing anything that two threads touch.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bash "$here/setup.sh"
source "$here/common.sh"

kaleidra_display_runner

tsan="${KALEIDRA_TSAN_BUILD_DIR:-$KALEIDRA_ROOT/build-tsan}"
kaleidra_build "$tsan" -DKALEIDRA_SANITIZERS=thread -DKALEIDRA_BUILD_BENCHMARKS=OFF -DKALEIDRA_BUILD_TOOLS=OFF
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
(cd "$tsan" && "${KALEIDRA_RUN[@]}" ctest --output-on-failure --timeout 1800 -L "${KALEIDRA_TSAN_LABELS:-dsp|plugin|support}")
