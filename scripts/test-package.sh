#!/usr/bin/env bash
# Builds the Debian package from a release build tree, checks its contents and control fields,
# installs it, renders a file with the installed tool and module, and removes it again.
#   scripts/test-package.sh [build tree]      (default build/release; needs root or sudo)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies from its binaries.
scripts/install-deps.sh dpkg-dev file

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb="calderine_${version}_${arch}.deb"
(cd "$build" && rm -f "$deb" && cpack -G DEB >/dev/null)
[ -f "$build/$deb" ] || { echo "FAIL: cpack made no $deb" >&2; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }
contents=$(dpkg-deb -c "$build/$deb" | awk '{print $NF}')
for f in ./usr/lib/vst/calderine.so ./usr/bin/calderine-render \
         ./usr/lib/lv2/calderine.lv2/calderine.so ./usr/lib/lv2/calderine.lv2/manifest.ttl \
         ./usr/lib/lv2/calderine.lv2/calderine.ttl ./usr/lib/clap/calderine.clap \
         ./usr/share/doc/calderine/copyright ./usr/share/doc/calderine/CHANGELOG.md \
         ./usr/share/doc/calderine/README.md ./usr/share/man/man1/calderine-render.1.gz \
         ./usr/share/calderine/presets/transparent-split.preset \
         ./usr/share/calderine/presets/breath-and-hiss.preset \
         ./usr/share/calderine/presets/tones-only.preset; do
    grep -qx "$f" <<<"$contents" || fail "$deb lacks $f"
done
# lv2apply is the LV2 render below.
scripts/install-deps.sh lilv-utils
# Debian compresses manual pages (gzip -9n) and ships no uncompressed copy.
grep -qx './usr/share/man/man1/calderine-render.1' <<<"$contents" &&
    fail "$deb ships an uncompressed manual page"
# Nothing of the build or test machinery may ship.
if grep -E 'gtest|benchmark|fake|golden|\.a$|include/' <<<"$contents"; then
    fail "$deb ships files it should not"
fi
[ "$(dpkg-deb -f "$build/$deb" Package)" = calderine ] || fail "package name"
[ "$(dpkg-deb -f "$build/$deb" Version)" = "$version" ] || fail "package version"
[ "$(dpkg-deb -f "$build/$deb" Architecture)" = "$arch" ] || fail "package architecture"
depends=$(dpkg-deb -f "$build/$deb" Depends)
grep -q 'libsndfile1' <<<"$depends" || fail "Depends lacks libsndfile1: $depends"

# Installed for real, the tool must find the module where DAWs look for it.
scratch=$(mktemp -d)
trap '$sudo dpkg -P calderine >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "./$build/$deb" >/dev/null
/usr/bin/calderine-render --info | grep -q 'module: *\/usr\/lib\/vst\/calderine.so ' ||
    fail "the installed tool does not load /usr/lib/vst/calderine.so"
/usr/bin/calderine-render --demo "$scratch/demo" >/dev/null
/usr/bin/calderine-render "$scratch/demo/input.wav" "$scratch/installed.wav" --set Tone_Gain=-6
"$build/tools/render/calderine-render" "$scratch/demo/input.wav" "$scratch/built.wav" --set Tone_Gain=-6
[ -s "$scratch/installed.wav" ] || fail "the installed tool rendered nothing"
/usr/bin/calderine-render "$scratch/demo/input.wav" "$scratch/preset.wav" -q \
    --preset /usr/share/calderine/presets/transparent-split.preset ||
    fail "the installed tool does not render through an installed preset"
/usr/bin/calderine-render "$scratch/demo/input.wav" "$scratch/named.wav" -q \
    --preset transparent-split || fail "the installed tool does not find a preset by name"
if command -v man >/dev/null; then
    [ "$(man -w calderine-render)" = /usr/share/man/man1/calderine-render.1.gz ] ||
        fail "man does not find the installed manual page"
fi
cmp -s "$scratch/installed.wav" "$scratch/built.wav" ||
    fail "the installed tool and module render differently from the build tree's"
# LV2 hosts find the installed bundle on their default path and render what the build's does.
env -u LV2_PATH lv2apply -i "$scratch/demo/input.wav" -o "$scratch/installed-lv2.wav" \
    -c tone_gain -6 urn:pemberlow:calderine || fail "lv2apply does not run the installed bundle"
LV2_PATH="$(realpath "$build/lv2/bundles")" lv2apply -i "$scratch/demo/input.wav" -o "$scratch/built-lv2.wav" \
    -c tone_gain -6 urn:pemberlow:calderine
cmp -s "$scratch/installed-lv2.wav" "$scratch/built-lv2.wav" ||
    fail "the installed LV2 bundle renders differently from the build tree's"
env -u LV2_PATH lv2info urn:pemberlow:calderine |
    grep -E 'Bundle:[[:space:]]+file:///usr/lib/lv2/calderine.lv2/' >/dev/null ||
    fail "lv2info does not find the bundle in /usr/lib/lv2"
# A CLAP host finds the installed module where it looks (when Qtractor's scanner is here).
scanner=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)/qtractor/qtractor_plugin_scan
if [ -x "$scanner" ]; then
    echo "CLAP:/usr/lib/clap/calderine.clap" | QT_QPA_PLATFORM=offscreen "$scanner" 2>/dev/null |
        grep -E '^CLAP\|calderine\|2:2\|0:0\|10:0\|' >/dev/null ||
        fail "Qtractor's scanner does not list the installed calderine.clap"
fi
echo "package $deb: contents, control fields, install and render (VST 2.4, LV2, CLAP) checked"
echo "Depends: $depends"
