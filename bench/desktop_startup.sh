#!/usr/bin/env bash
# Start-up of the desktop program against plcsim (defaults: a local device and three stations) on
# the simulated network, under a private Xvfb:
#   - time from starting zentrel-utility to the full station list painted, from an empty work
#     directory (a fresh install: only the default images) and with the plc.data that run left;
#   - the floor for that, measured in the same run: a bare Qt dialog of the window's size
#     (bench/BareDialog.cpp) started the same way, timed to the end of its first paint, and the
#     ratio of each case to the floor of the same round (median over the rounds, and where that
#     median lies with about 95 % confidence);
#   - the median of each mark of the program's start, for a profile of where the time goes, and
#     of the page faults taken by each mark, for where memory is touched for the first time;
#   - the CPU time the program, and its UI thread alone, used from the start to the full list;
#   - the first scan cycle's marks, idle CPU of the running program over 10 s once the list is up
#     (scan cycles included), and its resident memory.
# The times come from the programs themselves: both are started with ZENTREL_STARTUP_TRACE set and
# write "EVENT SECONDS" lines (wall clock) as they reach each mark; the script takes the wall clock
# just before it starts one and reads the file afterwards. "Painted" is the end of the paint
# event that completes the picture: the bare dialog's first one, its line of text drawn, and the
# program's first paint of the powerline list with all the stations in it (and of the local device
# list with its device). Both are timed to the end, as a text cannot be drawn before the fonts are
# loaded, which the program needs to lay out its window and the bare dialog first does when it
# draws its line. The image goes to the X server when that paint pass ends, for both alike.
# Nothing polls the X server or the program while it starts.
#   sudo bench/desktop_startup.sh [BUILD_DIR] [RUNS] [OTHER_BUILD_DIR...]   (defaults: build, 3)
# Other builds (an older one, to compare; it must have the start-up trace, with the lists' marks at
# the end of their paints) are measured in the same run, in turn with the first and the floor; the
# idle figures are the first build's.
# Needs root and: apt-get install -y xvfb xdotool (and dbus-daemon, see below)
set -euo pipefail

# A desktop session has a session bus, and the toolkit's accessibility bridge connects to it when
# the first widget appears. Without one, libdbus tries to start a bus and the toolkit waits for
# that on its UI thread: milliseconds that no desktop user sees, for the program and the floor
# alike. So the bench runs in a private session bus of its own when there is none. Its socket is
# a file, which the programs reach from inside the host namespace.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
  bus_conf=$(mktemp --suffix=.conf)
  cat >"$bus_conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$(mktemp -u "${TMPDIR:-/tmp}/zentrel-bench-bus.XXXXXX")</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
  # The bus daemon reads its configuration as it starts; the run removes the file.
  ZENTREL_BENCH_BUS_CONF=$bus_conf exec dbus-run-session --config-file="$bus_conf" -- "$0" "$@"
fi
if [ -n "${ZENTREL_BENCH_BUS_CONF:-}" ]; then rm -f "$ZENTREL_BENCH_BUS_CONF"; fi
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
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "desktop_startup: $tool is missing" >&2; exit 1; }
done
for program in "$PLCSIM" "$utility" "$bare"; do
  [ -x "$program" ] || { echo "desktop_startup: $program is not built" >&2; exit 1; }
done
simnet_desktop_up
# shellcheck disable=SC2119  # plcsim's defaults
simnet_sim --log "$simnet_dir/frames.log"
work=$(simnet_workdir "$root")
mkdir -m 0700 "$simnet_dir/run"
cd "$work"

# The stations plcsim lists by default; the list is full when it shows them all.
stations=3
# A descriptor that never has data: "read -t" on it waits without starting a process.
exec {never}<> <(:)

# Starts the program (or the command given) with the trace and waits until it has painted what is
# awaited (the full list, or the end of the bare dialog's first paint); sets app_pid and trace,
# the trace file with its times made relative to the start ("EVENT SECONDS_SINCE_START FAULTS CPU
# THREAD_CPU"), and started.
start_app() {
  local awaited=("local-list-rows=[1-9]*" "powerline-list-rows=$stations")
  [ $# -gt 0 ] || set -- "$utility"
  [ "$1" != "$bare" ] || awaited=(window-painted)
  raw=$simnet_dir/trace.raw
  trace=$simnet_dir/trace
  : >"$raw"
  started=$(date +%s.%N)
  simnet_host_bg env ZENTREL_STARTUP_TRACE="$raw" XDG_RUNTIME_DIR="$simnet_dir/run" "$@"
  app_pid=$simnet_pid
  # Read with the shell's own builtins: no process is started beside the program while it starts.
  local deadline=$((SECONDS + 30)) event rest want got
  while [ $SECONDS -lt $deadline ]; do
    got=0
    for want in "${awaited[@]}"; do
      while read -r event rest; do
        # shellcheck disable=SC2254  # a pattern
        case "$event" in $want) got=$((got + 1)); break ;; esac
      done <"$raw"
    done
    [ "$got" -lt ${#awaited[@]} ] || break
    read -rt 0.05 -u "$never" || true
  done
  relative_trace
}

# Makes the trace relative to the start, as far as the program has written it; keeps each mark's
# page faults and CPU seconds ("EVENT SECONDS_SINCE_START FAULTS CPU THREAD_CPU").
relative_trace() {
  awk -v s="$started" '{ printf "%s %.4f %s %s %s\n", $1, $2 - s, $3, $4, $5 }' "$raw" >"$trace"
}

# Field $2 of the first mark of the trace matching the pattern (an awk regex, whole event), or
# nothing: 2 the seconds from the start, 3 the page faults, 4 the CPU seconds, 5 the UI thread's.
field() { awk -v p="^($1)\$" -v f="$2" '$1 ~ p { print $f; exit }' "$trace"; }
mark() { field "$1" 2; }
# The program's CPU seconds, all threads ($2 = 4) or the UI thread's ($2 = 5), at the latest of the
# marks matching the pattern.
cpu_at() { awk -v p="^($1)\$" -v f="$2" '$1 ~ p && $f > c { c = $f } END { print c + 0 }' "$trace"; }

stop_app() {
  # Esc closes the sheet the way the user does, so plc.data is saved.
  local wid
  wid=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n1 || true)
  if [ -n "$wid" ]; then xdotool mousemove --window "$wid" 5 5 key Escape; fi
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
  # The program saved plc.data as it closed; its write-back would otherwise fall into the next
  # case's start, which is always the same one.
  sync
}

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Where the median of the values lies with about 95 % confidence, from their order alone: the j-th
# and k-th smallest, j and k as far from the middle as 1.96 standard deviations of a fair coin's
# count over that many tosses (rounded; the 14th and 27th of 40). "LOW HIGH", or "- -" for fewer
# than 6 values. Two cases whose intervals overlap are not told apart by the run.
median_interval() {
  sort -n | awk '{ v[NR] = $1 }
    END {
      if (NR < 6) { print "- -"; exit }
      half = 1.96 * sqrt(NR) / 2
      j = int(NR / 2 - half + 0.5); if (j < 1) j = 1
      k = int(NR / 2 + 1 + half + 0.5); if (k > NR) k = NR
      print v[j], v[k]
    }'
}

echo "zentrel-utility start-up with plcsim ($stations stations), $runs rounds; seconds from the start"
printf "%-44s %9s   %11s   %s\n" case "full list" "first paint" "x floor of the round"
# A first start, not counted, warms the caches for all and gives the window's size for the floor.
start_app
wid=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n1 || true)
size=$(xdotool getwindowgeometry --shell "$wid" | awk -F= '/^WIDTH/ { w = $2 } /^HEIGHT/ { h = $2 } END { print w, h }')
stop_app
# The marks of the profile, in the order the program reaches them.
profile=(main window-loaded qapplication preferences sheet-built main-page-init main-page-init-core-done main-page-up shown
  window-paint window-painted "local-list-rows=[1-9][0-9]*" "powerline-list-rows=$stations")
declare -A times ratios marks faulted ui_at cpu_program cpu_ui by_place
cases=()
# Each round runs the floor and every build's two starts once, so that all see the same machine.
# A start right after another program's exit can still meet that exit's aftermath: the starts move
# on one place after the floor each round, so that over the rounds each comes at every place as
# often as the others, and the ratios by place are shown at the end: they differ beyond the noise
# only when something the previous program left behind falls into the next start.
pairs=()
for each in "${builds[@]}"; do pairs+=("existing|$each" "fresh|$each"); done
for _ in $(seq "$runs"); do
  for pair in floor "${pairs[@]}"; do
    start=${pair%%|*}
    case=${pair#*|}
    if [ "$case" = floor ]; then
      # shellcheck disable=SC2086  # WIDTH HEIGHT
      start_app "$bare" $size
      label=floor
      full=$(mark window-painted)
      cpu_marks=window-painted
    else
      if [ "$start" = fresh ]; then rm -f "$work/plc.data" "$work/OEMPrefs.dat"; fi
      start_app "$case/src/app/zentrel-utility"
      label="$start $case"
      local_list=$(mark "local-list-rows=[1-9][0-9]*")
      stations_list=$(mark "powerline-list-rows=$stations")
      full=
      if [ -n "$local_list" ] && [ -n "$stations_list" ]; then
        full=$(awk -v a="$local_list" -v b="$stations_list" 'BEGIN { print (a > b) ? a : b }')
      fi
      cpu_marks="local-list-rows=[1-9][0-9]*|powerline-list-rows=$stations"
    fi
    first=$(mark window-paint)
    if [ -z "$full" ]; then
      echo "desktop_startup: $label: the awaited paint did not come within 30 s; its trace:" >&2
      cat "$trace" >&2
      exit 1
    fi
    [ -n "${times[$label]:-}" ] || cases+=("$label")
    times[$label]+="$full "
    cpu_program[$label]+="$(cpu_at "$cpu_marks" 4) "
    cpu_ui[$label]+="$(cpu_at "$cpu_marks" 5) "
    for event in "${profile[@]}"; do
      marks[$label|$event]+="$(mark "$event") "
      faulted[$label|$event]+="$(field "$event" 3) "
      ui_at[$label|$event]+="$(field "$event" 5) "
    done
    # Against the floor of the same round: a machine whose load changes between rounds
    # moves both alike.
    ratio=1
    if [ "$case" = floor ]; then round_floor=$full; place=0; else
      ratio=$(awk -v m="$full" -v f="$round_floor" 'BEGIN { printf "%.3f", m / f }')
      ratios[$label]+="$ratio "
      place=$((place + 1))
      by_place[$place]+="$ratio "
    fi
    printf "%-44s %9.3f   %11.3f   %.2f\n" "$label" "$full" "$first" "$ratio"
    if [ -n "${ZENTREL_BENCH_VERBOSE:-}" ]; then sed 's/^/    /' "$trace"; fi
    stop_app
    if [ "$start" = fresh ] && [ "$case" != floor ] && [ ! -s "$work/plc.data" ]; then
      echo "desktop_startup: the program left no plc.data" >&2
      exit 1
    fi
  done
  pairs=("${pairs[@]:1}" "${pairs[0]}")
done

values() { tr ' ' '\n' <<<"$1" | grep .; }
floor=$(values "${times[floor]}" | median)
# The fastest run is the one the rest of the machine disturbed least.
fastest() { sort -n | head -n1; }
floor_min=$(values "${times[floor]}" | fastest)
echo
echo "floor: a bare dialog of $size to the end of its first paint, median $floor s, fastest $floor_min s"
for label in "${cases[@]}"; do
  [ "$label" != floor ] || continue
  m=$(values "${times[$label]}" | median)
  r=$(values "${ratios[$label]}" | median)
  fm=$(values "${times[$label]}" | fastest)
  read -r rlo rhi < <(values "${ratios[$label]}" | median_interval)
  awk -v c="$label" -v m="$m" -v f="$floor" -v r="$r" -v lo="$rlo" -v hi="$rhi" -v fm="$fm" -v ff="$floor_min" \
    'function x(v) { return v == "-" ? v : sprintf("%.2f", v) }
     BEGIN { printf "%-40s median %.3f s = %.2f x the floor (median of the rounds: %.2f x, 95 %% interval %s to %s); fastest %.3f s = %.2f x\n", c, m, m / f, r, x(lo), x(hi), fm, fm / ff }'
done
places=
for ((place = 1; place <= ${#pairs[@]}; place++)); do
  places+="${places:+, }$(printf "%d: %.2f x" "$place" "$(values "${by_place[$place]}" | median)")"
done
echo "the rounds' ratios by place after the floor, all cases together (median): $places"

# One row per mark of the profile, one column per case: the median of what the associative array
# named first ("case|mark" keys) holds, in the printf conversion given second.
profile_table() {
  local -n table=$1
  local event label list
  printf "%-28s" mark
  for label in "${cases[@]}"; do printf " %22.22s" "$label"; done
  echo
  for event in "${profile[@]}"; do
    printf "%-28s" "${event%%\[*}"
    for label in "${cases[@]}"; do
      list=$(values "${table[$label|$event]:-}" || true)
      # shellcheck disable=SC2059  # the conversion is the caller's
      if [ -n "$list" ]; then printf " %22$2" "$(median <<<"$list")"; else printf " %22s" -; fi
    done
    echo
  done
}
echo
echo "profile: median seconds from the start to each mark (floor: its own marks)"
profile_table marks .4f
echo
echo "page faults the process had taken at each mark (median; the floor at its own marks): the"
echo "memory touched for the first time, each page a trap and a page to clear or map"
profile_table faulted .0f
echo
echo "CPU seconds the UI thread had used at each mark (median; the floor at its own marks)"
profile_table ui_at .4f

echo
echo "CPU the program used from the start to the full list (the floor: to its first paint's end),"
echo "median milliseconds, its loading included: all its threads, and its UI thread alone, whose work"
echo "is one step after the other; the X server's share comes on top, on the same cores"
printf "%-44s %12s %12s\n" case "all threads" "UI thread"
for label in "${cases[@]}"; do
  p=$(values "${cpu_program[$label]}" | median)
  u=$(values "${cpu_ui[$label]}" | median)
  awk -v c="$label" -v p="$p" -v u="$u" 'BEGIN { printf "%-44s %12.1f %12.1f\n", c, p * 1e3, u * 1e3 }'
done

# Idle: the list is up, nobody touches the program; its own scan cycles keep running.
start_app
hz=$(getconf CLK_TCK)
before=$(ticks "$app_pid")
sleep 10
after=$(ticks "$app_pid")
relative_trace
echo
echo "first scan cycle: begun $(mark first-cycle-begin) s, ended $(mark first-cycle-end) s after the start" \
  "(the Main page was up at $(mark main-page-up) s)"
awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { printf "idle CPU over 10 s: %.2f %% of one core (%d ticks of 1/%d s)\n", t / hz / 10 * 100, t, hz }'
grep -E '^(VmRSS|VmHWM)' "/proc/$app_pid/status" | sed 's/^/memory: /'
stop_app
