#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless; prints CTest's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh" Debug
export QT_QPA_PLATFORM=offscreen
cd "$root/build/debug"
ctest --output-on-failure --timeout 300 -j "$(nproc)"
