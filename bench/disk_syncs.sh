#!/usr/bin/env bash
# How often `zentrel watch` replaces plc.data and syncs it to disk per scan cycle, against plcsim
# (a local device and three stations) on the simulated network. Each build given is measured in
# the same run, so that two builds compare on the same machine and disk:
#   sudo bench/disk_syncs.sh [BUILD_DIR...] [-- CYCLES]      (defaults: build, 20 cycles)
# Counts the rename and fsync calls of the whole process with strace (apt-get install strace).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=()
cycles=20
while [ $# -gt 0 ]; do
  if [ "$1" = -- ]; then cycles=${2:-20}; break; fi
  builds+=("$1"); shift
done
[ ${#builds[@]} -gt 0 ] || builds=(build)
command -v strace >/dev/null || { echo "disk_syncs: strace is missing" >&2; exit 1; }

# shellcheck source=tools/simnet.sh
. "$root/tools/simnet.sh"
simnet_check
work=
cleanup() {
  simnet_down
  if [ -n "$work" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

simnet_up
PLCSIM=
for build in "${builds[@]}"; do
  case "$build" in /*) ;; *) build=$root/$build ;; esac
  [ -x "$build/src/app/zentrel" ] || { echo "disk_syncs: $build/src/app/zentrel is not built" >&2; exit 1; }
  [ -n "$PLCSIM" ] || PLCSIM=$build/tools/plcsim/plcsim
done
# shellcheck disable=SC2119  # plcsim's defaults
simnet_sim
work=$(mktemp -d /tmp/zentrel-syncs.XXXXXX)

# Counts in "$work/trace" after `zentrel watch --cycles N` from BUILD: sets renames and fsyncs.
count() {
  local build=$1 n=$2
  (cd "$work/run" && simnet_host strace -f -qq -o "$work/trace" -e trace=rename,renameat,renameat2,fsync,fdatasync \
    "$build/src/app/zentrel" watch --cycles "$n" >/dev/null)
  renames=$(grep -cE 'rename(at2?)?\(.*plc\.data' "$work/trace" || true)
  fsyncs=$(grep -cE 'f(data)?sync\(' "$work/trace" || true)
}

# The start (its scan is watch's first cycle) and the end save too: a run of one cycle gives
# them alone, and the difference to a run of 1 + CYCLES gives the timer's cycles alone.
echo "zentrel watch against plcsim (3 stations): plc.data replaced, fsync calls (whole process)"
printf "%-36s %14s %14s %16s %16s\n" build "start+end ren" "start+end fsync" "renames/cycle" "fsyncs/cycle"
for build in "${builds[@]}"; do
  case "$build" in /*) ;; *) build=$root/$build ;; esac
  rm -rf "$work/run" && mkdir "$work/run"
  # A first run leaves plc.data, so the measured ones start as every later start does.
  (cd "$work/run" && simnet_host "$build/src/app/zentrel" watch --cycles 1 >/dev/null)
  count "$build" 1
  r1=$renames f1=$fsyncs
  count "$build" $((cycles + 1))
  awk -v b="$build" -v r1="$r1" -v f1="$f1" -v r="$renames" -v f="$fsyncs" -v c="$cycles" \
    'BEGIN { printf "%-36s %14d %14d %16.2f %16.2f\n", b, r1, f1, (r - r1) / c, (f - f1) / c }'
done
