#!/usr/bin/env bash
# Runs the main job on the built-in simulated network.
set -euo pipefail
build=${1:-build}
echo "zentrel built at $build/src/app/zentrel:"
"$build/src/app/zentrel" --version
echo "The simulated network (plcsim in a network namespace) and 'zentrel scan' are still to come."
