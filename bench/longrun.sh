#!/usr/bin/env bash
# Long run: `zentrel watch` against plcsim while stations join and leave (plcsim is restarted
# with 1, 3 or 5 stations every PERIOD seconds). Prints, every SAMPLE seconds, the watcher's open
# file descriptors, resident memory, plc.data's size and the stations of its last cycle; at the
# end the first and last figures side by side. Needs root.
#   usage: bench/longrun.sh [BUILD-DIR] [SECONDS] [PERIOD] [SAMPLE]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
duration=${2:-600}
period=${3:-20}
sample=${4:-10}
ZENTREL=$(realpath "$build/src/app/zentrel")
PLCSIM=$(realpath "$build/tools/plcsim/plcsim")
. bench/netlab.sh
lab_up

# Configurations with the local device and the first 1, 3 or 5 stations.
"$PLCSIM" --print-config >"$lab_dir/full.ini"
python3 - "$lab_dir" <<'PY'
import sys, re
d = sys.argv[1]
text = open(f"{d}/full.ini").read()
parts = re.split(r"(?m)^(?=\[station\])", text)
head, stations = parts[0], parts[1:]
while len(stations) < 5:  # make up more stations from the last one
    n = len(stations) + 2
    s = stations[-1]
    s = re.sub(r"(?m)^mac = (.*):..$", lambda m: f"mac = {m.group(1)}:{n:02X}", s)
    s = re.sub(r"(?m)^tei = .*$", f"tei = {n}", s)
    stations.append(s)
for k in (1, 3, 5):
    open(f"{d}/s{k}.ini", "w").write(head + "".join(stations[:k]))
PY

lab_sim -c "$lab_dir/s3.ini"
(cd "$lab_dir" && exec ip netns exec "$lab_host_ns" "$ZENTREL" watch --json >"$lab_dir/watch.out" 2>"$lab_dir/watch.err") &
watch_pid=$!
sleep 1
# The watcher itself (ip netns exec replaces itself with it).
pid=$watch_pid

figures() {
  local fds rss size last
  fds=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l)
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null)
  size=$(stat -c %s "$lab_dir/plc.data" 2>/dev/null || echo 0)
  last=$(tail -n 1 "$lab_dir/watch.out" 2>/dev/null | python3 -c 'import json,sys
try: print(len(json.loads(sys.stdin.read())["stations"]))
except Exception: print("-")')
  printf '%6ds  fds %3s  rss %6s kB  plc.data %7s B  stations %s  cycles %s\n' \
    "$((SECONDS - t0))" "$fds" "$rss" "$size" "$last" "$(wc -l <"$lab_dir/watch.out")"
}

t0=$SECONDS
configs=(s1 s5 s3)
next_change=$period
k=0
first=$(figures); echo "$first"
while [ $((SECONDS - t0)) -lt "$duration" ]; do
  sleep "$sample"
  kill -0 "$pid" 2>/dev/null || { echo "zentrel watch ended early:"; cat "$lab_dir/watch.err"; exit 1; }
  if [ $((SECONDS - t0)) -ge "$next_change" ]; then
    lab_sim -c "$lab_dir/${configs[$((k % 3))]}.ini"
    k=$((k + 1))
    next_change=$((next_change + period))
  fi
  figures
done
last=$(figures)
kill -INT "$pid"; wait "$pid" 2>/dev/null || true
echo "first: $first"
echo "last:  $last"
