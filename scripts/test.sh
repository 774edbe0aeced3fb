#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs the whole suite through CTest.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bash "$here/setup.sh"
source "$here/common.sh"

build="${KALEIDRA_BUILD_DIR:-$KALEIDRA_ROOT/build}"
kaleidra_build "$build"
cd "$build"
# Some suites open real windows; without a display they get a private X server.
run=()
if [ -z "${DISPLAY:-}" ]; then
    run=(xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp")
fi
"${run[@]}" ctest --output-on-failure --timeout 900 -j "${KALEIDRA_JOBS:-$(nproc)}"
