#!/usr/bin/env bash
# Installs what is missing, builds the Linux and the Windows programs, and runs every test:
# the native suite, then the Windows executables under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

jobs=$(nproc)
status=0
for preset in linux windows; do
  cmake --preset "$preset" >/dev/null || exit 1
  cmake --build --preset "$preset" -j "$jobs" || exit 1
done
for preset in linux windows; do
  echo "== Tests: $preset"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
