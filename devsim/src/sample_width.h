#pragma once

// Bytes one sample takes on the wire for a bit resolution; 0 for resolutions the stream
// cannot carry.
#include <cstdint>

namespace devsim {

constexpr std::uint32_t bytesPerSample(std::uint32_t bits) {
  switch (bits) {
  case 16:
    return 2;
  case 20:
  case 24:
    return 3;
  case 32:
    return 4;
  default:
    return 0;
  }
}

} // namespace devsim
