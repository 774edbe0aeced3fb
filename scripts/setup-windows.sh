#!/usr/bin/env bash
# Set-up for the Windows x64 cross build: installs what is missing (the project's own packages,
# the mingw-w64 compiler, mingw zlib, Wine), then makes sure the static mingw builds of
# libjpeg-turbo and libpng exist in the dependency cache. Cheap when everything is there.
#
# Prints nothing on stdout but the folder of the mingw dependencies (the prefix that the
# toolchain file's KALEIDRA_MINGW_DEPS_DIR wants), so callers can do
#     deps="$(bash scripts/setup-windows.sh)"
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

KALEIDRA_WINDOWS_APT_PACKAGES=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
    wine64 wine
    # apt-get source unpacks with dpkg-source
    dpkg-dev xz-utils
)

bash "$here/setup.sh" "${KALEIDRA_WINDOWS_APT_PACKAGES[@]}" >&2
bash "$here/mingw-deps.sh"
