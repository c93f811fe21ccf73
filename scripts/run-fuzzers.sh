#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a fixed time each, starting from the
# seed corpus in fuzz/corpus/<target> (copied, so the run adds nothing to the tree).
set -euo pipefail
build_dir=${1:?fuzz build directory}
seconds=${2:-20}
root="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for target in "$build_dir"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "$work/$name"
  if [ -d "$root/fuzz/corpus/$name" ]; then
    cp -r "$root/fuzz/corpus/$name/." "$work/$name/"
  fi
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=0 -artifact_prefix="$work/" \
      "$work/$name" 2>"$work/$name.log"; then
    tail -n 40 "$work/$name.log"
    echo "fuzz: $name FAILED"
    status=1
  else
    grep -E '^Done|#[0-9]+.*DONE' "$work/$name.log" | tail -n 1 || true
  fi
done
exit $status
