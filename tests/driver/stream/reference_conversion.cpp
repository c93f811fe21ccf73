#include "reference_conversion.h"

#include <cstddef>
#include <map>
#include <stdexcept>
#include <utility>

namespace reference {

void Noise::step() {
  r_ = r_ << 1;
  if (r_ & (1u << 24)) {
    r_ = r_ ^ 0x1D872B;
  }
  a_ = (a_ + r_) & 0xFFFFFF;
}

std::uint32_t Noise::value(int bits) const {
  switch (bits) {
  case 8:
    return (a_ >> 16) & 0xFF;
  case 12:
    return (a_ >> 8) & 0xFFF;
  default:
    return (a_ >> 8) & 0xFFFF;
  }
}

const std::vector<DeviceFormat>& deviceFormats() {
  static const std::vector<DeviceFormat> formats = {
      {"D16", 16, false, false, 2},  {"D20", 20, false, false, 3},  {"D24", 24, false, false, 3},
      {"D24be", 24, true, false, 3}, {"D24mix", 24, true, true, 3}, {"D32", 32, false, false, 4},
  };
  return formats;
}

const DeviceFormat& deviceFormat(const std::string& name) {
  for (const DeviceFormat& format : deviceFormats()) {
    if (name == format.name) {
      return format;
    }
  }
  throw std::out_of_range(name);
}

namespace {

constexpr int Z = -1; // a zero byte

// One cell of a table. Undithered: each output byte is a numbered input byte or zero.
// Dithered: the value is made of the listed input bytes, most significant first, the noise
// is added, and each output byte is the byte of the sum at the listed bit.
struct Rule {
  std::vector<int> plain;
  std::vector<int> valueBytes = {}; // empty: this cell never dithers
  int noiseBits = 0;
  std::vector<int> keptBits = {};
};

using Table = std::map<std::pair<std::string, int>, Rule>;

// Device bytes s0..s3 in, host bytes out.
const Table& toHostTable() {
  static const Table table = {
      {{"D16", 16}, {{0, 1}}},
      {{"D16", 24}, {{Z, 0, 1}}},
      {{"D16", 32}, {{Z, Z, 0, 1}}},
      {{"D20", 16}, {{1, 2}, {2, 1, 0}, 8, {8, 16}}},
      {{"D20", 24}, {{0, 1, 2}}},
      {{"D20", 32}, {{Z, 0, 1, 2}}},
      {{"D24", 16}, {{1, 2}, {2, 1, 0}, 8, {8, 16}}},
      {{"D24", 24}, {{0, 1, 2}}},
      {{"D24", 32}, {{Z, 0, 1, 2}}},
      {{"D24be", 16}, {{1, 0}, {0, 1, 2}, 8, {8, 16}}},
      {{"D24be", 24}, {{2, 1, 0}}},
      {{"D24be", 32}, {{Z, 2, 1, 0}}},
      {{"D24mix", 16}, {{2, 0}, {0, 2, 1}, 8, {8, 16}}},
      {{"D24mix", 24}, {{1, 2, 0}}},
      {{"D24mix", 32}, {{Z, 1, 2, 0}}},
      {{"D32", 16}, {{2, 3}, {3, 2, 1, 0}, 16, {16, 24}}},
      {{"D32", 24}, {{1, 2, 3}, {3, 2, 1, 0}, 8, {8, 16, 24}}},
      {{"D32", 32}, {{0, 1, 2, 3}}},
  };
  return table;
}

// Host bytes h0..h3 in, device bytes out in stream order.
const Table& fromHostTable() {
  static const Table table = {
      {{"D16", 16}, {{0, 1}}},
      {{"D16", 24}, {{1, 2}, {2, 1, 0}, 8, {8, 16}}},
      {{"D16", 32}, {{2, 3}, {3, 2, 1, 0}, 16, {16, 24}}},
      {{"D20", 16}, {{Z, 0, 1}}},
      {{"D20", 24}, {{0, 1, 2}, {2, 1, 0}, 8, {0, 8, 16}}},
      {{"D20", 32}, {{1, 2, 3}, {3, 2, 1, 0}, 12, {8, 16, 24}}},
      {{"D24", 16}, {{Z, 0, 1}}},
      {{"D24", 24}, {{0, 1, 2}}},
      {{"D24", 32}, {{1, 2, 3}, {3, 2, 1, 0}, 8, {8, 16, 24}}},
      {{"D24be", 16}, {{1, 0, Z}}},
      {{"D24be", 24}, {{2, 1, 0}}},
      {{"D24be", 32}, {{3, 2, 1}, {3, 2, 1, 0}, 8, {24, 16, 8}}},
      {{"D24mix", 16}, {{1, Z, 0}}},
      {{"D24mix", 24}, {{2, 0, 1}}},
      {{"D24mix", 32}, {{3, 1, 2}, {3, 2, 1, 0}, 8, {24, 8, 16}}},
      {{"D32", 16}, {{Z, Z, 0, 1}}},
      {{"D32", 24}, {{Z, 0, 1, 2}}},
      {{"D32", 32}, {{0, 1, 2, 3}}},
  };
  return table;
}

Bytes convertSample(const Rule& rule, const std::uint8_t* in, bool dither, Noise& noise) {
  Bytes out;
  if (dither && !rule.valueBytes.empty()) {
    std::uint32_t value = 0;
    for (int index : rule.valueBytes) {
      value = (value << 8) | in[index];
    }
    noise.step();
    const std::uint32_t sum = value + noise.value(rule.noiseBits);
    for (int bit : rule.keptBits) {
      out.push_back(static_cast<std::uint8_t>((sum >> bit) & 0xFF));
    }
  } else {
    for (int index : rule.plain) {
      out.push_back(index == Z ? 0 : in[index]);
    }
  }
  return out;
}

int hostBytes(int hostBits) { return hostBits / 8; }

} // namespace

Channels toHost(const DeviceFormat& device, int hostBits, const Bytes& stream, int channels, int frames,
                bool dither, Noise& noise) {
  const Rule& rule = toHostTable().at({device.name, hostBits});
  Channels host(static_cast<std::size_t>(channels));
  std::size_t at = 0;
  for (int frame = 0; frame < frames; ++frame) {
    for (int c = 0; c < channels; ++c) {
      const Bytes sample = convertSample(rule, &stream[at], dither, noise);
      host[static_cast<std::size_t>(c)].insert(host[static_cast<std::size_t>(c)].end(), sample.begin(),
                                               sample.end());
      at += static_cast<std::size_t>(device.bytes);
    }
  }
  return host;
}

Bytes fromHost(const DeviceFormat& device, int hostBits, const Channels& host, int frames, bool dither,
               Noise& noise) {
  const Rule& rule = fromHostTable().at({device.name, hostBits});
  Bytes stream;
  for (int frame = 0; frame < frames; ++frame) {
    for (const Bytes& channel : host) {
      const std::size_t at = static_cast<std::size_t>(frame * hostBytes(hostBits));
      const Bytes sample = convertSample(rule, &channel[at], dither, noise);
      stream.insert(stream.end(), sample.begin(), sample.end());
    }
  }
  return stream;
}

} // namespace reference
