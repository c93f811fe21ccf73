#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Sample layouts as seen by the converters. load() turns the bytes of one sample into a
// value whose most significant bit is bit 31; store() writes the upper bytes of such a value
// in the layout's order and drops the rest. Every conversion is then a load, an optional
// addition of noise and a store.
//
// loadWide() and storeWide() do the same through one whole word, reading or writing the
// byte after a three-byte sample too. That byte belongs to the next sample, which a walk in
// stream order converts afterwards, so they serve every sample of a stream but the last.
namespace sample_layout {

// Windows runs little-endian on every processor it supports, so little-endian samples move
// as whole words.
static_assert(std::endian::native == std::endian::little);

// Three bytes go as a half word and a byte: a three-byte memcpy becomes a library call.
template <int Bytes>
std::uint32_t loadLittle(const std::uint8_t* p) {
  if constexpr (Bytes == 3) {
    return loadLittle<2>(p) | static_cast<std::uint32_t>(p[2]) << 16;
  } else {
    std::uint32_t v = 0;
    std::memcpy(&v, p, Bytes);
    return v;
  }
}

template <int Bytes>
void storeLittle(std::uint8_t* p, std::uint32_t v) {
  if constexpr (Bytes == 3) {
    storeLittle<2>(p, v);
    p[2] = static_cast<std::uint8_t>(v >> 16);
  } else {
    std::memcpy(p, &v, Bytes);
  }
}

// Least significant byte first.
template <int Bytes>
struct Little {
  static constexpr int kBytes = Bytes;
  static constexpr int kBits = 8 * Bytes;
  static std::uint32_t load(const std::uint8_t* p) { return loadLittle<Bytes>(p) << (32 - kBits); }
  static void store(std::uint8_t* p, std::uint32_t v) { storeLittle<Bytes>(p, v >> (32 - kBits)); }
  // A three-byte sample's word has the next sample's byte on top, where it shifts out.
  static constexpr int kWideBytes = Bytes == 3 ? 4 : Bytes;
  static std::uint32_t loadWide(const std::uint8_t* p) { return loadLittle<kWideBytes>(p) << (32 - kBits); }
  static void storeWide(std::uint8_t* p, std::uint32_t v) { storeLittle<kWideBytes>(p, v >> (32 - kBits)); }
};

using Le16 = Little<2>;
using Le24 = Little<3>;
using Le32 = Little<4>;

// Packed 24-bit samples of a channel buffer move as whole words: the buffer has slack past
// its last sample, and the byte a word store puts past a sample belongs to the next one,
// which is written after it.
struct Host24 {
  static constexpr int kBytes = 3;
  static constexpr int kBits = 24;
  static std::uint32_t load(const std::uint8_t* p) { return loadLittle<4>(p) << 8; }
  static void store(std::uint8_t* p, std::uint32_t v) { storeLittle<4>(p, v >> 8); }
};

using Host16 = Le16;
using Host32 = Le32;

inline std::uint32_t byteAt(const std::uint8_t* p, int index, int shift) {
  return static_cast<std::uint32_t>(p[index]) << shift;
}

inline std::uint8_t bitsOf(std::uint32_t v, int shift) { return static_cast<std::uint8_t>(v >> shift); }

// Three bytes in another order: the bit at which each byte of the sample, in stream order,
// stands in the 24-bit value.
template <int Shift0, int Shift1, int Shift2>
struct Ordered24 {
  static constexpr int kBytes = 3;
  static constexpr int kBits = 24;
  static std::uint32_t load(const std::uint8_t* p) {
    return byteAt(p, 0, Shift0 + 8) | byteAt(p, 1, Shift1 + 8) | byteAt(p, 2, Shift2 + 8);
  }
  static void store(std::uint8_t* p, std::uint32_t v) {
    p[0] = bitsOf(v, Shift0 + 8);
    p[1] = bitsOf(v, Shift1 + 8);
    p[2] = bitsOf(v, Shift2 + 8);
  }
};

// Most significant byte first: a word's byte swap.
struct Be24 : Ordered24<16, 8, 0> {
  static std::uint32_t loadWide(const std::uint8_t* p) {
    return __builtin_bswap32(loadLittle<4>(p)) & ~0xFFu;
  }
  static void storeWide(std::uint8_t* p, std::uint32_t v) { storeLittle<4>(p, __builtin_bswap32(v)); }
};

// Most significant, least significant, middle byte: the two low bytes of a word stay where
// they are, the first one moves to the top.
struct Mix24 : Ordered24<16, 0, 8> {
  static std::uint32_t loadWide(const std::uint8_t* p) {
    const std::uint32_t w = loadLittle<4>(p);
    return w << 24 | (w & 0xFFFF00);
  }
  static void storeWide(std::uint8_t* p, std::uint32_t v) { storeLittle<4>(p, v >> 24 | (v & 0xFFFF00)); }
};

} // namespace sample_layout
