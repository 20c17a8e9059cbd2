#!/usr/bin/env bash
# Builds Quillon and runs its window in the lab against simulated devices: two
# segments of cameras and recorders, each answering on its own adapter, and
# one device behind the adapter without an address. Nothing leaves this
# machine.
#
#   scripts/demo.sh [SCREENSHOT.png]
#
# With $DISPLAY set the window opens there; otherwise it runs offscreen, saves
# a PNG of the filled window (default: BUILD_DIR/screenshot.png) and closes.
# Either way the device table is printed afterwards by quillon-cli, from the
# same lab. QUILLON_BUILD_DIR picks the build directory (default build/);
# QUILLON_DEMO_NO_BUILD=1 uses it as it is.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUILLON_BUILD_DIR:-$top/build}
if [[ -z "${QUILLON_DEMO_NO_BUILD:-}" ]]; then
    "$top/scripts/build.sh" "$build_dir"
fi

gui=$build_dir/src/app/quillon
cli=$build_dir/tools/cli/quillon-cli
screenshot=$(realpath -m "${1:-$build_dir/screenshot.png}")
export QUILLON_DEVSIM=$build_dir/tools/devsim/quillon-devsim

if [[ -n "${DISPLAY:-}" ]]; then
    echo "demo: opening the Quillon window on $DISPLAY (close it to see the table)"
    unset QUILLON_SCREENSHOT
else
    echo "demo: no display; running offscreen, screenshot to $screenshot"
    export QT_QPA_PLATFORM="offscreen:configfile=$top/scripts/demo-screen.json"
    export QUILLON_SCREENSHOT=$screenshot
fi

exec "$top/tests/lab/lab.sh" \
    --devsim A "--config $top/scripts/demo-segment-a.json" \
    --devsim B "--config $top/scripts/demo-segment-b.json" \
    --devsim N "--devices 1" -- \
    bash -c '
        gui=$1 cli=$2
        "$gui"
        [[ -z "${QUILLON_SCREENSHOT:-}" ]] || echo "demo: saved $QUILLON_SCREENSHOT"
        echo
        echo "The same refresh from quillon-cli search:"
        "$cli" search' demo "$gui" "$cli"
