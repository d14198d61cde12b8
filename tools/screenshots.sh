#!/usr/bin/env bash
# Takes the screenshots in docs/screenshots: the five pages and the two dialogs of zentrel-utility,
# running on a private X server (Xvfb) against plcsim on the simulated network (tools/simnet.sh).
# The windows are captured from the X server (xwd) and converted to PNG (ImageMagick).
#   sudo tools/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]      (defaults: build, docs/screenshots)
# Needs root for the network namespaces, and: apt-get install -y xvfb x11-apps x11-utils xdotool imagemagick
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
out=${2:-$root/docs/screenshots}
case "$build" in /*) ;; *) build=$root/$build ;; esac
case "$out" in /*) ;; *) out=$PWD/$out ;; esac
PLCSIM=$build/tools/plcsim/plcsim
utility=$build/src/app/zentrel-utility

# shellcheck source=tools/simnet.sh
. "$root/tools/simnet.sh"

missing=
for tool in Xvfb:xvfb xwd:x11-apps xprop:x11-utils xdotool:xdotool convert:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || missing="$missing ${tool#*:}"
done
if [ -n "$missing" ]; then
  echo "screenshots: missing tools; install them with: apt-get install -y$missing" >&2
  exit 1
fi
for program in "$PLCSIM" "$utility"; do
  [ -x "$program" ] || { echo "screenshots: $program is not built (run make build)" >&2; exit 1; }
done
simnet_desktop_up
xdotool getdisplaygeometry >/dev/null 2>&1 || { echo "screenshots: Xvfb did not start" >&2; exit 1; }
simnet_sim --log "$simnet_dir/frames.log"
work=$(simnet_workdir "$root")
# A runtime directory of its own, so that a copy of the program the user has open does not
# make this one refuse to start.
mkdir -m 0700 "$simnet_dir/run"
cd "$work"
simnet_host_bg env XDG_RUNTIME_DIR="$simnet_dir/run" "$utility"
app_pid=$simnet_pid

# Waits until a visible window of the program has the given title; prints its id.
window_named() {
  local id _
  for _ in $(seq 100); do
    id=$(xdotool search --all --onlyvisible --pid "$app_pid" --name "^$1\$" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then
      sleep 0.7  # mapped is not yet painted
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "screenshots: no window \"$1\" appeared" >&2
  return 1
}

sheet=
for _ in $(seq 100); do
  sheet=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n1 || true)
  [ -n "$sheet" ] && break
  sleep 0.1
done
[ -n "$sheet" ] || { echo "screenshots: the program opened no window" >&2; exit 1; }

# The list is filled by the first scan cycle, which asks the local device for its network
# information (a 0xA038 request in plcsim's frame log). Wait for it, then give the page time to
# draw the answer.
for _ in $(seq 200); do
  awk 'substr($2, 25, 4) == "88E1" && substr($2, 31, 4) == "38A0" { found = 1 } END { exit !found }' \
    "$simnet_dir/frames.log" 2>/dev/null && break
  sleep 0.1
done
sleep 1.5

mkdir -p "$out"
shot() {  # WINDOW NAME
  xwd -id "$1" -silent | convert xwd:- -strip "png:$out/$2.png"
  echo "$out/$2.png"
}

# The controls of the Main page sit at dialog-unit positions, so they scale with the window,
# which scales with the dialog font; these spots were read off a 713 x 598 window.
read -r width height < <(xdotool getwindowgeometry --shell "$sheet" | awk -F= '/^WIDTH/ {w = $2} /^HEIGHT/ {h = $2} END {print w, h}')
click() {  # X Y on the 615 x 640 layout
  xdotool mousemove --window "$sheet" $(($1 * width / 713)) $(($2 * height / 598)) click 1
  sleep 0.5
}

shot "$sheet" main
click 35 202  # the first powerline device, so that the password dialog names it
click 85 526  # Enter Password
shot "$(window_named 'Set Device Password')" set-device-password
xdotool key Escape
sleep 0.5
click 216 526  # Add Remote
shot "$(window_named 'Add Remote Device to Network')" add-remote-device
xdotool key Escape
sleep 0.5
for page in privacy diagnostics about; do
  xdotool key ctrl+Tab
  sleep 1
  shot "$sheet" "$page"
done

# The Rates page needs rates that change: plcsim starts again with every station's rates in a
# wave (the program keeps scanning; the lines run flat until then), and the chart gets time to
# gather a few waves' worth of cycles.
RATES_SECONDS=${RATES_SECONDS:-150}
simnet_sim --log "$simnet_dir/frames.log" --vary-rates 50
xdotool key ctrl+Tab
sleep "$RATES_SECONDS"
shot "$sheet" rates

# The Main page again, with the window at the smallest size it allows.
xdotool key ctrl+Tab
read -r min_width min_height < <(xprop -id "$sheet" WM_NORMAL_HINTS |
  awk '/minimum size/ { print $(NF - 2), $NF }')
xdotool windowsize "$sheet" "$min_width" "$min_height"
sleep 1
shot "$sheet" minimum-size
