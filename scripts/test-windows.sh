#!/usr/bin/env bash
# The Wine checks of the Windows build. Builds what is missing (the Windows build in build-win/
# with its zip, and the Linux build in build/ that the state round trip talks to), then runs the
# Windows build's CTest: the platform check, the DLL import check, kaleidra-host.exe info, check
# and editor on the Windows bundle, the state round trip between the Windows and Linux builds and
# the package, all under Wine in a private prefix (build-win/wine) and, without a display, a
# private X server.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bash "$here/build-windows.sh"
source "$here/common.sh"

build="${KALEIDRA_WINDOWS_BUILD_DIR:-$KALEIDRA_ROOT/build-win}"
export KALEIDRA_LINUX_BUILD_DIR="${KALEIDRA_BUILD_DIR:-$KALEIDRA_ROOT/build}"
kaleidra_build "$KALEIDRA_LINUX_BUILD_DIR"

# The tests' Wine processes end with the run, not a few seconds after it.
stop_wine() {
    if [ -d "$build/wine" ]; then
        WINEPREFIX="$build/wine" /usr/lib/wine/wineserver -k 2>/dev/null || true
    fi
}
trap stop_wine EXIT

cd "$build"
kaleidra_display_runner
"${KALEIDRA_RUN[@]}" ctest --output-on-failure --timeout 900 -j "${KALEIDRA_JOBS:-$(nproc)}"
