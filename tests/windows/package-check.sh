#!/usr/bin/env bash
# package-check.sh BUILD_DIR OBJDUMP WORK
# Packs the Windows build into a zip in WORK and checks what a user gets: the bundle with its
# DLL at the place hosts look for it, importing Windows' own DLLs only, the install note and the
# licences of everything compiled in.
set -uo pipefail

if (($# != 3)); then
    echo "usage: $0 BUILD_DIR OBJDUMP WORK" >&2
    exit 2
fi
build="$1" objdump="$2" work="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
top="Kaleidra_v1-1-windows-x64"

rm -rf "$work"
mkdir -p "$work"
if ! bash "$root/scripts/pack-windows.sh" "$build" "$work/package.zip"; then
    echo "FAILED the packer failed"
    exit 1
fi

listing="$(cd "$work" && cmake -E tar tf package.zip)"
failed=0
for entry in \
    "$top/Kaleidra_v1-1.vst3/Contents/x86_64-win/Kaleidra_v1-1.vst3" \
    "$top/INSTALL.txt" \
    "$top/licences/JUCE-copyright.txt" \
    "$top/licences/VST3_SDK-LICENSE.txt" \
    "$top/licences/zlib-copyright.txt" \
    "$top/licences/libpng-LICENSE.txt" \
    "$top/licences/libjpeg-turbo-LICENSE.md" \
    "$top/licences/libjpeg-turbo-README.ijg.txt" \
    "$top/licences/mingw-w64-runtime-copyright.txt" \
    "$top/licences/gcc-runtime-copyright.txt"; do
    if grep -qxF "$entry" <<<"$listing"; then
        echo "ok     the zip holds $entry"
    else
        echo "FAILED the zip lacks $entry"
        failed=1
    fi
done

(cd "$work" && cmake -E tar xf package.zip)
if bash "$root/scripts/check-windows-imports.sh" "$objdump" \
    "$work/$top/Kaleidra_v1-1.vst3/Contents/x86_64-win/Kaleidra_v1-1.vst3"; then
    echo "ok     the packed DLL imports Windows' own DLLs only"
else
    failed=1
fi
# Every licence file of the embedded resources travels along.
while IFS= read -r f; do
    if grep -qxF "$top/licences/$(basename "$f")" <<<"$listing"; then
        echo "ok     the zip holds the licence $(basename "$f")"
    else
        echo "FAILED the zip lacks the licence $(basename "$f")"
        failed=1
    fi
done < <(find "$root/Resources" -type f \( -iname '*licen*' -o -iname '*OFL*' -o -iname 'COPYING*' \) 2>/dev/null)

if ((failed)); then
    echo "--- the zip holds:"
    echo "$listing"
fi
exit "$failed"
