#!/usr/bin/env bash
# Builds everything and then runs the main job or the tests.
#   ./build.sh demo [preset]   render the demo through the plug-in
#   ./build.sh test [preset]   run every test
# preset: release (default), debug, asan, tsan
set -euo pipefail
cd "$(dirname "$0")"

job=${1:-test}
preset=${2:-release}

scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --parallel "$(nproc)"

case "$job" in
demo)
    build/"$preset"/tools/render/calderine-render --demo
    ;;
test)
    ctest --preset "$preset" --parallel "$(nproc)"
    ;;
*)
    echo "usage: $0 demo|test [release|debug|asan|tsan]" >&2
    exit 2
    ;;
esac
