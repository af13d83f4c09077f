#!/usr/bin/env bash
# Renders the demo and draws the README's spectrograms into docs/:
#   docs/demo-parts.png       input, tone part and noise part side by side, 0-5 kHz
#   docs/demo-input-full.png  the input over the whole frequency range
#
#   scripts/spectrograms.sh [TOOL] [MODULE]
#
# TOOL is the command-line host (default: the release build's, else calderine-render on the
# PATH); MODULE, when given, is the effect module it loads (--plugin). Needs sox and
# ImageMagick's montage (Debian: apt-get install sox imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."

tool=${1:-}
module=${2:-}
if [ -z "$tool" ]; then
    if [ -x build/release/tools/render/calderine-render ]; then
        tool=build/release/tools/render/calderine-render
    else
        tool=calderine-render
    fi
fi
if ! command -v "$tool" >/dev/null; then
    echo "$0: no $tool: build it (./build.sh demo) or give its path" >&2
    exit 1
fi
for t in sox montage; do
    if ! command -v "$t" >/dev/null; then
        echo "$0: $t not found; Debian: apt-get install sox imagemagick" >&2
        exit 1
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p docs
plugin=()
[ -n "$module" ] && plugin=(--plugin "$module")
"$tool" --demo "$work" "${plugin[@]}" >&2

# One colour scale for every picture: -80 to -20 dBFS per analysis bin (-Z top, -z range; the
# full view's bins are wider, so its noise looks brighter than in the 0-5 kHz panels);
# -q 32 colour steps keep the files small. Left channel only (remix 1).
scale=(-z 60 -Z -20 -q 32)

# 0-5 kHz, where the partials of the demo's chords lie: resample to 10 kHz first.
panel() {  # FILE TITLE OUT
    sox -V1 "$1" -n remix 1 rate 10k spectrogram -x 320 -y 257 "${scale[@]}" -t "$2" -o "$3"
}
panel "$work/input.wav" "Demo input, left channel" "$work/input.png"
panel "$work/mix.tone.wav" "Tone part" "$work/tone.png"
panel "$work/mix.noise.wav" "Noise part" "$work/noise.png"
montage "$work/input.png" "$work/tone.png" "$work/noise.png" -tile 3x1 -geometry +6+0 \
    -background black -define png:compression-level=9 PNG8:docs/demo-parts.png

# The whole range up to half the sample rate, at the same colour scale.
sox -V1 "$work/input.wav" -n remix 1 spectrogram -x 640 -y 257 "${scale[@]}" \
    -t "Demo input, left channel, full range" -o docs/demo-input-full.png

ls -l docs/demo-parts.png docs/demo-input-full.png >&2
