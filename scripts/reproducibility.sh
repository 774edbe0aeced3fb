#!/usr/bin/env bash
# Measures what a user hears of the plug-in's reproducibility, with the headless host:
#   - the latency at 48 kHz for host blocks of 128, 512, 1024 and 2048 samples;
#   - the demo clip and a steady test signal (three sines) rendered at host blocks of 64, 2048
#     and random sizes against 512;
#   - a render after other material (the transport stopped in between) against a plain one;
#   - renders with 1, 3 and 1024 samples of silence before the clip against a plain one.
# Each comparison prints whether the files are identical, or where they first differ, the
# difference energy relative to the output and the largest third-octave difference.
#
#   scripts/reproducibility.sh [BUNDLE] [--set "Name=value" ...]
# BUNDLE defaults to this build's VST3 bundle; the settings apply to every render.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/common.sh"

build="${KALEIDRA_BUILD_DIR:-$KALEIDRA_ROOT/build}"
host="$build/tools/kaleidra-host/kaleidra-host"
bundle="$build/plugin/VST3/Kaleidra_v1-1.vst3"
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
    bundle="$1"
    shift
fi
settings=("$@")

if [ ! -x "$host" ]; then
    bash "$here/setup.sh"
    kaleidra_build "$build"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

clip="$work/clip.wav" # the demo clip, with a mixer track's headroom
other="$work/other.wav"
"$build/tools/demo-clip/kaleidra-demo-clip" "$clip" --peak-dbfs -12 >/dev/null
"$build/tools/demo-clip/kaleidra-demo-clip" "$other" --seconds 3 --peak-dbfs -6 >/dev/null
"$build/tools/demo-clip/kaleidra-demo-clip" "$work/tones.wav" --tones --peak-dbfs -12 >/dev/null

echo "bundle: $bundle"
echo "settings: ${settings[*]:-defaults}"
echo
echo "latency at 48 kHz:"
for block in 128 512 1024 2048; do
    latency="$("$host" info "$bundle" --rate 48000 --block "$block" --json | sed -n 's/.*"latency": *\([0-9]*\).*/\1/p')"
    echo "  host blocks of $block: $latency samples"
done

render()
{
    local in="$1" out="$2"
    shift 2
    "$host" render "$bundle" "$in" "$out" "${settings[@]}" "$@" >/dev/null
}

for input in clip tones; do
    echo
    echo "the $([ "$input" = clip ] && echo "demo clip" || echo "test signal") at other host blocks, against 512:"
    render "$work/$input.wav" "$work/$input-512.wav" --block 512
    for block in 64 2048 random; do
        render "$work/$input.wav" "$work/$input-$block.wav" --block "$block"
        echo "  $block: $("$host" compare "$work/$input-512.wav" "$work/$input-$block.wav")"
    done
done

echo
echo "after other material, the transport stopped in between, against a plain render:"
render "$clip" "$work/after.wav" --block 512 --pre-roll "$other"
echo "  $("$host" compare "$work/clip-512.wav" "$work/after.wav")"

echo
echo "silence before the clip, against a plain render:"
for lead in 1 3 1024; do
    render "$clip" "$work/lead$lead.wav" --block 512 --lead "$lead"
    echo "  $lead: $("$host" compare "$work/clip-512.wav" "$work/lead$lead.wav")"
done
