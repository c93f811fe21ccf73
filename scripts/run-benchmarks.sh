#!/usr/bin/env bash
# Runs every benchmark program of a build. Extra arguments go to Google Benchmark.
set -euo pipefail
build_dir=${1:?build directory}
shift
for b in "$build_dir"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
