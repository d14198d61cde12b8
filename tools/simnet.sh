# shellcheck shell=bash
# shellcheck disable=SC2034  # the simnet_* variables are read by the scripts that source this file
# A throw-away simulated powerline network, shared by the demo, the screenshot script and the
# desktop start-up benchmark (source it, do not run it). Needs root: it makes two network
# namespaces joined by a veth pair, plcsim on the "mains" end and the program on the "host" end.
# Everything it makes is removed by name and by PID in simnet_down, which the caller puts in its
# EXIT trap.
#   simnet_up; simnet_sim [PLCSIM ARGS...]; simnet_host CMD...; simnet_host_bg CMD...; simnet_down
# Set PLCSIM to the plcsim binary before simnet_sim.

simnet_id=zs$$
simnet_host_ns=${simnet_id}h
simnet_mains_ns=${simnet_id}m
simnet_sim_pid=
simnet_dir=
simnet_made=
# Why simnet_display said no, when it is not simply that no display is set.
simnet_display_note=

simnet_check() {
  if [ "$(id -u)" != 0 ]; then
    echo "The simulated network needs root (it creates network namespaces and a veth pair)." >&2
    echo "Run it again with sudo." >&2
    return 1
  fi
  if ! ip netns list >/dev/null 2>&1; then
    echo "The 'ip' tool with network-namespace support (iproute2) is missing." >&2
    return 1
  fi
}

simnet_up() {
  simnet_check || return 1
  simnet_dir=$(mktemp -d /tmp/zentrel-simnet.XXXXXX)
  simnet_made=1
  ip netns add "$simnet_host_ns"
  ip netns add "$simnet_mains_ns"
  # Made in the host namespace and pushed apart, so nothing stays in the caller's namespace even
  # for a moment.
  ip -n "$simnet_host_ns" link add eth0 address 02:5a:00:00:00:10 type veth peer name plc0 netns "$simnet_mains_ns"
  ip -n "$simnet_host_ns" link set lo up
  ip -n "$simnet_host_ns" link set eth0 up
  ip -n "$simnet_mains_ns" link set plc0 up
}

# Starts plcsim on the mains end (its defaults: one local device, three stations) and waits
# until its capture is open.
simnet_sim() {
  simnet_sim_stop
  rm -f "$simnet_dir/plcsim.ready"
  ip netns exec "$simnet_mains_ns" "$PLCSIM" -i plc0 --ready-file "$simnet_dir/plcsim.ready" "$@" \
    >"$simnet_dir/plcsim.out" 2>&1 &
  simnet_sim_pid=$!
  local _
  for _ in $(seq 100); do
    [ -e "$simnet_dir/plcsim.ready" ] && return 0
    if ! kill -0 "$simnet_sim_pid" 2>/dev/null; then
      echo "plcsim ended at start:" >&2
      cat "$simnet_dir/plcsim.out" >&2
      simnet_sim_pid=
      return 1
    fi
    sleep 0.05
  done
  echo "plcsim did not get ready within 5 s" >&2
  return 1
}

simnet_sim_stop() {
  if [ -n "$simnet_sim_pid" ]; then
    kill "$simnet_sim_pid" 2>/dev/null || true
    wait "$simnet_sim_pid" 2>/dev/null || true
    simnet_sim_pid=
  fi
}

simnet_host() { ip netns exec "$simnet_host_ns" "$@"; }

# Starts CMD in the background in the host namespace; its PID (that of the program itself, as
# ip and env exec it) goes to simnet_pid.
simnet_host_bg() {
  ip netns exec "$simnet_host_ns" "$@" &
  simnet_pid=$!
}

simnet_down() {
  [ -n "$simnet_made" ] || return 0
  simnet_made=
  simnet_sim_stop
  # Deleting a namespace deletes the veth end inside it, and with it the peer.
  ip netns del "$simnet_host_ns" 2>/dev/null || true
  ip netns del "$simnet_mains_ns" 2>/dev/null || true
  [ -n "$simnet_dir" ] && rm -rf "$simnet_dir"
  simnet_dir=
}

# For the scripts that run the desktop program in the host namespace: a private X server on a
# display nobody uses, with DISPLAY set for the program and ready when this returns. It does not
# reset when its last client leaves, as a desktop's server never does between two programs: a
# reset recompiles the keymap in a helper process (about 10 ms of CPU), which would fall into
# whatever program starts next.
simnet_xvfb() {
  local display=90
  while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  simnet_xvfb_pid=$!
  export DISPLAY=:$display
  for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.05; done
}

# Their common start: checks the host, sets the exit trap below (with the script's app_pid and
# work still empty), starts the X server, then the simulated network.
simnet_desktop_up() {
  simnet_check
  app_pid=
  work=
  trap simnet_desktop_cleanup EXIT
  trap 'exit 130' INT TERM
  simnet_xvfb
  simnet_up
}

# Their exit trap: stops the program (the script's $app_pid), the X server and the network, and
# removes the program's work directory (the script's $work).
simnet_desktop_cleanup() {
  if [ -n "${app_pid:-}" ]; then kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
  if [ -n "${simnet_xvfb_pid:-}" ]; then
    kill "$simnet_xvfb_pid" 2>/dev/null || true; wait "$simnet_xvfb_pid" 2>/dev/null || true
  fi
  simnet_down
  if [ -n "${work:-}" ]; then rm -rf "$work"; fi
}

# A work directory for the desktop program holding the shipped default images, as the installed
# launcher prepares it on first start.
simnet_workdir() {
  local root=$1 dir
  dir=$(mktemp -d "${TMPDIR:-/tmp}/zentrel-work.XXXXXX")
  cp "$root/assets/logo.ico" "$root/assets/oemSmall.bmp" "$root/assets/oemBig.bmp" "$dir/"
  echo "$dir"
}

# True when a display the program can reach from inside the host namespace is set. A display
# reached over TCP (DISPLAY=host:N, as ssh forwarding sets it) is not: the namespace has no route.
simnet_display() {
  if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    return 0
  fi
  case "${DISPLAY:-}" in
    "") return 1 ;;
    :* | unix:* | unix/*) return 0 ;;
    *) simnet_display_note="DISPLAY=$DISPLAY is reached over TCP, which the simulated network's namespace cannot route to."
       return 1 ;;
  esac
}
