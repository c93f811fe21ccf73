#pragma once

// A plain LZW written from the codec's description with a string dictionary and a bit
// vector: slow, but structured differently from KxLzw, so the two check each other.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lzwref {

using Bytes = std::vector<std::uint8_t>;

inline Bytes packBits(const std::vector<bool>& bits) {
  Bytes out((bits.size() + 7) / 8, 0);
  for (std::size_t i = 0; i < bits.size(); ++i) {
    if (bits[i]) {
      out[i / 8] = static_cast<std::uint8_t>(out[i / 8] | (0x80 >> (i % 8)));
    }
  }
  return out;
}

inline Bytes compress(const Bytes& in) {
  if (in.empty()) {
    return {};
  }
  std::map<std::string, unsigned> dict;
  unsigned next = 0;
  unsigned width = 9;
  auto resetDict = [&] {
    dict.clear();
    for (unsigned i = 0; i < 256; ++i) {
      dict[std::string(1, static_cast<char>(i))] = i;
    }
    next = 256;
    width = 9;
  };
  std::vector<bool> bits;
  auto emit = [&](unsigned code) {
    for (unsigned b = width; b-- > 0;) {
      bits.push_back(((code >> b) & 1U) != 0);
    }
  };
  resetDict();
  std::string w(1, static_cast<char>(in[0]));
  for (std::size_t i = 1; i < in.size(); ++i) {
    const std::string wc = w + static_cast<char>(in[i]);
    if (dict.count(wc) != 0) {
      w = wc;
      continue;
    }
    emit(dict[w]);
    dict[wc] = next++;
    if (next == (1U << width)) {
      ++width;
    }
    if (next == 4096) {
      resetDict();
    }
    w = std::string(1, static_cast<char>(in[i]));
  }
  emit(dict[w]);
  return packBits(bits);
}

inline Bytes expand(const Bytes& in) {
  std::size_t bitPos = 0;
  const std::size_t totalBits = in.size() * 8;
  unsigned width = 9;
  auto read = [&](unsigned& code) {
    if (totalBits - bitPos < width) {
      return false;
    }
    code = 0;
    for (unsigned b = 0; b < width; ++b, ++bitPos) {
      code = (code << 1) | ((in[bitPos / 8] >> (7 - bitPos % 8)) & 1U);
    }
    return true;
  };
  std::vector<std::string> table(256);
  for (unsigned i = 0; i < 256; ++i) {
    table[i] = std::string(1, static_cast<char>(i));
  }
  std::string out;
  unsigned old = 0;
  if (!read(old) || old > 255) {
    return {};
  }
  out += table[old];
  for (;;) {
    unsigned code = 0;
    if (!read(code) || code > table.size()) {
      break;
    }
    const std::string entry = code < table.size() ? table[code] : table[old] + table[old][0];
    out += entry;
    if (table.size() == 4094) {
      table.resize(256);
      width = 9;
      if (!read(code) || code > 255) {
        break;
      }
      out += table[code];
    } else {
      table.push_back(table[old] + entry[0]);
      if (table.size() + 1 == (1U << width)) {
        ++width;
      }
    }
    old = code;
  }
  return Bytes(out.begin(), out.end());
}

} // namespace lzwref
