#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the demo and the benchmarks need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  # native toolchain and build
  g++ cmake ninja-build ccache make pkg-config python3
  # clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-14-dev
  # Windows cross toolchains (posix thread model) and the runner for 64-bit programs
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 xvfb xauth
  # tests and benchmarks: the prebuilt native libraries and the source tree for Windows
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # the emulated window system's drawing and picture output
  libfreetype-dev libpng-dev fonts-dejavu-core
  # formatting
  clang-format
  # the locales a test of locale-independent number reading switches to
  locales-all
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: all ${#packages[@]} packages present"
  exit 0
fi

run_as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "deps: need root to install: ${missing[*]}" >&2
    exit 1
  fi
}

echo "deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
run_as_root apt-get update -q
run_as_root apt-get install -y -q "${missing[@]}"
echo "deps: done"
