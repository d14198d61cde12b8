#!/usr/bin/env bash
# Runs the main job on the built-in simulated network: plcsim with its defaults (a local device
# and three stations) on one end of a veth pair, the program on the other, each in its own network
# namespace. With a display the desktop program opens there; without one `zentrel scan` prints
# the network. Everything made here is removed on exit.
#   tools/demo.sh [BUILD_DIR]      (make demo)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
PLCSIM=$build/tools/plcsim/plcsim
zentrel=$build/src/app/zentrel
utility=$build/src/app/zentrel-utility

# shellcheck source=tools/simnet.sh
. "$root/tools/simnet.sh"

for program in "$PLCSIM" "$zentrel"; do
  [ -x "$program" ] || { echo "demo: $program is not built (run make build)" >&2; exit 1; }
done
simnet_check

work=
cleanup() {
  simnet_down
  [ -n "$work" ] && rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

simnet_up
simnet_sim --log "$simnet_dir/frames.log"
work=$(simnet_workdir "$root")
echo "Simulated network: plcsim plays a local device and three stations on 'plc0' (namespace"
echo "$simnet_mains_ns); the program sees it through 'eth0' (namespace $simnet_host_ns)."
echo "Work directory (plc.data and the default images): $work"

if simnet_display && [ -x "$utility" ]; then
  echo "Starting zentrel-utility on ${WAYLAND_DISPLAY:+Wayland display $WAYLAND_DISPLAY}${WAYLAND_DISPLAY:-X display $DISPLAY}."
  echo "It lists the stations after its first scan (about 4 seconds). Close it to end the demo."
  status=0
  (cd "$work" && simnet_host "$utility") || status=$?
  if [ "$status" != 0 ]; then
    echo "zentrel-utility ended with status $status." >&2
    if [ -n "${DISPLAY:-}" ] && [ "$(id -u)" = 0 ]; then
      echo "If it could not open the display as root, allow it with 'xhost +si:localuser:root'." >&2
    fi
    exit "$status"
  fi
  exit 0
fi

if [ ! -x "$utility" ]; then
  echo "zentrel-utility is not built; running 'zentrel scan' instead."
elif [ -n "$simnet_display_note" ]; then
  echo "$simnet_display_note Running 'zentrel scan' instead."
else
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running 'zentrel scan' instead."
fi
echo
(cd "$work" && simnet_host "$zentrel" scan)
