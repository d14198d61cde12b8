#!/usr/bin/env bash
# Start-up of the desktop program against plcsim (defaults: a local device and three stations) on
# the simulated network, under a private Xvfb:
#   - time from starting zentrel-utility to the full station list on screen, from an empty work
#     directory (a fresh install: only the default images) and with the plc.data that run left;
#   - the floor for that, measured in the same run: a bare Qt dialog of the window's size
#     (bench/BareDialog.cpp) started and watched the same way, timed to its first paint, and the
#     ratio of each case's median to the floor's;
#   - idle CPU of the running program over 10 s once the list is up (scan cycles included);
#   - its resident memory.
# "On screen" is read from the X server, not from the program: the window is captured (xwd)
# every 50 ms or so, and the list is full at the first capture whose powerline-list area equals the
# area of the settled final capture (unchanged for 3 s, with rows of text in it).
#   sudo bench/desktop_startup.sh [BUILD_DIR] [RUNS] [OTHER_BUILD_DIR...]   (defaults: build, 3)
# Other builds (an older one, to compare) are measured in the same run, in turn with the first
# and the floor; the idle figures are the first build's.
# Needs root and: apt-get install -y xvfb x11-apps xdotool python3
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
runs=${2:-3}
case "$build" in /*) ;; *) build=$root/$build ;; esac
builds=("$build")
for other in "${@:3}"; do
  case "$other" in /*) ;; *) other=$root/$other ;; esac
  [ -x "$other/src/app/zentrel-utility" ] || { echo "desktop_startup: $other/src/app/zentrel-utility is not built" >&2; exit 1; }
  builds+=("$other")
done
PLCSIM=$build/tools/plcsim/plcsim
utility=$build/src/app/zentrel-utility
bare=$build/bench/bare_dialog

# shellcheck source=tools/simnet.sh
. "$root/tools/simnet.sh"
for tool in Xvfb xwd xdotool python3; do
  command -v "$tool" >/dev/null || { echo "desktop_startup: $tool is missing" >&2; exit 1; }
done
for program in "$PLCSIM" "$utility" "$bare"; do
  [ -x "$program" ] || { echo "desktop_startup: $program is not built" >&2; exit 1; }
done
simnet_check

xvfb_pid=
app_pid=
work=
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  simnet_down
  if [ -n "$work" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:$display
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.05; done

simnet_up
# shellcheck disable=SC2119  # plcsim's defaults
simnet_sim --log "$simnet_dir/frames.log"
work=$(simnet_workdir "$root")
mkdir -m 0700 "$simnet_dir/run"
cd "$work"

# Watches the program's window from its start until the list has settled; prints
# "SECONDS_TO_FULL_LIST SECONDS_TO_FIRST_WINDOW CAPTURES TEXT_LINES". Arguments: the program's
# PID, its start time, and anything as a third to print the changes of the list on stderr.
watch_list() {
  python3 - "$@" <<'EOF'
import hashlib, struct, subprocess, sys, time
pid, start = sys.argv[1], float(sys.argv[2])

def window():
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", pid], capture_output=True, text=True)
    ids = r.stdout.split()
    return ids[0] if ids else None

def list_area(wid):
    """(hash, text lines) of the powerline list's area of the window, or None."""
    r = subprocess.run(["xwd", "-id", wid, "-silent"], capture_output=True)
    data = r.stdout
    if r.returncode != 0 or len(data) < 100:
        return None
    header = struct.unpack(">25I", data[:100])
    header_size, width, height, bpl, ncolors = header[0], header[4], header[5], header[12], header[19]
    bpp = header[11] // 8
    offset = header_size + 12 * ncolors
    # The list sits at dialog-unit positions, so it scales with the window: on a 615 x 640
    # window its rows span x 24..590, y 194..552 (below the header).
    x0, x1 = 24 * width // 615, 590 * width // 615
    y0, y1 = 194 * height // 640, 552 * height // 640
    h = hashlib.sha1()
    lines, inside = 0, False
    for y in range(y0, y1):
        row = offset + y * bpl
        pixels = data[row + x0 * bpp: row + x1 * bpp]
        h.update(pixels)
        # A text line: a run of pixel rows with something darker than the list's background.
        ink = bool(pixels) and min(pixels) < 128
        if ink and not inside:
            lines += 1
        inside = ink
    return h.hexdigest(), lines

wid, first_window, samples = None, None, []
deadline = start + 30
while time.time() < deadline:
    if wid is None:
        wid = window()
        if wid is None:
            time.sleep(0.01)
            continue
        first_window = time.time() - start
    t = time.time()
    area = list_area(wid)
    if area is None:
        continue
    samples.append((t - start, area[0], area[1]))
    # Settled: the same area for 3 s. The list is full from the first capture showing it.
    final = samples[-1][1]
    since = min(s[0] for s in samples if s[1] == final)
    if samples[-1][0] - since > 3 and samples[-1][2] > 0:
        print("%.3f %.3f %d %d" % (since, first_window, len(samples), samples[-1][2]))
        if len(sys.argv) > 3:
            changes = [s for i, s in enumerate(samples) if i == 0 or s[1] != samples[i - 1][1]]
            print("changes of the list area:", ["%.3f %s %d" % (t, d[:8], n) for t, d, n in changes], file=sys.stderr)
        sys.exit(0)
    # Leave the X server and the program room to draw: back-to-back captures starve them.
    time.sleep(0.04)
print("timeout %s %d 0" % (first_window, len(samples)))
sys.exit(1)
EOF
}

# Starts the program (or the command given) and watches it; sets app_pid, full, first, captures
# and lines.
start_app() {
  local start
  [ $# -gt 0 ] || set -- "$utility"
  start=$(date +%s.%N)
  simnet_host_bg env XDG_RUNTIME_DIR="$simnet_dir/run" "$@"
  app_pid=$simnet_pid
  watch_list "$app_pid" "$start" ${ZENTREL_BENCH_VERBOSE:+verbose} >"$simnet_dir/watch.out" || true
  read -r full first captures lines <"$simnet_dir/watch.out"
}

stop_app() {
  # Esc closes the sheet the way the user does, so plc.data is saved.
  local wid
  wid=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n1 || true)
  if [ -n "$wid" ]; then xdotool mousemove --window "$wid" 5 5 key Escape; fi
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
}

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "zentrel-utility start-up with plcsim (3 stations), $runs runs each; seconds"
printf "%-44s %9s   %12s   %8s   %s\n" case "full list" "first window" captures "text lines in the list"
# A first start, not counted, warms the caches for all and gives the window's size for the floor.
start_app
wid=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n1 || true)
size=$(xdotool getwindowgeometry --shell "$wid" | awk -F= '/^WIDTH/ { w = $2 } /^HEIGHT/ { h = $2 } END { print w, h }')
stop_app
declare -A times ratios
cases=()
# Each round runs the floor and every build's cases once, so that all see the same machine.
for _ in $(seq "$runs"); do
  for case in floor "${builds[@]}"; do
    for start in fresh existing; do
      if [ "$case" = floor ]; then
        [ "$start" = fresh ] || continue
        # shellcheck disable=SC2086  # WIDTH HEIGHT
        start_app "$bare" $size
        label=floor
      else
        if [ "$start" = fresh ]; then rm -f "$work/plc.data" "$work/OEMPrefs.dat"; fi
        start_app "$case/src/app/zentrel-utility"
        label="$start $case"
      fi
      printf "%-44s %9s   %12.3f   %8s   %s\n" "$label" "$full" "$first" "$captures" "$lines"
      [ -n "${times[$label]:-}" ] || cases+=("$label")
      times[$label]+="$full "
      # Against the floor of the same round: a machine whose load changes between rounds
      # moves both alike.
      if [ "$case" = floor ]; then round_floor=$full; else
        ratios[$label]+="$(awk -v m="$full" -v f="$round_floor" 'BEGIN { printf "%.3f", m / f }') "
      fi
      stop_app
      if [ "$start" = fresh ] && [ "$case" != floor ] && [ ! -s "$work/plc.data" ]; then
        echo "desktop_startup: the program left no plc.data" >&2
        exit 1
      fi
    done
  done
done
floor=$(tr ' ' '\n' <<<"${times[floor]}" | grep . | median)
# The fastest run is the one the rest of the machine disturbed least.
fastest() { sort -n | head -n1; }
floor_min=$(tr ' ' '\n' <<<"${times[floor]}" | grep . | fastest)
echo
echo "floor: a bare dialog of $size to its first paint, median $floor s, fastest $floor_min s"
for label in "${cases[@]}"; do
  [ "$label" != floor ] || continue
  m=$(tr ' ' '\n' <<<"${times[$label]}" | grep . | median)
  r=$(tr ' ' '\n' <<<"${ratios[$label]}" | grep . | median)
  fm=$(tr ' ' '\n' <<<"${times[$label]}" | grep . | fastest)
  awk -v c="$label" -v m="$m" -v f="$floor" -v r="$r" -v fm="$fm" -v ff="$floor_min" \
    'BEGIN { printf "%-40s median %.3f s = %.2f x the floor (rounds: %.2f x); fastest %.3f s = %.2f x\n", c, m, m / f, r, fm, fm / ff }'
done

# Idle: the list is up, nobody touches the program; its own scan cycles keep running.
start_app
hz=$(getconf CLK_TCK)
before=$(ticks "$app_pid")
sleep 10
after=$(ticks "$app_pid")
echo
awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { printf "idle CPU over 10 s: %.2f %% of one core (%d ticks of 1/%d s)\n", t / hz / 10 * 100, t, hz }'
grep -E '^(VmRSS|VmHWM)' "/proc/$app_pid/status" | sed 's/^/memory: /'
stop_app
