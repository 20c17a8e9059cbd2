#!/usr/bin/env bash
# Builds Quillon and searches for simulated devices in the lab: two segments
# of cameras and recorders, each answering on its own adapter, and one device
# behind the adapter without an address. Nothing leaves this machine.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUILLON_BUILD_DIR:-$top/build}
"$top/scripts/build.sh" "$build_dir"

cli=$build_dir/tools/cli/quillon-cli
export QUILLON_DEVSIM=$build_dir/tools/devsim/quillon-devsim
exec "$top/tests/lab/lab.sh" \
    --devsim A "--config $top/scripts/demo-segment-a.json" \
    --devsim B "--config $top/scripts/demo-segment-b.json" \
    --devsim N "--devices 1" -- \
    bash -c '
        echo "Adapters:"; "$0" adapters | sed "s/^/  /"
        for adapter in $("$0" adapters); do
            kind=--basic; [[ $adapter == 0.0.0.0 ]] && kind=--extended
            echo; echo "Search from $adapter ($kind):"
            "$0" search --adapter "$adapter" $kind
        done' "$cli"
