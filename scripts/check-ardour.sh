#!/usr/bin/env bash
# The LV2 plug-in in Ardour 7, headless (its Lua session tool on the dummy back end): found by
# URI, the route's latency at 48 kHz, a parameter set through Ardour heard at the meter, and
# Ardour's own bypass button driving the plug-in's "enabled" port. CI runs it; Ardour is some
# 28 MB to fetch, so it is installed only here, not with the build's packages.
#   scripts/check-ardour.sh [BUILD_DIR]      (default build/release; installs ardour if missing)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
bundles=$build/lv2/bundles
[ -f "$bundles/calderine.lv2/manifest.ttl" ] || { echo "no LV2 bundle in $bundles: build first" >&2; exit 2; }
command -v ardour7-lua >/dev/null || scripts/install-deps.sh ardour

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The system's bundles too, for the LV2 vocabulary Ardour reads class names from.
CHECK_DIR=$work LV2_PATH="$(realpath "$bundles"):/usr/lib/lv2" \
    timeout 120 ardour7-lua scripts/check-ardour.lua >"$work/log" 2>&1 || true
value() { sed -n "s/^check: $1 //p" "$work/log"; }

failed=0
expect() { # name, awk condition on v, meaning
    local v; v=$(value "$1")
    if [ -n "$v" ] && awk -v v="$v" "BEGIN { exit !($2) }"; then
        echo "ok   $1 = $v ($3)"
    else
        echo "FAIL $1 = ${v:-missing} (expected $3)"; failed=1
    fi
}
expect latency 'v == 2400' "2400 samples: 50 ms at 48 kHz"
expect level_default 'v > -30' "the noise generator's signal through the plug-in"
expect level_muted 'v == "-inf" || v < -90' "silence once Tone_Gain and Noise_Gain are muted"
expect bypass_enabled_port 'v == 0' "Ardour's bypass button clears the enabled port"
expect level_bypassed 'v > -30' "the dry signal while bypassed"
if [ "$failed" -ne 0 ]; then
    echo "--- Ardour's output:"; cat "$work/log"; exit 1
fi
