#!/usr/bin/env bash
# Fuzzes the module in-process for a while: builds the libFuzzer target (preset fuzz, clang with
# the address and undefined-behaviour sanitizers) and runs it on a copy of the seed corpus.
#   scripts/fuzz.sh [SECONDS]      default 120
# Fails on any crash, sanitizer report, leak or failed check; the input that caused it is left
# in build/fuzz/run/findings/ (replay: build/fuzz/tests/fuzz/calderine_fuzz FILE). The corpus the
# run grows stays in build/fuzz/run/corpus/: tests/fuzz/corpus/ is only ever read.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-120}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi

scripts/install-deps.sh cmake ninja-build clang libclang-rt-14-dev

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --parallel "$(nproc)"

run=build/fuzz/run
rm -rf "$run"
mkdir -p "$run/corpus" "$run/findings"
cp tests/fuzz/corpus/* "$run/corpus/"

# One input may take a few hundred milliseconds under the sanitizers; ten seconds is a hang.
status=0
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build/fuzz/tests/fuzz/calderine_fuzz -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$run/findings/" \
    "$run/corpus" 2>&1 | tee "$run/log.txt" || status=$?
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$run/findings")" ]; then
    echo "FAIL: the fuzzer found a problem; input(s) in $run/findings/" >&2
    exit 1
fi
echo "fuzzing: $(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$run/log.txt" |
    grep -o '[0-9]*$') inputs in ${seconds} s, no crash"
