#include "wav_file.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
}
void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::int32_t readSample(const std::uint8_t* at, std::int32_t bytes) {
  std::uint32_t v = 0;
  for (std::int32_t i = 0; i < bytes; ++i) {
    v |= std::uint32_t{at[i]} << (8 * i);
  }
  const int unused = 32 - 8 * bytes;
  return static_cast<std::int32_t>(v << unused) >> unused;
}

void writeSample(std::uint8_t* at, std::int32_t bytes, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (std::int32_t i = 0; i < bytes; ++i) {
    at[i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
}

bool readWav(const std::string& path, WavData& wav, std::string& why) {
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    why = "cannot open " + path;
    return false;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    why = path + " is not a WAV file";
    return false;
  }
  bool haveFormat = false;
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    const std::uint32_t size = le32(bytes.data() + at + 4);
    const std::size_t body = at + 8;
    if (size > bytes.size() - body) {
      why = path + " has a chunk that runs past its end";
      return false;
    }
    if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && size >= 16) {
      const std::uint16_t format = le16(bytes.data() + body);
      wav.channels = le16(bytes.data() + body + 2);
      wav.rate = static_cast<std::int32_t>(le32(bytes.data() + body + 4));
      wav.bits = le16(bytes.data() + body + 14);
      if ((format != 1 && format != 0xFFFE) || (wav.bits != 16 && wav.bits != 24 && wav.bits != 32) ||
          wav.channels < 1) {
        why = path + ": only 16-, 24- and 32-bit integer PCM is read";
        return false;
      }
      haveFormat = true;
    } else if (std::memcmp(bytes.data() + at, "data", 4) == 0 && haveFormat) {
      const std::size_t frame = static_cast<std::size_t>(wav.channels) * (wav.bits / 8);
      wav.samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(body),
                         bytes.begin() + static_cast<std::ptrdiff_t>(body + size / frame * frame));
      return true;
    }
    at = body + size + (size & 1);
  }
  why = path + " has no PCM data";
  return false;
}

bool writeWav(const std::string& path, const WavData& wav, std::string& why) {
  std::vector<std::uint8_t> out;
  const auto dataSize = static_cast<std::uint32_t>(wav.samples.size());
  const auto blockAlign = static_cast<std::uint16_t>(wav.channels * (wav.bits / 8));
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put32(out, 36 + dataSize);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(out, 16);
  put16(out, 1);
  put16(out, static_cast<std::uint16_t>(wav.channels));
  put32(out, static_cast<std::uint32_t>(wav.rate));
  put32(out, static_cast<std::uint32_t>(wav.rate) * blockAlign);
  put16(out, blockAlign);
  put16(out, static_cast<std::uint16_t>(wav.bits));
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put32(out, dataSize);
  out.insert(out.end(), wav.samples.begin(), wav.samples.end());
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file || std::fwrite(out.data(), 1, out.size(), file.get()) != out.size()) {
    why = "cannot write " + path;
    return false;
  }
  return true;
}
