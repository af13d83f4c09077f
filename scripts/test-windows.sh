#!/usr/bin/env bash
# The Windows job: calderine.dll and calderine.clap for 32-bit and for 64-bit Windows cross-built
# with mingw-w64, and
# the tests of each run under wine (the 32-bit ones through wine32, of Debian's i386 architecture).
#   scripts/test-windows.sh [LINUX_BUILD_DIR]
# LINUX_BUILD_DIR: a native build tree (e.g. build/release) whose module the DLLs' renders are
# compared with; without it the tests configure and build one inside build/windows.
# Runs headless, in a wine prefix of its own that is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh cmake ninja-build googletest g++-mingw-w64-x86-64-posix \
    g++-mingw-w64-i686-posix wine wine64 wine32:i386

# Both builds compare with the same Linux tree: the given one, or the one the 64-bit build
# would make for itself.
reference_dir=$PWD/build/windows/linux-reference
if [ $# -ge 1 ]; then
    reference_dir=$(realpath "$1")
fi
reference=("-DCALDERINE_LINUX_REFERENCE_DIR=$reference_dir")

export WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/calderine-wine.XXXXXX")
export WINEPREFIX
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT

cmake --preset windows32 "${reference[@]}" >/dev/null
cmake --build --preset windows32 --parallel "$(nproc)"
ctest --preset windows32 --parallel "$(nproc)"

cmake --preset windows "${reference[@]}" >/dev/null
cmake --build --preset windows --parallel "$(nproc)"
ctest --preset windows --parallel "$(nproc)"

# The archive users download: both DLLs and both CLAP modules, the README and the licence.
(cd build/windows && rm -f calderine-*-win64.zip && cpack -G ZIP >/dev/null)
archive=$(ls build/windows/calderine-*-win64.zip)
listing=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$archive")
for f in calderine.dll x86/calderine.dll calderine.clap x86/calderine.clap README.md LICENSE \
         CHANGELOG.md; do
    grep -qx "$f" <<<"$listing" || { echo "FAIL: $archive lacks $f" >&2; exit 1; }
done
echo "archive $archive: $(wc -l <<<"$listing") files checked"
