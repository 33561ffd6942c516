#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan; its own build folder,
# build/fuzz) and runs each for SECONDS, one after another on one core, seeded from
# fuzz/corpus/<target>/. What a run learns stays in build/fuzz/corpus/<target>/; a finding is
# saved under build/fuzz/findings/<target>/ and makes the script fail.
#
#   scripts/fuzz.sh SECONDS [target ...]     e.g. scripts/fuzz.sh 300, scripts/fuzz.sh 60 rtf_reader
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?usage: scripts/fuzz.sh SECONDS [target ...]}
shift

# clang and its runtime (libFuzzer, the sanitizers) come from Debian's packages.
packages=(clang libclang-rt-14-dev cmake ninja-build)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
"$root/scripts/setup-deps.sh"

dir="$root/build/fuzz"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DKVD_FUZZ=ON -DKVD_BUILD_TESTS=OFF -DKVD_BUILD_BENCH=OFF \
    "${launcher[@]}" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in "$root"/fuzz/fuzz_*.cpp; do
        name=$(basename "$source" .cpp)
        targets+=("${name#fuzz_}")
    done
fi
cmake --build "$dir" --parallel 2 --target "${targets[@]/#/fuzz_}"

# Readers of whole files get larger inputs than the answers of one exchange.
max_len() {
    case "$1" in
    ini_reader | ini_roundtrip | table_file) echo 16384 ;;
    *) echo 65536 ;;
    esac
}

# Scratch files of the targets live in memory and go away afterwards.
scratch=$(mktemp -d "${XDG_RUNTIME_DIR:-/dev/shm}/kvd-fuzz.XXXXXX" 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT

summary=()
failed=0
for target in "${targets[@]}"; do
    corpus="$dir/corpus/$target"
    findings="$dir/findings/$target"
    mkdir -p "$corpus" "$findings"
    log="$dir/$target.log"
    echo "== $target: ${seconds} s"
    set +e
    TMPDIR="$scratch" "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len="$(max_len "$target")" -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1
    status=$?
    set -e
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo "?")
    ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo "?")
    corp=$(grep -o 'corp: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo "?")
    if [ $status -eq 0 ]; then
        verdict="no findings"
    else
        verdict="FINDING (exit $status), see $log and $findings/"
        failed=1
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*expectation failed|.*runtime error)' "$log" | head -5 || true
    fi
    summary+=("$(printf '%-16s %12s runs  cov %6s  ft %6s  corpus %6s  %s' \
        "$target" "$runs" "$cov" "$ft" "$corp" "$verdict")")
done

echo
echo "target           executions       coverage    features    corpus"
printf '%s\n' "${summary[@]}"
exit $failed
