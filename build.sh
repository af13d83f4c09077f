#!/usr/bin/env bash
# Builds what the job needs and runs it.
#   ./build.sh demo [preset]   build the module and calderine-render, render the demo
#   ./build.sh test [preset]   build everything, run every test
# preset: release (default), debug, asan, tsan, clang-release, clang-asan
set -euo pipefail
cd "$(dirname "$0")"

job=${1:-test}
preset=${2:-release}

scripts/install-deps.sh
cmake --preset "$preset" >/dev/null

case "$job" in
demo)
    # Only what the demo runs: the tests and benchmarks are most of the build.
    cmake --build --preset "$preset" --parallel "$(nproc)" --target calderine calderine-render
    build/"$preset"/tools/render/calderine-render --demo
    echo "module: build/$preset/plugin/calderine.so, tool: build/$preset/tools/render/calderine-render" >&2
    ;;
test)
    cmake --build --preset "$preset" --parallel "$(nproc)"
    ctest --preset "$preset" --parallel "$(nproc)"
    ;;
*)
    echo "usage: $0 demo|test [release|debug|asan|tsan|clang-release|clang-asan]" >&2
    exit 2
    ;;
esac
