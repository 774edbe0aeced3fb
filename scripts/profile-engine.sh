#!/usr/bin/env bash
# Profiles the engine with perf (Debian's linux-perf, installed here when missing): builds the
# benchmarks, records one case of the engine benchmark and prints the hottest functions. The case
# runs the optimised engine (tarn_dsp::) and the literal reference (kaleidra_reference::) side by
# side, so the report shows where each spends its time.
#
#   bash scripts/profile-engine.sh [CASE]     CASE: a benchmark filter, default worst_case_44k1
#
# perf samples the CPU clock, which works in virtual machines without hardware counters; it needs
# /proc/sys/kernel/perf_event_paranoid at 2 or lower for a user's own processes.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/setup.sh linux-perf
# shellcheck source=scripts/common.sh
source scripts/common.sh
kaleidra_build build

case="${1:-worst_case_44k1}"
data="build/perf-${case}.data"
flock /tmp/kaleidra-build.lock perf record -e cpu-clock -o "$data" \
    build/bench/engine/kaleidra_engine_bench --benchmark_filter="$case"
perf report -i "$data" --no-children --stdio 2>/dev/null | grep -E '^ +[0-9]' | head -20
echo "profile: $data (perf report -i $data; perf annotate -i $data -s <function> for the hot lines)"
