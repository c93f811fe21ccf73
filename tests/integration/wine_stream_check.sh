#!/usr/bin/env bash
# The Windows build streaming without hardware: the driver, the simulated kernel driver's
# DLL and the host side by side, the driver registered with Wine's regsvr32, two seconds of
# audio through a simulated loopback device, and what came back must equal what was played.
#   wine_stream_check.sh CORVANTA_DLL DEVSIM_DLL CORVANTA_HOST_EXE
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
wine="$here/../../scripts/wine-run.sh"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$1" "$2" "$3" "$folder/"
dll="Z:$(echo "$folder/$(basename "$1")" | tr / '\\')"
"$wine" regsvr32 /s "$dll"
status=0
host_exe="$folder/$(basename "$3")"
host_stream() { "$wine" "$host_exe" stream --device generic --seconds 2 --expect-loopback | tr -d '\r'; }
. "$here/stream_attempts.sh"
stream_attempts host_stream || status=$?
"$wine" regsvr32 /s /u "$dll"
exit $status
