#!/usr/bin/env bash
# Runs inside the lab: two copies of the window at once, each refreshing and
# saving a screenshot; the second runs exactly like the first, and both end.
#
#   two-copies.sh QUILLON
set -euo pipefail
quillon=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export XDG_RUNTIME_DIR=$out
QUILLON_SCREENSHOT=$out/first.png "$quillon" &
first=$!
sleep 0.5  # so the first holds the instance lock
QUILLON_SCREENSHOT=$out/second.png "$quillon"
wait "$first"
for shot in first second; do
    [[ -s $out/$shot.png ]] || { echo "two-copies: the $shot copy saved no screenshot" >&2; exit 1; }
done
echo "two-copies: both copies ran and closed"
