#!/usr/bin/env bash
# Configures and builds into build/<type> (type: Release or Debug, default Release) with the
# default compiler (GCC on Debian). A second argument names another compiler, for example
#   scripts/build.sh Debug clang++     builds into build/debug-clang
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
type=${1:-Release}
compiler=${2:-}
dir="$root/build/${type,,}"
args=()
if [ -n "$compiler" ]; then
    dir="$dir-$(basename "$compiler" | sed 's/++$//')"
    args+=(-DCMAKE_CXX_COMPILER="$compiler")
fi
command -v ccache >/dev/null && args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${args[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
