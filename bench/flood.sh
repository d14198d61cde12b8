#!/usr/bin/env bash
# The highest flood rate at which discovery still succeeds. While `zentrel scan` runs against
# plcsim, RATE unrelated 0x88E1/0x887B frames per second reach the host from the mains side: sent
# by bench/flooder.py, a process of its own, or with FLOOD=plcsim by plcsim's --burst, which then
# answers the requests and floods from the same loop (at most 100000/s).
# A rate passes when every one of TRIES scans finds the local device and lists all stations.
#   usage: [FLOOD=flooder|plcsim] bench/flood.sh [BUILD-DIR] [TRIES] [RATES...]     (root)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tries=${2:-3}
shift $(( $# > 2 ? 2 : $# ))
rates=("$@")
flood=${FLOOD:-flooder}
[ ${#rates[@]} -gt 0 ] || rates=(0 1000 2000 5000 10000 20000 50000)
ZENTREL=$(realpath "$build/src/app/zentrel")
PLCSIM=$(realpath "$build/tools/plcsim/plcsim")
FLOODER=$(realpath bench/flooder.py)
. bench/netlab.sh
lab_up
stations=$("$PLCSIM" --print-config | grep -c '^\[station\]')
host_mac=$(ip -n "$lab_host_ns" -br link show eth0 | awk '{print $3}')
sim_mac=$("$PLCSIM" --print-config | awk '/^mac/ {print $3; exit}')
lab_sim

best=none
for rate in "${rates[@]}"; do
  ok=0
  sent_line=
  for _ in $(seq "$tries"); do
    rm -f "$lab_dir/plc.data"
    flood_pid=
    if [ "$flood" = plcsim ]; then
      sim_start=$(date +%s.%N)
      if [ "$rate" = 0 ]; then lab_sim; else lab_sim --burst "$rate"; fi
      sleep 0.2
    elif [ "$rate" != 0 ]; then
      rm -f "$lab_dir/flood.ready"
      ip netns exec "$lab_mains_ns" python3 "$FLOODER" "$lab_mains_if" "$rate" "$host_mac" "$sim_mac" 3600 \
        "$lab_dir/flood.ready" >"$lab_dir/flood.out" 2>&1 &
      flood_pid=$!
      for _ in $(seq 200); do [ -e "$lab_dir/flood.ready" ] && break; sleep 0.05; done
      sleep 0.2  # the flood is under way before the scan opens its captures
    fi
    out=$(cd "$lab_dir" && lab_host "$ZENTREL" scan --json 2>/dev/null || true)
    if [ -n "$flood_pid" ]; then
      kill -TERM "$flood_pid"; wait "$flood_pid" 2>/dev/null || true
      sent_line=$(cat "$lab_dir/flood.out")
    fi
    if [ "$flood" = plcsim ] && [ "$rate" != 0 ]; then
      lab_sim_stop
      sent_line="$(grep -o 'burst=[0-9]*' "$lab_dir/plcsim.out" | tail -n 1) seconds=$(awk -v a="$sim_start" -v b="$(date +%s.%N)" 'BEGIN {printf "%.2f", b - a}')"
    fi
    count=$(printf '%s' "$out" | python3 -c 'import json,sys
try: print(len(json.load(sys.stdin)["stations"]))
except Exception: print(-1)')
    [ "$count" = "$stations" ] && ok=$((ok + 1))
  done
  printf 'rate %6s/s: %d of %d scans listed all %d stations   last flood: %s\n' \
    "$rate" "$ok" "$tries" "$stations" "${sent_line:--}"
  if [ "$ok" = "$tries" ]; then best=$rate; fi
done
echo "highest flood rate with every scan complete: $best frames/s"
