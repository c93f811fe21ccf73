#pragma once

// A slow, plain model of the converters, written byte by byte from the format tables, to
// check the real members against.
#include <cstdint>
#include <string>
#include <vector>

namespace reference {

using Bytes = std::vector<std::uint8_t>;

// The noise generator, step by step as defined.
class Noise {
public:
  void step();
  std::uint32_t value(int bits) const;

private:
  std::uint32_t r_ = 0x123456;
  std::uint32_t a_ = 0x123456;
};

struct DeviceFormat {
  const char* name;
  int bits;
  bool bigEndian24;
  bool msbLsbMid24;
  int bytes;
};

// D16, D20, D24, D24be, D24mix, D32.
const std::vector<DeviceFormat>& deviceFormats();
const DeviceFormat& deviceFormat(const std::string& name);

// Samples of one channel buffer per channel.
using Channels = std::vector<Bytes>;

// Whole conversions in stream order; the noise steps only where a sample is dithered.
Channels toHost(const DeviceFormat& device, int hostBits, const Bytes& stream, int channels, int frames,
                bool dither, Noise& noise);
Bytes fromHost(const DeviceFormat& device, int hostBits, const Channels& host, int frames, bool dither,
               Noise& noise);

} // namespace reference
