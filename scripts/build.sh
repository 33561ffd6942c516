#!/usr/bin/env bash
# Configures and builds into build/<type> (type: Release or Debug, default Release).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
type=${1:-Release}
dir="$root/build/${type,,}"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
