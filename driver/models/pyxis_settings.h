#pragma once

#include <cstdint>

class KxRegistryKey;

// The Pyxis controls the driver persists, each under the registry value of its own name.
// Volumes are USB Audio Class words (1/256 dB) in their low 16 bits: a value read from the
// device has the upper bits clear, one set by the Pyxis page arrives sign-extended.
struct PyxisSettings {
  std::int32_t InputSelector = 1; // 1 line connector, 2 S/PDIF, 3 digital audio connector
  std::uint32_t VolInL = 0;
  std::uint32_t VolInR = 0;
  std::uint32_t MuteIn_1 = 0; // 1 means muted
  std::uint32_t MuteIn_2 = 0;
  std::uint32_t MuteIn_3 = 0;
  std::uint32_t VolOutL = 0;
  std::uint32_t VolOutR = 0;
  std::uint32_t MuteOut = 0;
  std::uint32_t GangMode = 1;
};

inline constexpr std::int32_t kPyxisInputCount = 3;

// Reads the values in order and stops at the first one missing or not a 4-byte REG_DWORD;
// an InputSelector outside 1 to 3 becomes 1. True only when every value was read.
bool loadPyxisSettings(const KxRegistryKey& key, PyxisSettings& settings);
// Writes every value as it is; write failures are ignored.
void savePyxisSettings(const KxRegistryKey& key, const PyxisSettings& settings);
