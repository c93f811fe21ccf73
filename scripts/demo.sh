#!/usr/bin/env bash
# The main job, on an emulated Windows system: install the driver library into a fresh
# system, register it as Windows' regsvr32 would, and load it the way an ASIO host does.
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== building (native preset)"
cmake --preset native >/dev/null
cmake --build --preset native --target corvanta regsvr32 corvanta-host

build=build/native
root=build/demo/root
rm -rf "$root"
mkdir -p "$root"
export KX_SYSTEM_ROOT="$PWD/$root"

echo
echo "== a fresh emulated system in $root"
# What the installer does: the library goes into the system folder under its Windows name.
system32="$root/drive_c/WINDOWS/System32"
mkdir -p "$system32"
cp "$build/driver/corvanta.dll" "$system32/corvanta.dll"
echo "installed C:\\WINDOWS\\System32\\corvanta.dll"

echo
echo "== regsvr32 C:\\WINDOWS\\System32\\corvanta.dll"
"$build/tools/regsvr32" 'C:\WINDOWS\System32\corvanta.dll'

echo
echo "== corvanta-host list"
"$build/tools/corvanta-host/corvanta-host" list

echo
echo "== corvanta-host info"
"$build/tools/corvanta-host/corvanta-host" info

echo
echo "demo: the driver was registered and loaded through COM (no USB device is plugged in,"
echo "so it presents the two-in, two-out, 44100 Hz configuration)."
