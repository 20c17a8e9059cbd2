#!/usr/bin/env bash
# Scale and cost of a search, measured in the lab (never on a real network):
#  - 1,000 simulated devices answering one basic and one extended probe in a
#    single burst: how many entries the search stores (all must arrive);
#  - the CPU time (user + sys) of a whole 5 s search that receives nothing.
#
#   bench/lab-search.sh [BUILD_DIR] [DEVICES]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$top/build}
devices=${2:-1000}
export QUILLON_DEVSIM=$build_dir/tools/devsim/quillon-devsim

exec "$top/tests/lab/lab.sh" --devsim A "--devices $devices --mode burst" -- bash -c '
    cli=$0 devices=$1
    count() { grep -c "\"mac\"" || true; }
    for kind in --basic --extended; do
        found=$("$cli" search --adapter "$LAB_ADAPTER_A" $kind --json | count)
        echo "burst of $devices devices, search $kind: $found entries stored"
    done
    TIMEFORMAT="%U %S"
    cpu=$( { time "$cli" search --adapter "$LAB_ADAPTER_B" >/dev/null; } 2>&1 )
    read -r user sys <<<"$cpu"
    echo "5 s search with nothing to receive: user ${user}s + sys ${sys}s (whole process)"
' "$build_dir/tools/cli/quillon-cli" "$devices"
