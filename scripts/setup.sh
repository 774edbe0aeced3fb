#!/usr/bin/env bash
# Installs the Debian packages the project needs, but only those that are missing,
# so running it again is cheap. Safe to source or to run directly.
set -euo pipefail

KALEIDRA_APT_PACKAGES=(
    juce-modules-source cmake g++ make ninja-build ccache pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-dev clang-format
    xvfb xauth
)

missing=()
for pkg in "${KALEIDRA_APT_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update -q
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
