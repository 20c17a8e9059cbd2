#!/usr/bin/env bash
# The lab: a private virtual LAN in network namespaces, so that nothing the
# programs under test send ever reaches a real interface of this machine.
#
#   lab.sh [--devsim SEG ARGS]... [--] COMMAND [ARG]...
#
# COMMAND runs in the workstation namespace, which has three adapters:
#   qa0 10.77.1.1/24  to segment A (device namespace, its host at 10.77.1.2)
#   qb0 10.77.2.1/24  to segment B (device namespace, its host at 10.77.2.2)
#   qn0 no address    to segment N (device namespace, its host at 10.77.3.2);
#                     the default route, so a socket bound to 0.0.0.0 can
#                     broadcast through it.
# Each --devsim starts quillon-devsim in segment SEG (A, B or N) with ARGS (one
# word, split on blanks) before COMMAND, and waits until it is listening.
# COMMAND sees LAB_* variables describing all this; `ip netns exec
# "$LAB_NS_A" ...` runs further programs on a segment.
#
# Everything lives in fresh namespaces (network, mount, PID) that vanish with
# the command: no name is left behind, whatever way it ends. Exits 77 (the
# skip code ctest is told about) when namespaces can't be made here; it never
# falls back to the host network.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
self="$here/$(basename "${BASH_SOURCE[0]}")"

if [[ "${1:-}" != "--inside" ]]; then
    if [[ $(id -u) -eq 0 ]]; then
        isolate=(unshare --net --mount --pid --fork --kill-child)
    else
        isolate=(unshare --user --map-root-user --net --mount --pid --fork --kill-child)
    fi
    if ! probe_error=$("${isolate[@]}" true 2>&1); then
        echo "lab: skipped: network namespaces can't be made here: ${probe_error}" >&2
        exit 77
    fi
    exec "${isolate[@]}" "$self" --inside "$@"
fi
shift

# From here on we are alone in new namespaces.
mount --make-rprivate / 2>/dev/null || true
if ! mkdir -p /run/netns 2>/dev/null; then
    # Not really root: cover /run with a tmpfs of our own for `ip netns`, but
    # keep the user's runtime directory (Wayland, D-Bus, the instance lock)
    # where the programs started here expect it.
    old_run=$(mktemp -d "${TMPDIR:-/tmp}/quillon-run.XXXXXX")
    mount --rbind /run "$old_run"
    mount -t tmpfs lab-run /run
    mkdir -p /run/netns
    if [[ "${XDG_RUNTIME_DIR:-}" == /run/?* && -d "$old_run${XDG_RUNTIME_DIR#/run}" ]]; then
        mkdir -p "$XDG_RUNTIME_DIR"
        mount --rbind "$old_run${XDG_RUNTIME_DIR#/run}" "$XDG_RUNTIME_DIR"
    fi
fi
mount -t tmpfs lab-netns /run/netns
mount -t proc proc /proc 2>/dev/null || true
mount -t sysfs lab-sys /sys 2>/dev/null || true

devsim_bin=${QUILLON_DEVSIM:-}
if [[ -z "$devsim_bin" ]]; then
    for candidate in "$here/../../build/tools/devsim/quillon-devsim" "$(command -v quillon-devsim || true)"; do
        if [[ -n "$candidate" && -x "$candidate" ]]; then devsim_bin=$candidate; break; fi
    done
fi

run_id="lab$$"
export LAB_DIR
LAB_DIR=$(mktemp -d "${TMPDIR:-/tmp}/quillon-$run_id.XXXXXX")
children=()
cleanup() {
    local status=$?
    for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [[ -n "${LAB_KEEP:-}" ]] || rm -rf "$LAB_DIR"
    if [[ -n "${old_run:-}" ]]; then
        umount -l "$old_run" 2>/dev/null || true
        rmdir "$old_run" 2>/dev/null || true
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ip link set lo up
sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0 2>/dev/null || true
sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1 2>/dev/null || true

segment() {  # segment LETTER WS_IF DEV_IF DEV_ADDR [WS_ADDR]
    local letter=$1 ws_if=$2 dev_if=$3 dev_addr=$4 ws_addr=${5:-}
    local ns="seg$letter-$run_id"
    ip netns add "$ns"
    ip link add "$ws_if" type veth peer name "$dev_if" netns "$ns"
    ip netns exec "$ns" ip link set lo up
    ip netns exec "$ns" ip addr add "$dev_addr/24" dev "$dev_if"
    ip netns exec "$ns" ip link set "$dev_if" up
    # Devices answer whoever asked, wherever that address lives.
    ip netns exec "$ns" ip route add default dev "$dev_if"
    ip netns exec "$ns" sysctl -qw net.ipv4.conf.all.rp_filter=0 2>/dev/null || true
    [[ -z "$ws_addr" ]] || ip addr add "$ws_addr/24" dev "$ws_if"
    ip link set "$ws_if" up
    sysctl -qw "net.ipv4.conf.$ws_if.rp_filter=0" 2>/dev/null || true
    export "LAB_NS_$letter=$ns"
}
segment A qa0 da0 10.77.1.2 10.77.1.1
segment B qb0 db0 10.77.2.2 10.77.2.1
segment N qn0 dn0 10.77.3.2
ip route add default dev qn0
# veth links come up asynchronously; a probe sent before carrier is lost.
for _ in $(seq 100); do
    [[ "$(cat /sys/class/net/qa0/operstate /sys/class/net/qb0/operstate \
        /sys/class/net/qn0/operstate 2>/dev/null | sort -u)" == up ]] && break
    sleep 0.02
done

export LAB_ADAPTER_A=10.77.1.1 LAB_ADAPTER_B=10.77.2.1 LAB_ADAPTER_N=0.0.0.0
export LAB_IF_A=qa0 LAB_IF_B=qb0 LAB_IF_N=qn0
# The device ends, for giving a segment more addresses:
#   ip netns exec "$LAB_NS_A" ip addr add 10.77.1.20/24 dev "$LAB_DEVIF_A"
export LAB_DEVIF_A=da0 LAB_DEVIF_B=db0 LAB_DEVIF_N=dn0
export LAB_HOST_A=10.77.1.2 LAB_HOST_B=10.77.2.2 LAB_HOST_N=10.77.3.2
export QUILLON_LAB=1
[[ -z "$devsim_bin" ]] || export QUILLON_DEVSIM="$devsim_bin"

while [[ "${1:-}" == "--devsim" ]]; do
    seg=$2 args=$3
    shift 3
    [[ -n "$devsim_bin" ]] || { echo "lab: quillon-devsim not found (set QUILLON_DEVSIM)" >&2; exit 2; }
    ns_var="LAB_NS_$seg"
    ready="$LAB_DIR/devsim-$seg-${#children[@]}.ready"
    mkfifo "$ready"
    # shellcheck disable=SC2086  # ARGS is one word on purpose, split on blanks
    ip netns exec "${!ns_var}" "$devsim_bin" $args >"$ready" &
    children+=($!)
    # devsim prints "ready" once its socket is bound; anything else is a failure.
    if ! read -r -t 10 line <"$ready" || [[ "$line" != ready* ]]; then
        echo "lab: quillon-devsim on segment $seg did not start (args: $args)" >&2
        exit 2
    fi
done
[[ "${1:-}" != "--" ]] || shift
[[ $# -gt 0 ]] || { echo "usage: lab.sh [--devsim SEG ARGS]... [--] COMMAND [ARG]..." >&2; exit 2; }

"$@"
