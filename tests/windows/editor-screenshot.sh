#!/usr/bin/env bash
# editor-screenshot.sh WINE_RUN PREFIX HOST_EXE DLL OUT.png
# Opens the plug-in's editor in a real window under Wine (on the X display the test runs with)
# through kaleidra-host.exe, and checks the screenshot it writes: a PNG of the fixed
# 550 x 550 editor.
set -uo pipefail

if (($# != 5)); then
    echo "usage: $0 WINE_RUN PREFIX HOST_EXE DLL OUT.png" >&2
    exit 2
fi
wine_run="$1" prefix="$2" host="$3" dll="$4" out="$5"
if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: run this under xvfb-run (scripts/test-windows.sh does)" >&2
    exit 1
fi

winpath() { printf 'Z:%s' "${1//\//\\}"; }
rm -f "$out"
mkdir -p "$(dirname "$out")"
"$wine_run" "$prefix" "$host" editor "$(winpath "$dll")" "$(winpath "$out")" | tr -d '\r'
status=${PIPESTATUS[0]}
if ((status != 0)); then
    echo "FAILED kaleidra-host.exe editor exited with $status"
    exit 1
fi
if ! [ -s "$out" ]; then
    echo "FAILED no screenshot at $out"
    exit 1
fi

# PNG signature, then the IHDR chunk's width and height (big-endian) at bytes 16 to 23.
read -r -a head < <(od -An -tu1 -N24 "$out" | tr -s ' \n' ' ')
if [ "${head[*]:0:8}" != "137 80 78 71 13 10 26 10" ]; then
    echo "FAILED $out is not a PNG"
    exit 1
fi
width=$(((head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19]))
height=$(((head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23]))
echo "screenshot $out: $width x $height"
if ((width != 550 || height != 550)); then
    echo "FAILED the editor should be 550 x 550"
    exit 1
fi
echo "ok     the editor opened under Wine and was photographed"
