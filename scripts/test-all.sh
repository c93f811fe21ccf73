#!/usr/bin/env bash
# The whole test run behind `make test`: every preset that builds or runs here, one step
# after the other, then a summary. A failed step does not stop the later ones.
set -uo pipefail
cd "$(dirname "$0")/.."
# Checkouts in other folders (CI clones one afresh each time) share the compiler cache: paths
# below the checkout are hashed relative to it, and the working folder is left out.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

FUZZ_SECONDS=${FUZZ_SECONDS:-20}
declare -a names results times
failed=0

step() {
  local name=$1
  shift
  printf '\n==== %s ====\n' "$name"
  local start=$SECONDS
  if "$@"; then
    results+=("PASS")
  else
    results+=("FAIL")
    failed=1
  fi
  names+=("$name")
  times+=("$((SECONDS - start))")
}

build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }

native() { build native && ctest --preset native; }
asan() { build asan && ctest --preset asan; }
tsan() { build tsan && ctest --preset tsan; }
fuzz() { build fuzz && scripts/run-fuzzers.sh build/fuzz "$FUZZ_SECONDS"; }
win64() { build win64 && xvfb-run -a scripts/wine-tests.sh; }
win32() { build win32; }

step "native build + tests" native
step "asan+ubsan build + tests" asan
step "tsan build + threaded tests" tsan
step "fuzz build + ${FUZZ_SECONDS}s per target" fuzz
step "win64 build + tests under wine64" win64
step "win32 build (shipping target, build only)" win32

printf '\n==== summary ====\n'
for i in "${!names[@]}"; do
  printf '  %-4s %5ss  %s\n' "${results[$i]}" "${times[$i]}" "${names[$i]}"
done
if [ "$failed" -ne 0 ]; then
  echo "make test: FAILED"
  exit 1
fi
echo "make test: all steps passed"
