#pragma once

#include <cstdint>

// The noise added where a conversion drops bits: a shift register with feedback that
// drives a 24-bit accumulator. Every converter starts from the same seed, so a stream
// always gets the same noise.
class DitherNoise {
public:
  static constexpr std::uint32_t kSeed = 0x123456;

  // One step per dithered sample. Only the low 24 bits of the register ever reach the
  // accumulator; the higher ones just shift out.
  void step() {
    register_ <<= 1;
    if ((register_ & 0x1000000) != 0) {
      register_ ^= 0x1D872B;
    }
    accumulator_ = (accumulator_ + register_) & 0xFFFFFF;
  }

  std::uint32_t noise8() const { return accumulator_ >> 16; }
  std::uint32_t noise12() const { return (accumulator_ >> 8) & 0xFFF; }
  std::uint32_t noise16() const { return accumulator_ >> 8; }

private:
  std::uint32_t register_ = kSeed;
  std::uint32_t accumulator_ = kSeed;
};
