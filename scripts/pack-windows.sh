#!/usr/bin/env bash
# pack-windows.sh [BUILD_DIR [OUT.zip]]
# Packs the cross-built Windows VST3 bundle into a zip for users: the bundle (stripped), the
# user guide when the project has one, an install note, and the licences of the project and of
# everything compiled into the DLL. Default: build-win/ into dist/Kaleidra_v1-1-windows-x64.zip.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"

product="Kaleidra_v1-1"
build="$(cd "${1:-$root/build-win}" && pwd)"
out="${2:-$root/dist/$product-windows-x64.zip}"
triple=x86_64-w64-mingw32

fail() {
    echo "pack-windows: $*" >&2
    exit 1
}

bundle="$build/plugin/VST3/$product.vst3"
dll="$bundle/Contents/x86_64-win/$product.vst3"
[ -f "$dll" ] || fail "no Windows bundle at $bundle (build it with scripts/build-windows.sh)"
deps="$(sed -n 's/^KALEIDRA_MINGW_DEPS_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")"
[ -d "$deps" ] || fail "the mingw dependency folder of $build is missing"

top="$product-windows-x64"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
dest="$stage/$top"
mkdir -p "$dest/licences"

cp -R "$bundle" "$dest/"
"$triple-strip" --strip-unneeded "$dest/$product.vst3/Contents/x86_64-win/$product.vst3"

# The user guide, in whatever form the project keeps it.
find "$root/docs" -maxdepth 1 -type f \( -iname '*user*guide*' -o -iname '*manual*' \) \
    -exec cp {} "$dest/" \; 2>/dev/null || true

cat >"$dest/INSTALL.txt" <<NOTE
$product (64-bit Windows, VST3)

Copy the folder $product.vst3 into
    C:\\Program Files\\Common Files\\VST3
and let your host rescan its plug-ins. The plug-in needs no other files.

The folder "licences" holds the licences of this plug-in and of the software compiled into it.
NOTE
sed -i 's/$/\r/' "$dest/INSTALL.txt"

# licence NAME FILE: copies one licence file, which must exist.
licence() {
    [ -f "$2" ] || fail "licence file $2 is missing"
    cp "$2" "$dest/licences/$1"
}
for f in "$root"/LICENSE* "$root"/LICENCE* "$root"/COPYING*; do
    [ -f "$f" ] && licence "Kaleidra-$(basename "$f")" "$f"
done
# The embedded fonts' licences.
while IFS= read -r f; do
    licence "$(basename "$f")" "$f"
done < <(find "$root/Resources" -type f \( -iname '*licen*' -o -iname '*OFL*' -o -iname 'COPYING*' \) 2>/dev/null)
licence JUCE-copyright.txt /usr/share/doc/juce-modules-source/copyright
licence VST3_SDK-LICENSE.txt \
    /usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK/LICENSE.txt
licence zlib-copyright.txt /usr/share/doc/libz-mingw-w64-dev/copyright
licence libpng-LICENSE.txt "$deps/share/doc/libpng/LICENSE"
licence libjpeg-turbo-LICENSE.md "$deps/share/doc/libjpeg-turbo/LICENSE.md"
licence libjpeg-turbo-README.ijg.txt "$deps/share/doc/libjpeg-turbo/README.ijg"
licence mingw-w64-runtime-copyright.txt /usr/share/doc/mingw-w64-x86-64-dev/copyright
licence gcc-runtime-copyright.txt /usr/share/doc/gcc-mingw-w64-base/copyright

mkdir -p "$(dirname "$out")"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
rm -f "$out"
(cd "$stage" && find "$top" -exec touch -h -d "@${SOURCE_DATE_EPOCH:-315532800}" {} + &&
    cmake -E tar cf "$out" --format=zip "$top")
echo "pack-windows: $out ($(du -h "$out" | cut -f1))"
