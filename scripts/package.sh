#!/usr/bin/env bash
# Builds the Debian package orvena_<version>_amd64.deb from the Release build (build-release/,
# shared with run.sh) and prints its path.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/deps.sh

build=${ORVENA_BUILD_DIR:-$top/build-release}
export CCACHE_DIR=${CCACHE_DIR:-$top/.ccache}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# (re)configured every time, so a build-release made before packaging existed gains its rules
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVENA_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/orvena_*_amd64.deb | head -n 1)
echo "$deb"
