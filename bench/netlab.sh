# Shared by the bench scripts: the simulated network of tools/simnet.sh under the lab_* names
# they use. Needs root. Everything is removed by name and by PID on exit.
#   lab_up; lab_sim ARGS...; lab_host CMD...; lab_down (also run on EXIT)
# shellcheck source=tools/simnet.sh
. "$(dirname "${BASH_SOURCE[0]}")/../tools/simnet.sh"

lab_mains_if=plc0  # the simulator's end of the veth pair, in $lab_mains_ns

lab_up() {
  simnet_up || exit 1
  lab_host_ns=$simnet_host_ns
  lab_mains_ns=$simnet_mains_ns
  lab_dir=$simnet_dir
}
lab_sim() { simnet_sim "$@"; }
lab_sim_stop() { simnet_sim_stop; }
lab_host() { simnet_host "$@"; }
lab_down() { simnet_down; }
trap lab_down EXIT
