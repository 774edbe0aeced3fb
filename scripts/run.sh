#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, installs the VST3 bundle into
# ~/.vst3 and renders a generated demo clip through the installed plug-in with the headless host
# (default settings and three contrasting ones), writing WAV files to out/ and a summary table.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bash "$here/setup.sh"
source "$here/common.sh"

build="${KALEIDRA_BUILD_DIR:-$KALEIDRA_ROOT/build}"
kaleidra_build "$build"

bundle_name="Kaleidra_v1-1.vst3"
built_bundle="$build/plugin/VST3/$bundle_name"
install_dir="$HOME/.vst3"
installed="$install_dir/$bundle_name"
host="$build/tools/kaleidra-host/kaleidra-host"
out="$KALEIDRA_ROOT/out"

# Install: replace the whole bundle, so that no file of an older build stays behind.
mkdir -p "$install_dir"
rm -rf "$installed"
cp -R "$built_bundle" "$installed"
echo "installed $installed"

mkdir -p "$out"
clip="$out/demo-clip.wav"
"$build/tools/demo-clip/kaleidra-demo-clip" "$clip"

# name | settings (one --set each, separated by ';')
renders=(
    "defaults|"
    "parallel-shimmer|Mode=Parallel;1- Seg Size=3;1- N Segs=12;2- Seg Mix=80;2- Seg Size=17;2- N Segs=40;3- Seg Mix=60;3- Seg Size=33;3- N Segs=5;Tone=60"
    "coarse-series|1- Seg Size=48;1- N Segs=91;2- Seg Mix=120;2- Seg Size=29;2- N Segs=7;Tone=35"
    "subtle-grit|1- Seg Mix=40;1- Seg Size=2;1- N Segs=4;Tone=95"
)

rows=()
for entry in "${renders[@]}"; do
    name="${entry%%|*}"
    settings="${entry#*|}"
    args=()
    if [ -n "$settings" ]; then
        IFS=';' read -r -a pairs <<<"$settings"
        for pair in "${pairs[@]}"; do
            args+=(--set "$pair")
        done
    fi
    wav="$out/demo-$name.wav"
    line="$("$host" render "$installed" "$clip" "$wav" "${args[@]}" | grep '^rendered ')"
    latency="$(sed -n 's/.* latency=\([^ ]*\).*/\1/p' <<<"$line")"
    peak="$(sed -n 's/.* peak_dbfs=\([^ ]*\).*/\1/p' <<<"$line")"
    rms="$(sed -n 's/.* rms_dbfs=\([^ ]*\).*/\1/p' <<<"$line")"
    rows+=("$name|${settings:-all parameters at their defaults}|$latency|$peak|$rms|out/demo-$name.wav")
done

echo
printf '%-17s %-9s %-10s %-10s %s\n' "render" "latency" "peak dBFS" "RMS dBFS" "file"
for row in "${rows[@]}"; do
    IFS='|' read -r name settings latency peak rms file <<<"$row"
    printf '%-17s %-9s %-10s %-10s %s\n' "$name" "$latency" "$peak" "$rms" "$file"
done
echo
echo "settings:"
for row in "${rows[@]}"; do
    IFS='|' read -r name settings _ <<<"$row"
    printf '  %-17s %s\n' "$name" "${settings//;/, }"
done
