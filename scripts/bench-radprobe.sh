#!/usr/bin/env bash
# Benchmarks radprobe on Linux against 16 simulated adapters with every member group present,
# beside the floor program (scripts/bench/radprobe_floor.cpp: load the library, create and
# destroy the context, nothing else), in one hyperfine run. Output goes to a pipe, as when a
# host reads the report.
#
#   scripts/bench-radprobe.sh [BUILD_DIR]     (default build/linux, configured from the preset)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/linux}

cmake --preset linux -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target radprobe radprobe_floor simulated_display_library >/dev/null

export LD_LIBRARY_PATH=$PWD/$build/lib
export ADL_SIM_SCENARIO=$PWD/simulated/display_library/scenarios/many_adapters.json
hyperfine -N --output=pipe --warmup 50 --runs 500 \
  --command-name floor "$build/test_support/radprobe_floor" \
  --command-name radprobe "$build/test_support/radprobe"
