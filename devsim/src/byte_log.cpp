#include "byte_log.h"

#include <algorithm>

namespace devsim {

void ByteLog::append(const std::uint8_t* bytes, std::size_t size) {
  const std::size_t kept = std::min(size, limit_);
  bytes_.insert(bytes_.end(), bytes + (size - kept), bytes + size);
  if (bytes_.size() > limit_) {
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(bytes_.size() - limit_));
  }
}

std::vector<std::uint8_t> ByteLog::take(std::size_t most) {
  const auto end = bytes_.begin() + static_cast<std::ptrdiff_t>(std::min(most, bytes_.size()));
  std::vector<std::uint8_t> taken(bytes_.begin(), end);
  bytes_.erase(bytes_.begin(), end);
  return taken;
}

} // namespace devsim
