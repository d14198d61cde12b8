#!/usr/bin/env bash
# Wall-clock time of `zentrel scan` (start to printed list) on a veth pair, with plcsim answering
# on the far end and with nothing there. A scan is one restart (discovery) plus one full cycle,
# so the difference between the two runs is what the network-info pass and the stations cost.
# Usage: bench/scan_timing.sh [BUILD_DIR] [RUNS]   (root: it creates a namespace pair)
set -euo pipefail
build=${1:-build}
runs=${2:-10}
zentrel=$(realpath "$build/src/app/zentrel")
plcsim=$(realpath "$build/tools/plcsim/plcsim")
cycle=$(realpath "$build/bench/cycle_block_time")
[ "$(id -u)" = 0 ] || { echo "needs root (network namespaces)" >&2; exit 1; }
tag=zbench$$
work=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  ip netns del ${tag}h 2>/dev/null || true
  ip netns del ${tag}m 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
ip netns add ${tag}h
ip netns add ${tag}m
ip link add zbh0 netns ${tag}h type veth peer name zbm0 netns ${tag}m
ip -n ${tag}h link set zbh0 up
ip -n ${tag}m link set zbm0 up

measure() {
  local label=$1 total=0 t0 t1 ms min=999999 max=0
  for _ in $(seq "$runs"); do
    rm -f "$work/plc.data"
    t0=$(date +%s%N)
    (cd "$work" && ip netns exec ${tag}h "$zentrel" scan >/dev/null 2>&1) || true
    t1=$(date +%s%N)
    ms=$(( (t1 - t0) / 1000000 ))
    total=$((total + ms)); (( ms < min )) && min=$ms; (( ms > max )) && max=$ms
  done
  printf '%-40s mean %5d ms  min %5d ms  max %5d ms  (%d runs)\n' "$label" $((total / runs)) "$min" "$max" "$runs"
}

measure "zentrel scan, no device on the adapter"
echo "one cycle, one adapter without a device:"
ip netns exec ${tag}h "$cycle" 20
ip netns exec ${tag}m "$plcsim" -i zbm0 --ready-file "$work/ready" >"$work/plcsim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/ready" ] && break; sleep 0.05; done
measure "zentrel scan, plcsim with 3 stations"
echo "one cycle, one adapter with plcsim's device and 3 stations:"
ip netns exec ${tag}h "$cycle" 20
