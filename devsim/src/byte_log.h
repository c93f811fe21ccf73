#pragma once

// A bounded record of stream bytes for reading back: appending past the limit lets the
// oldest bytes go.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace devsim {

class ByteLog {
public:
  explicit ByteLog(std::size_t limit = 8u << 20) : limit_(limit) {}

  void append(const std::uint8_t* bytes, std::size_t size);
  // The oldest `most` bytes recorded since they were last taken; the rest stay.
  std::vector<std::uint8_t> take(std::size_t most = SIZE_MAX);
  void clear() { bytes_.clear(); }

private:
  std::size_t limit_;
  std::deque<std::uint8_t> bytes_;
};

} // namespace devsim
