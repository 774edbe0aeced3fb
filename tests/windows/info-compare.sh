#!/usr/bin/env bash
# info-compare.sh WINE_RUN PREFIX HOST_EXE DLL LINUX_BUILD OUTDIR
# kaleidra-host.exe info on the Windows bundle under Wine must report what the Linux build's
# kaleidra-host reports on the Linux bundle: identity, class IDs, buses, layouts, the parameters
# with their defaults and texts, and the latency. The Linux build's folder may also come from
# KALEIDRA_LINUX_BUILD_DIR.
set -uo pipefail

if (($# != 6)); then
    echo "usage: $0 WINE_RUN PREFIX HOST_EXE DLL LINUX_BUILD OUTDIR" >&2
    exit 2
fi
wine_run="$1" prefix="$2" host="$3" dll="$4" linux_build="${KALEIDRA_LINUX_BUILD_DIR:-$5}" out="$6"
linux_host="$linux_build/tools/kaleidra-host/kaleidra-host"
linux_bundle="$linux_build/plugin/VST3/Kaleidra_v1-1.vst3"
if ! [ -x "$linux_host" ] || ! [ -d "$linux_bundle" ]; then
    echo "the Linux build in $linux_build has no kaleidra-host or no bundle: build it first" \
        "(scripts/test.sh), or name its folder in KALEIDRA_LINUX_BUILD_DIR" >&2
    exit 1
fi
rm -rf "$out"
mkdir -p "$out"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

failed=0
for rate in "48000 512" "96000 64"; do
    set -- $rate
    name="info-$1-$2"
    "$wine_run" "$prefix" "$host" info "$(winpath "$dll")" --rate "$1" --block "$2" | tr -d '\r' >"$out/$name-windows.txt"
    windows_status=${PIPESTATUS[0]}
    "$linux_host" info "$linux_bundle" --rate "$1" --block "$2" >"$out/$name-linux.txt"
    linux_status=$?
    if ((windows_status != 0 || linux_status != 0)); then
        echo "FAILED info at $1 Hz, block $2: exit status $windows_status on Windows, $linux_status on Linux"
        failed=1
    elif diff -u "$out/$name-linux.txt" "$out/$name-windows.txt"; then
        echo "ok     info at $1 Hz, block $2 is the same on Windows as on Linux"
    else
        echo "FAILED info at $1 Hz, block $2 differs between Linux (-) and Windows (+)"
        failed=1
    fi
done
echo "--- kaleidra-host.exe info under Wine:"
cat "$out/info-48000-512-windows.txt"
exit "$failed"
