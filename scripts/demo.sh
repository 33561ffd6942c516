#!/usr/bin/env bash
# Tries the console without a game server: builds only the console and the simulator, starts
# simulated game servers on free loopback ports, gives a demo copy of the console (build/demo/) a
# server list that points at them, and runs it. Closing the console ends the simulator. Extra
# arguments go to rcon-sim, e.g. --fault "Delta Swamp=refuse-login".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
say() { echo "demo: $*"; }

say "checking that the build tools are installed…"
"$root/scripts/setup-deps.sh"
dir="$root/build/release"
args=()
command -v ccache >/dev/null && args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
say "configuring $dir…"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${args[@]}" >/dev/null
say "building the console and the simulator (nothing else; a first build takes a few minutes)…"
cmake --build "$dir" --parallel "$(nproc)" --target kvd rcon-sim

demo="$root/build/demo"
mkdir -p "$demo"
cp "$dir/kvd" "$demo/kvd"
rm -f "$demo/server.dat"

say "starting the simulated servers on free ports…"
# Port 0: every server takes a port that is free now; the server list names the ports taken.
"$dir/rcon-sim" \
    --server "Alpha Island:0:secret" \
    --server "Beta Ridge:0:secret" \
    --server "Gamma Valley:0:hunter2" \
    --server "Delta Swamp:0:secret" \
    --players 4 --churn 3000 \
    --fault "Gamma Valley=split" \
    --write-server-list "$demo/server.dat" \
    --exit-with-parent \
    "$@" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
# The console reads its server list at start; wait until the simulator has written it.
for _ in $(seq 100); do
    [ -s "$demo/server.dat" ] && break
    kill -0 "$sim" 2>/dev/null || { say "the simulator ended at once"; exit 1; }
    sleep 0.1
done
[ -s "$demo/server.dat" ] || { say "the simulator wrote no server list"; exit 1; }
say "starting the demo console ($demo)…"
"$demo/kvd"
