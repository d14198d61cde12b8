# Shared by the bench scripts: a throw-away pair of network namespaces joined by a veth pair,
# plcsim on the "mains" end, commands run on the "host" end. Needs root. Everything is removed by
# name and by PID on exit.
#   lab_up; lab_sim ARGS...; lab_host CMD...; lab_down (also run on EXIT)
lab_id=zb$$
lab_host_ns=${lab_id}h
lab_mains_ns=${lab_id}m
lab_sim_pid=
lab_dir=$(mktemp -d /tmp/zentrel-bench.XXXXXX)

lab_up() {
  [ "$(id -u)" = 0 ] || { echo "needs root (network namespaces)" >&2; exit 1; }
  ip netns add "$lab_host_ns"
  ip netns add "$lab_mains_ns"
  ip link add "${lab_id}a" type veth peer name "${lab_id}b"
  ip link set "${lab_id}a" netns "$lab_host_ns"
  ip link set "${lab_id}b" netns "$lab_mains_ns"
  ip -n "$lab_host_ns" link set "${lab_id}a" name eth0
  ip -n "$lab_mains_ns" link set "${lab_id}b" name eth0
  ip -n "$lab_host_ns" link set eth0 up
  ip -n "$lab_mains_ns" link set eth0 up
  ip -n "$lab_host_ns" link set lo up
}

# Starts plcsim on the mains end with the given arguments and waits for its capture.
lab_sim() {
  lab_sim_stop
  rm -f "$lab_dir/ready"
  ip netns exec "$lab_mains_ns" "$PLCSIM" -i eth0 --ready-file "$lab_dir/ready" "$@" \
    >"$lab_dir/plcsim.out" 2>&1 &
  lab_sim_pid=$!
  for _ in $(seq 100); do [ -e "$lab_dir/ready" ] && return 0; sleep 0.05; done
  echo "plcsim did not start" >&2
  return 1
}

lab_sim_stop() {
  if [ -n "$lab_sim_pid" ]; then
    kill "$lab_sim_pid" 2>/dev/null || true
    wait "$lab_sim_pid" 2>/dev/null || true
    lab_sim_pid=
  fi
}

lab_host() { ip netns exec "$lab_host_ns" "$@"; }

lab_down() {
  lab_sim_stop
  ip netns del "$lab_host_ns" 2>/dev/null || true
  ip netns del "$lab_mains_ns" 2>/dev/null || true
  rm -rf "$lab_dir"
}
trap lab_down EXIT
