#pragma once

// The system root (see kxemu.h) as the rest of the emulation reaches it.
#include <string>

namespace kxemu {

// The canonical host path of the root, its tree created on first use.
std::string rootDirectory();
// Changes whenever the process switches to another root, so caches can tell.
unsigned rootEpoch();
// The host directory of a drive letter's tree: root + "/drive_c" for 'C'.
std::string driveDirectory(char letter);

// The fixed emulated folders.
inline constexpr const char* kWindowsDirectory = "C:\\WINDOWS";
inline constexpr const char* kSystemDirectory = "C:\\WINDOWS\\System32";
inline constexpr const char* kTempDirectory = "C:\\WINDOWS\\Temp";

} // namespace kxemu
