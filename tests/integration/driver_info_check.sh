#!/usr/bin/env bash
# Registers the driver library the way an installer does and compares what an ASIO host
# reads from it with the expected report. The same expected report serves the Linux build
# (emulated system, our regsvr32) and the Windows build under Wine (Wine's regsvr32 and
# CoCreateInstance), so the two must agree.
#   driver_info_check.sh native REGSVR32 CORVANTA_DLL CORVANTA_HOST EXPECTED
#   driver_info_check.sh wine CORVANTA_DLL CORVANTA_HOST_EXE EXPECTED
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
mode=$1
shift
actual=$(mktemp)
trap 'rm -f "$actual"; [ -n "${root:-}" ] && rm -rf "$root"' EXIT

case "$mode" in
native)
  regsvr32=$1 dll=$2 host=$3 expected=$4
  root=$(mktemp -d)
  "$regsvr32" /s --root "$root" "$dll"
  "$host" --root "$root" info --json >"$actual"
  ;;
wine)
  dll=$1 host=$2 expected=$3
  wine="$here/../../scripts/wine-run.sh"
  "$wine" regsvr32 /s "Z:$(echo "$dll" | tr / '\\')"
  # Windows programs end their lines with CR LF.
  "$wine" "$host" info --json | tr -d '\r' >"$actual"
  "$wine" regsvr32 /s /u "Z:$(echo "$dll" | tr / '\\')"
  ;;
*)
  echo "unknown mode $mode" >&2
  exit 2
  ;;
esac

if ! diff -u "$expected" "$actual"; then
  echo "driver info differs from $expected" >&2
  exit 1
fi
echo "driver info matches $(basename "$expected")"
