#pragma once

#include <cstdint>

class KxRegistryKey;

// The user's settings of the Orin controller. The Orin page reads and writes the fields
// directly; each is persisted under the registry value of its own name.
struct OrinSettings {
  // Gain (v - 127) * 3 / 8 dB: 127 is 0 dB; the page shows 0 as mute.
  std::uint8_t Volume0 = 127;
  std::uint8_t Volume1 = 127;
  std::uint8_t Volume2 = 127;
  std::uint8_t Volume3 = 127;
  // Only tells the page whether the sliders of a pair move together; never sent.
  bool GangMode = true;
  std::uint32_t Freq = 1;
  std::uint32_t AutoFreq = 1;
  std::uint32_t AnalogMx0 = 0;
  std::uint32_t AnalogMx1 = 0;
  std::uint32_t AnalogMx2 = 1;
  std::uint32_t DigitalMx0 = 0;
  std::uint32_t DigitalMx1 = 0;
  std::uint32_t DigitalMx2 = 1;
  std::uint32_t Outmix = 0;
  bool ProfessionalMode = false;
  std::uint32_t ClockSrc = 0;
  std::uint32_t InputSrcA = 0;
  std::uint32_t InputSrcD = 0;
};

inline constexpr std::uint8_t kOrinInputVolumeMax = 175;  // Volume0 and Volume1: +18 dB
inline constexpr std::uint8_t kOrinOutputVolumeMax = 127; // Volume2 and Volume3: 0 dB

// Brings every field back into its range; a value out of range becomes the neutral one.
void validateOrinSettings(OrinSettings& settings);
// Values missing, of another type or size keep their fields; the result is validated.
void loadOrinSettings(const KxRegistryKey& key, OrinSettings& settings);
// Validates, then writes every value; write failures are ignored.
void saveOrinSettings(const KxRegistryKey& key, OrinSettings& settings);
