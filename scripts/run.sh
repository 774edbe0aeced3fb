#!/usr/bin/env bash
# The main job: installs what is missing, builds everything and runs the engine demo, which
# renders a generated test signal through the engine with a few settings into out/*.wav.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bash "$here/setup.sh"
source "$here/common.sh"

build="${KALEIDRA_BUILD_DIR:-$KALEIDRA_ROOT/build}"
kaleidra_build "$build"
mkdir -p "$KALEIDRA_ROOT/out"
"$build/tools/engine-demo/kaleidra-engine-demo" "$KALEIDRA_ROOT/out"
