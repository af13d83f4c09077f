#!/usr/bin/env bash
# Installs Debian packages, only those that are missing: the ones the build needs, or the ones
# named.
#   scripts/install-deps.sh [PACKAGE...]
set -euo pipefail

if [ $# -gt 0 ]; then
    packages=("$@")
else
    packages=(cmake ninja-build g++ binutils pkg-config libgtest-dev libbenchmark-dev
              libsndfile1-dev libfftw3-dev lv2-dev liblilv-dev lilv-utils sordi)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}" >&2
# Packages of another architecture (name:i386) need that architecture known to dpkg first.
for p in "${missing[@]}"; do
    if [[ $p == *:* ]] && ! dpkg --print-foreign-architectures | grep -qx "${p#*:}"; then
        $sudo dpkg --add-architecture "${p#*:}"
    fi
done
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
