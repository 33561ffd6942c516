#!/usr/bin/env bash
# Starts simulated game servers for trying the console: add the printed servers in the server
# settings dialog. Assumes a release build in build/release (scripts/build.sh). Ctrl+C ends it.
# Extra arguments go to rcon-sim, e.g. --fault "Delta Swamp=refuse-login".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sim="$root/build/release/rcon-sim"
if [[ ! -x "$sim" ]]; then
    echo "demo: $sim not found; run scripts/build.sh first" >&2
    exit 1
fi
exec "$sim" \
    --server "Alpha Island:27015:secret" \
    --server "Beta Ridge:27016:secret" \
    --server "Gamma Valley:27017:hunter2" \
    --server "Delta Swamp:27018:secret" \
    --players 4 --churn 3000 \
    --fault "Gamma Valley=split" \
    "$@"
