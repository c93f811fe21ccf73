#!/usr/bin/env bash
# The real-time benchmark: 60 s at 96000 Hz with 32-frame buffers through the simulated
# eight-channel loopback device, in the fastest performance mode, with the streaming threads
# in the host's real-time class where the system allows it. Prints the stream report: switch
# intervals and their histogram, missed switches, the device's underruns and overruns and the
# loopback comparison. Before it, the machine's own wake-up lateness as a baseline.
# Arguments go to corvanta-host stream (e.g. --seconds 10).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/native
cmake --preset native >/dev/null
cmake --build --preset native --target corvanta regsvr32 corvanta-host wakeup-latency >/dev/null
# First the machine alone: how late it wakes two real-time threads at the transfer period.
# Lateness here is the platform's, and the stream cannot do better.
"$build/bench/wakeup-latency" --seconds 10 --threads 2 --period-us 1000
echo
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
"$build/tools/regsvr32" /s --root "$root" "$build/driver/corvanta.dll"
KX_REALTIME_THREADS=1 "$build/tools/corvanta-host/corvanta-host" --root "$root" stream \
  --device eight-channel --mode 1 --rate 96000 --buffer 32 --seconds 60 --expect-loopback "$@"
