#pragma once

#include <cstdint>
#include <string>
#include <vector>

// PCM WAV files: interleaved little-endian integer samples of 16, 24 or 32 bits.
struct WavData {
  std::int32_t channels = 0;
  std::int32_t rate = 0;
  std::int32_t bits = 0;
  std::vector<std::uint8_t> samples; // interleaved, bits / 8 bytes each
};

// False with a reason when the file is not a PCM WAV file this program reads.
bool readWav(const std::string& path, WavData& wav, std::string& why);
bool writeWav(const std::string& path, const WavData& wav, std::string& why);

// Sample i of a packed little-endian stream of `bytes` bytes per sample, sign-extended.
std::int32_t readSample(const std::uint8_t* at, std::int32_t bytes);
void writeSample(std::uint8_t* at, std::int32_t bytes, std::int32_t value);
