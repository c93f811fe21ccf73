#!/usr/bin/env bash
# The Linux build streaming as the demo does: a fresh emulated system, the driver registered,
# a simulated loopback device configured from the start, two seconds of audio, and what came
# back must equal what was played.
#   native_stream_check.sh REGSVR32 CORVANTA_DLL CORVANTA_HOST
set -euo pipefail
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
"$1" /s --root "$root" "$2"
echo "generic signal=loopback" >"$root/devsim.conf"
. "$(dirname "$0")/stream_attempts.sh"
stream_attempts "$3" --root "$root" stream --seconds 2 --expect-loopback
