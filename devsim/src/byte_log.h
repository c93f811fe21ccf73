#pragma once

// A bounded record of stream bytes for reading back: appending past the limit lets the
// oldest bytes go. The storage is one ring allocated when recording starts, so the stream
// engine's periods never allocate or move what was recorded.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace devsim {

class ByteLog {
public:
  explicit ByteLog(std::size_t limit = 8u << 20) : limit_(limit) {}

  void append(const std::uint8_t* bytes, std::size_t size);
  // The oldest `most` bytes recorded since they were last taken; the rest stay.
  std::vector<std::uint8_t> take(std::size_t most = SIZE_MAX);
  // Forgets what was recorded and makes room for the limit.
  void clear();

private:
  std::size_t limit_;
  std::vector<std::uint8_t> ring_;
  std::size_t start_ = 0; // the oldest byte
  std::size_t size_ = 0;
};

} // namespace devsim
