#include "ring_access.h"

#include <algorithm>
#include <cstring>

namespace devsim {
namespace {

constexpr std::uint32_t kCapacity = kernel::kRingCapacity;

std::uint32_t checkedOffset(std::uint32_t& field) {
  const std::uint32_t offset = kernel::shared(field).load();
  return offset < kCapacity ? offset : 0;
}

std::uint32_t checkedFill(std::uint32_t& field) { return std::min(kernel::shared(field).load(), kCapacity); }

// memcpy of nothing, where either pointer may be null.
void copy(std::uint8_t* target, const std::uint8_t* source, std::uint32_t size) {
  if (size > 0) {
    std::memcpy(target, source, size);
  }
}

} // namespace

std::uint32_t drainRing(kernel::RingBuffer& ring, std::uint8_t* target, std::uint32_t size) {
  const std::uint32_t taken = std::min(size, checkedFill(ring.fillCount));
  const std::uint32_t offset = checkedOffset(ring.readOffset);
  const std::uint32_t first = std::min(taken, kCapacity - offset);
  copy(target, ring.data + offset, first);
  copy(target + first, ring.data, taken - first);
  kernel::shared(ring.readOffset).store((offset + taken) % kCapacity);
  kernel::shared(ring.fillCount).fetch_sub(taken);
  return taken;
}

std::uint32_t fillRing(kernel::RingBuffer& ring, const std::uint8_t* source, std::uint32_t size) {
  const std::uint32_t room = kCapacity - checkedFill(ring.fillCount);
  const std::uint32_t written = std::min(size, room);
  const std::uint32_t offset = checkedOffset(ring.writeOffset);
  const std::uint32_t first = std::min(written, kCapacity - offset);
  copy(ring.data + offset, source, first);
  copy(ring.data, source + first, written - first);
  kernel::shared(ring.writeOffset).store((offset + written) % kCapacity);
  kernel::shared(ring.fillCount).fetch_add(written);
  return written;
}

} // namespace devsim
