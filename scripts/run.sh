#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts the console.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh" Release
exec "$root/build/release/kvd" "$@"
