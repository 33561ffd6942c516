#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless; prints CTest's summary.
#   scripts/test.sh              the debug build with GCC (build/debug), then with clang
#                                (build/debug-clang): the whole tree builds and passes with both
#   scripts/test.sh --gcc        only the GCC build, for a quicker run while working
#   scripts/test.sh --sanitize   the whole suite under AddressSanitizer and UBSan, in a build folder
#                                of its own (build/sanitize); a memory error, leak or undefined
#                                behaviour fails the test that met it
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"
if [ "${1:-}" = "--sanitize" ]; then
    dir="$root/build/sanitize"
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKVD_SANITIZE=ON \
        -DKVD_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
    # Programs the tests start (the console, a crash test's child) inherit these.
    export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    export LSAN_OPTIONS="suppressions=$root/tests/sanitize/lsan.supp:print_suppressions=0"
    dirs=("$dir")
else
    "$root/scripts/build.sh" Debug
    dirs=("$root/build/debug")
    if [ "${1:-}" != "--gcc" ]; then
        "$root/scripts/build.sh" Debug clang++
        dirs+=("$root/build/debug-clang")
    fi
fi
export QT_QPA_PLATFORM=offscreen
for dir in "${dirs[@]}"; do
    echo "== tests of $(basename "$dir")"
    (cd "$dir" && ctest --output-on-failure --timeout 300 -j "$(nproc)")
done
