#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build directory and runs each for
# FUZZ_SECONDS. New inputs go to a working corpus in the build directory (the committed seeds in
# fuzz/corpus stay small); crashes land in BUILD/crashes/<target>/ and fail the run.
#   usage: fuzz/run.sh [BUILD-DIR] [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${2:-60}
shift $(( $# > 2 ? 2 : $# ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(confirmation stationtables database oemprefs vendorlist bmp)

if ! command -v clang++ >/dev/null; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang
  else
    echo "Fuzzing needs clang: sudo apt-get install -y clang" >&2
    exit 1
  fi
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTREL_FUZZ=ON \
  -DZENTREL_SANITIZE=ON -DZENTREL_BUILD_UI=OFF -DZENTREL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target fuzz_targets

status=0
for t in "${targets[@]}"; do
  work="$build/fuzz-corpus/$t"
  crashes="$build/crashes/$t"
  mkdir -p "$work" "$crashes"
  log="$build/fuzz-$t.log"
  echo "== $t: ${seconds}s"
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$crashes/" "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^Done [0-9]+ runs' "$log" || true
  if compgen -G "$crashes/*" >/dev/null; then
    echo "   crash inputs in $crashes (copy them to fuzz/corpus/$t once fixed):"
    ls "$crashes"
    status=1
  fi
done
exit $status
