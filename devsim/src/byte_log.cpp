#include "byte_log.h"

#include <algorithm>
#include <cstring>

namespace devsim {

void ByteLog::clear() {
  ring_.resize(limit_);
  start_ = 0;
  size_ = 0;
}

void ByteLog::append(const std::uint8_t* bytes, std::size_t size) {
  if (ring_.size() != limit_) {
    clear();
  }
  if (limit_ == 0) {
    return;
  }
  const std::size_t kept = std::min(size, limit_);
  bytes += size - kept;
  std::size_t end = (start_ + size_) % limit_;
  for (std::size_t left = kept; left > 0;) {
    const std::size_t part = std::min(left, limit_ - end);
    std::memcpy(ring_.data() + end, bytes, part);
    bytes += part;
    left -= part;
    end = (end + part) % limit_;
  }
  const std::size_t total = size_ + kept;
  if (total > limit_) {
    start_ = (start_ + total - limit_) % limit_;
    size_ = limit_;
  } else {
    size_ = total;
  }
}

std::vector<std::uint8_t> ByteLog::take(std::size_t most) {
  const std::size_t count = std::min(most, size_);
  std::vector<std::uint8_t> taken(count);
  for (std::size_t done = 0; done < count;) {
    const std::size_t part = std::min(count - done, limit_ - start_);
    std::memcpy(taken.data() + done, ring_.data() + start_, part);
    done += part;
    start_ = (start_ + part) % limit_;
  }
  size_ -= count;
  return taken;
}

} // namespace devsim
