#!/usr/bin/env bash
# The Windows x64 build, from Linux: installs what is missing (mingw-w64, Wine, the static
# libjpeg-turbo and libpng in the dependency cache), cross-builds the VST3 bundle,
# kaleidra-host.exe and the Windows checks into build-win/ (incrementally, with ccache, under the
# machine-wide build lock), and packs dist/Kaleidra_v1-1-windows-x64.zip.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
deps="$(bash "$here/setup-windows.sh")"
source "$here/common.sh"

build="${KALEIDRA_WINDOWS_BUILD_DIR:-$KALEIDRA_ROOT/build-win}"

# A configuration made against another dependency folder (other library versions) is redone.
if [ -f "$build/CMakeCache.txt" ] &&
    ! grep -qxF "KALEIDRA_MINGW_DEPS_DIR:PATH=$deps" "$build/CMakeCache.txt"; then
    echo "build-windows: the mingw dependencies changed; configuring $build again" >&2
    rm -f "$build/CMakeCache.txt"
fi

kaleidra_build "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$KALEIDRA_ROOT/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DKALEIDRA_MINGW_DEPS_DIR:PATH="$deps" \
    -DCMAKE_BUILD_TYPE=Release

if [ -f "$KALEIDRA_ROOT/Source/CMakeLists.txt" ]; then
    bash "$here/pack-windows.sh" "$build"
else
    echo "build-windows: the project has no plug-in target yet; nothing to pack"
fi
