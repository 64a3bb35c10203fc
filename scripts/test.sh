#!/usr/bin/env bash
# Installs what is missing, builds the Linux and the Windows programs, and runs every test:
# the native suite, the Windows executables under Wine, the native suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of each fuzz target. The
# Linux and Windows suites also make the release packages with CPack and check them
# (ctest -R release, see "Release" in the README). First of all, every tracked C, C++ and C#
# file must be formatted as .clang-format says: a misformatted file fails the command before
# anything is built, as a compiler warning fails the build.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

echo "== Format: clang-format"
git ls-files -z -- '*.c' '*.cpp' '*.h' '*.cs' | xargs -0 -r clang-format --dry-run --Werror ||
  exit 1

jobs=$(nproc)
status=0
for preset in linux windows sanitize fuzz; do
  cmake --preset "$preset" >/dev/null || exit 1
  cmake --build --preset "$preset" -j "$jobs" || exit 1
done
for preset in linux windows sanitize fuzz; do
  echo "== Tests: $preset"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
