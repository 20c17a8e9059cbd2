#!/usr/bin/env bash
# Installs what the build needs (Debian 12, only what is missing; through sudo
# when not run as root), then configures and builds Quillon.
#
#   scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$top/build}
shift || true

packages=(build-essential cmake pkg-config clang clang-format iproute2 util-linux
          libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
          qt6-base-dev libgl-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    # Only the installation needs root: the build, the tests and the window run
    # as whoever started us, so that the build tree stays theirs and the window
    # reaches their display.
    as_root=()
    if [[ $(id -u) -ne 0 ]]; then
        if ! command -v sudo >/dev/null; then
            echo "build: missing packages: ${missing[*]}; install them as root, or install sudo" >&2
            exit 1
        fi
        as_root=(sudo env DEBIAN_FRONTEND=noninteractive)
    fi
    echo "build: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${as_root[@]}" apt-get update -qq
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S "$top" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
