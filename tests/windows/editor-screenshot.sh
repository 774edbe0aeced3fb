#!/usr/bin/env bash
# editor-screenshot.sh WINE_RUN PREFIX HOST_EXE DLL LINUX_BUILD OUTDIR
# Opens the plug-in's editor in a real window under Wine (on the X display the test runs with)
# through kaleidra-host.exe and checks the screenshot of the window: a PNG of the same size as the
# Linux build's editor, with a picture in it (a window that shows nothing compresses to almost
# nothing). The Linux build's folder may also come from KALEIDRA_LINUX_BUILD_DIR.
set -uo pipefail

if (($# != 6)); then
    echo "usage: $0 WINE_RUN PREFIX HOST_EXE DLL LINUX_BUILD OUTDIR" >&2
    exit 2
fi
wine_run="$1" prefix="$2" host="$3" dll="$4" linux_build="${KALEIDRA_LINUX_BUILD_DIR:-$5}" out="$6"
if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: run this under xvfb-run (scripts/test-windows.sh does)" >&2
    exit 1
fi
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

# width height of a PNG, from its IHDR chunk; nothing when the file is no PNG.
png_size() {
    local head
    read -r -a head < <(od -An -tu1 -N24 "$1" | tr -s ' \n' ' ')
    [ "${head[*]:0:8}" = "137 80 78 71 13 10 26 10" ] || return 1
    echo "$(((head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19]))" \
        "$(((head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23]))"
}

"$wine_run" "$prefix" "$host" editor "$(winpath "$dll")" "$(winpath "$out/windows.png")" | tr -d '\r'
status=${PIPESTATUS[0]}
if ((status != 0)); then
    echo "FAILED kaleidra-host.exe editor exited with $status"
    exit 1
fi
if ! "$linux_host" editor "$linux_bundle" "$out/linux.png"; then
    echo "FAILED the Linux build's kaleidra-host editor failed"
    exit 1
fi

if ! windows_size="$(png_size "$out/windows.png")"; then
    echo "FAILED $out/windows.png is missing or no PNG"
    exit 1
fi
linux_size="$(png_size "$out/linux.png")"
windows_bytes=$(stat -c %s "$out/windows.png") linux_bytes=$(stat -c %s "$out/linux.png")
echo "Windows editor: ${windows_size/ / x } ($windows_bytes bytes), Linux editor: ${linux_size/ / x } ($linux_bytes bytes)"

failed=0
if [ "$windows_size" = "$linux_size" ]; then
    echo "ok     the Windows editor has the Linux editor's size"
else
    echo "FAILED the Windows editor's size differs from the Linux editor's"
    failed=1
fi
if [ "$windows_size" = "550 550" ]; then
    echo "ok     the Windows editor is 550 x 550"
else
    echo "FAILED the Windows editor is not 550 x 550"
    failed=1
fi
if ((windows_bytes * 5 >= linux_bytes)); then
    echo "ok     the Windows screenshot shows a picture"
else
    echo "FAILED the Windows screenshot is (nearly) blank"
    failed=1
fi
exit "$failed"
