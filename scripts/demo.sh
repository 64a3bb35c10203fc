#!/usr/bin/env bash
# The main job on a machine without a GPU: installs what is missing, builds the native Linux
# programs, and runs zeprobe through Debian's Level Zero loader against the bundled simulated
# workstation (or the scenario file given as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
scenario=$(realpath "${1:-simulated/level_zero/scenarios/demo_workstation.json}")
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target zeprobe simulated_level_zero_driver >/dev/null
# ZE_ENABLE_ALT_DRIVERS makes the loader load exactly the simulated driver, nothing else.
ZE_ENABLE_ALT_DRIVERS="$PWD/build/linux/lib/libze_simulated.so" ZE_SIM_SCENARIO="$scenario" \
  exec build/linux/bin/zeprobe
