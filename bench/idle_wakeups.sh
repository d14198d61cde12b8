#!/usr/bin/env bash
# Wake-ups of the idle desktop program: zentrel-utility runs against plcsim (a local device and
# three stations) on the simulated network under a private Xvfb, nobody touches it, and its
# voluntary context switches (a thread that went to sleep and was woken again) are summed over
# all its threads (/proc/PID/task/*/status) over SECONDS, its own scan cycles included. Each
# build given is measured in the same run:
#   sudo bench/idle_wakeups.sh [--no-device] [BUILD_DIR...] [-- SECONDS]   (defaults: build, 30 s)
# --no-device leaves plcsim out: the adapter is there but no device answers, as on a laptop whose
# powerline adapter is unplugged, and every cycle waits out its discovery.
# The main thread's line is what /proc/PID/status alone would show. The work directory, and so
# plc.data, is made under $TMPDIR (default /tmp), and its file system weighs in: each cycle's
# save costs one wakeup per fsync on a journaled ext4, four or five on an ext4 without a journal
# mounted with discard, none on tmpfs. TMPDIR=/mnt/some-ext4 measures there.
# Needs root and: apt-get install -y xvfb xdotool
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=()
seconds=30
device=yes
if [ "${1:-}" = --no-device ]; then device=; shift; fi
while [ $# -gt 0 ]; do
  if [ "$1" = -- ]; then seconds=${2:-30}; break; fi
  builds+=("$1"); shift
done
[ ${#builds[@]} -gt 0 ] || builds=(build)

# shellcheck source=tools/simnet.sh
. "$root/tools/simnet.sh"
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "idle_wakeups: $tool is missing" >&2; exit 1; }
done
simnet_desktop_up
PLCSIM=
for build in "${builds[@]}"; do
  case "$build" in /*) ;; *) build=$root/$build ;; esac
  [ -x "$build/src/app/zentrel-utility" ] || { echo "idle_wakeups: $build/src/app/zentrel-utility is not built" >&2; exit 1; }
  [ -n "$PLCSIM" ] || PLCSIM=$build/tools/plcsim/plcsim
done
if [ -n "$device" ]; then
  # shellcheck disable=SC2119  # plcsim's defaults
  simnet_sim
fi
mkdir -m 0700 "$simnet_dir/run"

# "NAME TID VOLUNTARY INVOLUNTARY" for each thread, all read at once
per_thread() {
  awk '/^Name:/ { n = $2 } /^Pid:/ { t = $2 } /^voluntary_ctxt_switches/ { v = $2 }
       /^nonvoluntary_ctxt_switches/ { print n, t, v, $2 }' /proc/"$1"/task/*/status 2>/dev/null || true
}

if [ -n "$device" ]; then
  # The simulator itself, before any program asks it anything: it sleeps until a frame comes.
  sleep 1
  per_thread "$simnet_sim_pid" >"$simnet_dir/sim.0"
  sleep 5
  per_thread "$simnet_sim_pid" >"$simnet_dir/sim.1"
  awk 'NR == FNR { v[$2] = $3; next } { dv += $3 - v[$2] } END { printf "plcsim idle, nobody asking, over 5 s: %d wakeups (%.2f/s)\n", dv, dv / 5 }' \
    "$simnet_dir/sim.0" "$simnet_dir/sim.1"
fi

against="against plcsim (3 stations)"
[ -n "$device" ] || against="with no device on its adapter"
echo "zentrel-utility idle $against over $seconds s; context switches of all threads"
printf "%-40s %8s %10s %12s %8s\n" build threads voluntary "wakeups/s" forced
for build in "${builds[@]}"; do
  case "$build" in /*) ;; *) build=$root/$build ;; esac
  work=$(simnet_workdir "$root")
  cd "$work"
  simnet_host_bg env XDG_RUNTIME_DIR="$simnet_dir/run" "$build/src/app/zentrel-utility"
  app_pid=$simnet_pid
  # Up and through its first cycles before the count starts.
  sleep 6
  per_thread "$app_pid" >"$simnet_dir/threads.0"
  sleep "$seconds"
  per_thread "$app_pid" >"$simnet_dir/threads.1"
  # A thread that ended in between counts with what it had at the start.
  read -r v n < <(awk 'NR == FNR { v[$2] = $3; n[$2] = $4; next } { dv += $3 - v[$2]; dn += $4 - n[$2] }
                       END { print dv + 0, dn + 0 }' "$simnet_dir/threads.0" "$simnet_dir/threads.1")
  threads=$(ls /proc/"$app_pid"/task | wc -l)
  awk -v b="$build" -v t="$threads" -v v="$v" -v n="$n" -v s="$seconds" \
    'BEGIN { printf "%-40s %8d %10d %12.2f %8d\n", b, t, v, v / s, n }'
  # Which threads they were.
  awk 'NR == FNR { was[$2] = $3; next } { printf "    thread %-16s %6d\n", $1, $3 - was[$2] }' \
    "$simnet_dir/threads.0" "$simnet_dir/threads.1"
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
  cd /
  rm -rf "$work"
  work=
done
