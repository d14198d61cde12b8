#!/usr/bin/env bash
# A host with many adapters, measured on a build and on a baseline build in the same run:
#  - one scan cycle's blocking and one restart's (cycle_block_time) with 8 veth adapters and no
#    device, then with plcsim's device behind the 8th (last in capture order) and none behind the
#    other seven (each also with plc.data on tmpfs), and for reference with a single adapter
#    without a device;
#  - the adapter listing of one cycle (adapter_list_time) with 50 veth interfaces.
# Usage: bench/many_adapters.sh [BUILD_DIR] [BASE_BUILD_DIR] [CYCLES]   (root: network namespaces)
# BASE_BUILD_DIR is a build of the commit to compare with (its bench/ may be built from this
# tree's bench sources); leave it out to measure one build only.
set -euo pipefail
build=${1:-build}
base=${2:-}
cycles=${3:-20}
[ "$(id -u)" = 0 ] || { echo "needs root (network namespaces)" >&2; exit 1; }
plcsim=$(realpath "$build/tools/plcsim/plcsim")
builds=("$(realpath "$build")")
labels=("this build")
if [ -n "$base" ]; then builds=("$(realpath "$base")" "${builds[@]}"); labels=("baseline" "${labels[@]}"); fi
tag=zma$$
work=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  for ns in ${tag}h ${tag}m ${tag}o ${tag}l ${tag}p; do ip netns del "$ns" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

each_build() {  # each_build PROGRAM NS ARGS...
  local program=$1 ns=$2 i
  shift 2
  for i in "${!builds[@]}"; do
    printf '  %-11s ' "${labels[$i]}:"
    ip netns exec "$ns" "${builds[$i]}/bench/$program" "$@"
  done
}

ip netns add ${tag}h
ip netns add ${tag}m
for n in 0 1 2 3 4 5 6 7; do
  ip link add zah$n netns ${tag}h type veth peer name zam$n netns ${tag}m
  ip -n ${tag}h link set zah$n up
  ip -n ${tag}m link set zam$n up
done
echo "one cycle, 8 adapters, no device on any:"
each_build cycle_block_time ${tag}h "$cycles"
echo "the same with plc.data on tmpfs (the cycle's disk syncs left out):"
TMPDIR=/dev/shm each_build cycle_block_time ${tag}h "$cycles"
ip netns exec ${tag}m "$plcsim" -i zam7 --ready-file "$work/ready" >"$work/plcsim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/ready" ] && break; sleep 0.05; done
[ -e "$work/ready" ] || { echo "plcsim did not start" >&2; cat "$work/plcsim.out" >&2; exit 1; }
echo "one cycle, 8 adapters, plcsim's device (3 stations) behind the 8th only:"
each_build cycle_block_time ${tag}h "$cycles"
echo "the same with plc.data on tmpfs (the cycle's disk syncs left out):"
TMPDIR=/dev/shm each_build cycle_block_time ${tag}h "$cycles"

# The floor: one adapter without a device waits the discovery's 50 ms all the same.
ip netns add ${tag}o
ip link add zao0 netns ${tag}o type veth peer name zap0 netns ${tag}m
ip -n ${tag}o link set zao0 up
echo "for reference, one cycle, 1 adapter, no device:"
each_build cycle_block_time ${tag}o "$cycles"

ip netns add ${tag}l
ip netns add ${tag}p
for n in $(seq 0 49); do
  ip link add zl$n netns ${tag}l type veth peer name zp$n netns ${tag}p
  ip -n ${tag}l link set zl$n up
done
echo "adapter listing, 50 veth interfaces:"
each_build adapter_list_time ${tag}l "$cycles"
