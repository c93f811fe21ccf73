#pragma once

// Loaded ELF objects as emulated modules (internal).
#include <string>

namespace kxemu {

// The emulated path of the running program ("Z:\...\setup.exe", or "C:\..." inside the root).
std::string mainProgramWindowsPath();
// Its folder, without a trailing backslash.
std::string mainProgramWindowsDirectory();

} // namespace kxemu
