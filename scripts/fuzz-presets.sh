#!/usr/bin/env bash
# Fuzzes the preset system (preset files, host state blobs, preset packs) with libFuzzer.
#
#     scripts/fuzz-presets.sh [SECONDS]      (default 300)
#
# Builds a separate clang tree (build-fuzz/, instrumented with the fuzzer, ASan and UBSan), writes
# a seed corpus, then fuzzes for the given time while holding the machine's build lock, so that
# it does not compete with builds for the cores. Crashes land in build-fuzz/crashes/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bash "$here/setup.sh"
source "$here/common.sh"

seconds="${1:-300}"
build="${KALEIDRA_FUZZ_BUILD_DIR:-$KALEIDRA_ROOT/build-fuzz}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"

# Only the fuzzer is built: the plug-in's bundle is a shared module, which the sanitizers'
# runtimes are not linked into, so it cannot link in this tree (and nothing here needs it).
(
    exec 9>"/tmp/kaleidra-build.lock"
    flock 9
    if [ ! -f "$build/CMakeCache.txt" ]; then
        CC=clang CXX=clang++ cmake -S "$KALEIDRA_ROOT" -B "$build" -G Ninja -DKALEIDRA_FUZZ=ON \
            -DKALEIDRA_BUILD_TESTS=OFF -DKALEIDRA_BUILD_BENCHMARKS=OFF -DKALEIDRA_BUILD_TOOLS=OFF \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build "$build" --target kaleidra_preset_fuzzer --parallel "${KALEIDRA_JOBS:-$(nproc)}"
)

fuzzer="$build/tests/fuzz/kaleidra_preset_fuzzer"
corpus="$build/corpus"
mkdir -p "$corpus" "$build/crashes"
KALEIDRA_FUZZ_SEEDS="$build/seeds" "$fuzzer" -runs=0 "$build/seeds" >/dev/null 2>&1 || true

(
    exec 9>"/tmp/kaleidra-build.lock"
    flock 9
    "$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=4096 \
        -artifact_prefix="$build/crashes/" -print_final_stats=1 "$corpus" "$build/seeds"
)
