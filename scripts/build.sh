#!/usr/bin/env bash
# Configures and builds into build/<type> (type: Release or Debug, default Release).
# KVD_CXX picks the compiler (g++ or clang++; default: CMake's choice) and builds into
# build/<type>-<compiler> instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
type=${1:-Release}
dir="$root/build/${type,,}"
args=()
if [ -n "${KVD_CXX:-}" ]; then
    dir="$dir-$(basename "$KVD_CXX" | tr -d '+')"
    args+=(-DCMAKE_CXX_COMPILER="$KVD_CXX")
fi
command -v ccache >/dev/null && args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${args[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
