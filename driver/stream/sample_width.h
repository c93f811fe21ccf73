#pragma once

#include <cstdint>

// Bytes one sample of a given width takes in a packed stream: 16 bits → 2, 20 and 24 → 3,
// 32 → 4, anything else 0.
constexpr std::int32_t bytesPerSample(std::int32_t bits) {
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
