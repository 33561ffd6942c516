#!/usr/bin/env bash
# Tries the console without a game server: starts simulated game servers, gives a demo copy of
# the console (build/demo/) a server list that points at them, and runs it. Closing the console
# ends the simulator. Extra arguments go to rcon-sim, e.g. --fault "Delta Swamp=refuse-login".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh" Release
demo="$root/build/demo"
mkdir -p "$demo"
cp "$root/build/release/kvd" "$demo/kvd"
rm -f "$demo/server.dat"

"$root/build/release/rcon-sim" \
    --server "Alpha Island:27015:secret" \
    --server "Beta Ridge:27016:secret" \
    --server "Gamma Valley:27017:hunter2" \
    --server "Delta Swamp:27018:secret" \
    --players 4 --churn 3000 \
    --fault "Gamma Valley=split" \
    --write-server-list "$demo/server.dat" \
    "$@" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
# The console reads its server list at start; wait until the simulator has written it.
for _ in $(seq 50); do [ -s "$demo/server.dat" ] && break; sleep 0.1; done
"$demo/kvd"
