#!/usr/bin/env bash
# Runs the main job on a simulated powerline network: a network namespace joined to this one by
# a veth pair, plcsim (one local device, three stations) on the far end, and `zentrel scan` on
# the near end, in a scratch directory. Everything it creates is removed when it ends.
set -euo pipefail
build=${1:-build}
zentrel=$(realpath "$build/src/app/zentrel")
plcsim=$(realpath "$build/tools/plcsim/plcsim")
if [ "$(id -u)" != 0 ]; then
  echo "The demo creates a network namespace and a veth pair: run it as root (sudo make demo)." >&2
  exit 1
fi
tag=zdemo$$
host_ns=${tag}h
mains_ns=${tag}m
work=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  ip netns del "$host_ns" 2>/dev/null || true
  ip netns del "$mains_ns" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

ip netns add "$host_ns"
ip netns add "$mains_ns"
ip link add zdh0 netns "$host_ns" type veth peer name zdm0 netns "$mains_ns"
ip -n "$host_ns" link set zdh0 up
ip -n "$mains_ns" link set zdm0 up

ip netns exec "$mains_ns" "$plcsim" -i zdm0 --ready-file "$work/ready" >"$work/plcsim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/ready" ] && break; sleep 0.05; done
[ -e "$work/ready" ] || { echo "plcsim did not start:" >&2; cat "$work/plcsim.out" >&2; exit 1; }

echo "Simulated network: plcsim on zdm0, zentrel on zdh0 (scratch directory $work)"
echo
(cd "$work" && ip netns exec "$host_ns" "$zentrel" scan)
