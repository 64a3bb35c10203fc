#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is missing.
# Runs as root on a fresh Debian 12 machine.
set -euo pipefail

packages=(
  cmake make g++ pkg-config python3 python3-jsonschema python3-pefile dpkg-dev lintian
  nlohmann-json3-dev libze-dev libgtest-dev libgmock-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
  clang-14 libclang-rt-14-dev
  mono-mcs mono-runtime
  clang-format osslsigncode openssl xvfb xauth
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The test tools from npm (tests/tools/package.json, versions pinned by its lock file), on
# Debian's Node.js where the machine has none of its own.
if ! command -v npm >/dev/null; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi
if ! npm ci --prefix tests/tools --no-audit --no-fund --silent; then
  echo "install-deps.sh: npm ci in tests/tools failed" >&2
  exit 1
fi
