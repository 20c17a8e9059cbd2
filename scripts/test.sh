#!/usr/bin/env bash
# Builds Quillon and runs every test: unit tests, window tests (offscreen) and
# the lab tests, which run inside private network namespaces (root or user
# namespaces needed; where neither can be made they are reported skipped).
#
#   scripts/test.sh                      # the normal build, in build/
#   scripts/test.sh --sanitize address,undefined   # in build-address-undefined/
#   scripts/test.sh --sanitize thread    # the threaded core only, in build-thread/
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

sanitize=""
if [[ "${1:-}" == "--sanitize" ]]; then
    sanitize=$2
    shift 2
fi

if [[ -z "$sanitize" ]]; then
    build_dir=$top/build
    "$top/scripts/build.sh" "$build_dir"
    ctest_args=()
else
    build_dir=$top/build-${sanitize//,/-}
    extra=(-DQUILLON_SANITIZE="$sanitize" -DQUILLON_BUILD_BENCH=OFF)
    ctest_args=()
    if [[ "$sanitize" == thread ]]; then
        # Qt's own libraries are not built for TSan; the threads live in the core.
        extra+=(-DQUILLON_BUILD_GUI=OFF)
    fi
    "$top/scripts/build.sh" "$build_dir" "${extra[@]}"
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
fi

export QT_QPA_PLATFORM=offscreen
cd "$build_dir"
ctest --output-on-failure -j 2 "${ctest_args[@]}" "$@"
