#!/usr/bin/env bash
# Renders every factory preset through the built plug-in with the headless host and checks the
# renders: none silent, none beyond 0 dBFS, no two identical. Prints peak and RMS per preset.
#
#     scripts/check-factory-presets.sh CLIP.wav [OUT_DIR]
#
# Needs a build with the plug-in bundle and kaleidra-host (scripts/test.sh builds both).
#
# The clip's level matters: Parallel adds the active stages' outputs, and each of them carries the
# low end, so a Parallel preset with two or three active stages is up to 6 or 9.5 dB louder than
# its input. Give it a clip with that headroom, as a track on a mixer has:
#     build/tools/demo-clip/kaleidra-demo-clip clip.wav --peak-dbfs -12
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="${KALEIDRA_BUILD_DIR:-$root/build}"

clip="$(realpath "${1:?usage: check-factory-presets.sh CLIP.wav [OUT_DIR]}")"
out="$(realpath -m "${2:-$build/factory-preset-renders}")"
host="${KALEIDRA_HOST:-$build/tools/kaleidra-host/kaleidra-host}"
bundle="${KALEIDRA_BUNDLE:-$build/plugin/VST3/Kaleidra_v1-1.vst3}"
presets_tool="$build/tools/factory-presets/kaleidra-factory-presets"

rm -rf "$out"
mkdir -p "$out/presets" "$out/renders"
"$presets_tool" export "$out/presets" >/dev/null

renders=()
for preset in "$out/presets"/*.kd11; do
    name="$(basename "$preset" .kd11)"
    "$host" render "$bundle" "$clip" "$out/renders/$name.wav" --preset "$preset" </dev/null >/dev/null
    renders+=("$out/renders/$name.wav")
done

"$presets_tool" check-renders "${renders[@]}"
