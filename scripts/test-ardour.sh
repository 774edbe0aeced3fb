#!/usr/bin/env bash
# The VST3 in a DAW that is not built on our framework: Debian's Ardour 7, headless
# (scripts/ardour-render.sh). Passes when
#   - repeated exports of one unchanged session are the same audio, sample for sample, and
#   - an export equals kaleidra-host's render of the same clip at another block size, once the
#     host's transport starts where Ardour's does: Ardour starts playback the plug-in's latency,
#     rounded up to whole blocks, before the session start, so the plug-in first hears that much
#     silence (kaleidra-host render --lead).
# Uses the build in build/ (the test command builds it); installs Ardour when it is missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/common.sh"
bash "$here/setup.sh" ardour

build="${KALEIDRA_BUILD_DIR:-$KALEIDRA_ROOT/build}"
host="$build/tools/kaleidra-host/kaleidra-host"
bundle="$build/plugin/VST3/Kaleidra_v1-1.vst3"
kaleidra_build "$build"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

clip="$work/clip.wav"
"$build/tools/demo-clip/kaleidra-demo-clip" "$clip" --seconds 3 --peak-dbfs -12 >/dev/null
latency="$("$host" info "$bundle" --rate 48000 --json | sed -n 's/.*"latency": *\([0-9]*\).*/\1/p')"
failures=0

for case in "1024 3" "128 1"; do
    read -r block exports <<<"$case"
    out="$work/ardour-$block"
    bash "$here/ardour-render.sh" --vst3 "$bundle" --block "$block" --exports "$exports" --no-fades \
        "$clip" "$out" >"$work/ardour-$block.log" 2>&1 || {
        cat "$work/ardour-$block.log"
        echo "FAIL  Ardour, $block-sample blocks: the render did not finish"
        failures=$((failures + 1))
        continue
    }

    distinct="$(sed -n 's/^distinct audio (sha256 of the data chunk): \([0-9]*\) of .*/\1/p' "$out/summary.txt")"
    reported="$(sed -n 's/^latency reported by Ardour: plug-in \([0-9]*\) samples.*/\1/p' "$out/summary.txt")"
    if [ "$distinct" = 1 ] && [ "$reported" = "$latency" ]; then
        echo "PASS  Ardour, $block-sample blocks: $exports export(s) of one session, 1 distinct audio, latency $reported"
    else
        echo "FAIL  Ardour, $block-sample blocks: $distinct distinct audio of $exports exports, latency $reported (expected $latency)"
        failures=$((failures + 1))
    fi

    lead=$(((block - latency % block) % block))
    "$host" render "$bundle" "$clip" "$work/host-$block.wav" --block 512 --lead "$lead" >/dev/null
    if comparison="$("$host" compare "$work/host-$block.wav" "$out/export-01.wav" --expect-identical)"; then
        echo "PASS  Ardour's export at $block-sample blocks equals kaleidra-host's render at 512 (lead $lead): $comparison"
    else
        echo "FAIL  Ardour's export at $block-sample blocks against kaleidra-host's render (lead $lead): $comparison"
        failures=$((failures + 1))
    fi
done

if [ "$failures" -gt 0 ]; then
    echo "test-ardour: $failures check(s) failed"
    exit 1
fi
echo "test-ardour: all checks passed"
