#include <abi/kernel.h>
#include <driver/device/stream_ring.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>

namespace {

constexpr std::uint32_t kCapacity = kernel::kRingCapacity;

std::uint32_t loadOffset(std::uint32_t& field) {
  return std::min(kernel::shared(field).load(std::memory_order_acquire), kCapacity);
}

// Lowers the fill count by at most what it holds; the kernel may add at the same time.
void takeFill(kernel::RingBuffer& ring, std::uint32_t n) {
  auto fill = kernel::shared(ring.fillCount);
  std::uint32_t current = fill.load(std::memory_order_acquire);
  while (!fill.compare_exchange_weak(current, current - std::min(current, n), std::memory_order_acq_rel)) {
  }
}

void append(kernel::RingBuffer& ring, const std::uint8_t* data, std::uint32_t k) {
  if (k == 0) {
    return; // nothing moves; an empty write may come without a buffer
  }
  const std::uint32_t old = ring.writeOffset;
  std::memcpy(ring.data + old, data, k);
  const std::uint32_t now = old + k;
  kernel::shared(ring.writeOffset).store(now, std::memory_order_release);
  auto fill = kernel::shared(ring.fillCount);
  const std::uint32_t read = loadOffset(ring.readOffset);
  if (fill.load(std::memory_order_acquire) > 0 && old < read && read < now) {
    // The writer ran over the reader.
    kernel::shared(ring.readOffset).store(now, std::memory_order_release);
    fill.store(kCapacity, std::memory_order_release);
    return;
  }
  if (fill.fetch_add(k, std::memory_order_acq_rel) + k > kCapacity) {
    kernel::shared(ring.readOffset).store(now, std::memory_order_release);
    fill.store(kCapacity, std::memory_order_release);
  }
}

std::int32_t frames(std::int32_t bytes, std::uint32_t channels, std::uint32_t bits) {
  // Wide, so that no channel count a format record can carry overflows the frame size.
  const auto frameBytes = std::int64_t{channels} * kernel::bytesPerSample(bits);
  return frameBytes != 0 ? static_cast<std::int32_t>(bytes / frameBytes) : bytes;
}

void ringCounts(kernel::RingBuffer& ring, std::uint32_t channels, std::uint32_t bits, std::int32_t& fill,
                std::int32_t& free, std::int32_t& fillFrames, std::int32_t& freeFrames) {
  if (channels == 0) {
    fill = free = fillFrames = freeFrames = 0;
    return;
  }
  fill = static_cast<std::int32_t>(
      std::min(kernel::shared(ring.fillCount).load(std::memory_order_acquire), kCapacity));
  free = static_cast<std::int32_t>(kCapacity) - fill;
  fillFrames = frames(fill, channels, bits);
  freeFrames = frames(free, channels, bits);
}

} // namespace

void resetStreamBlock(kernel::StreamBlock& block, HANDLE event, std::int32_t latencyAllowance) {
  for (kernel::RingBuffer* ring : {&block.playback, &block.capture}) {
    ring->writeOffset = 0;
    ring->readOffset = 0;
    ring->fillCount = 0;
    std::memset(ring->data, 0, sizeof ring->data);
  }
  // Windows handles are significant in their low 32 bits on 64-bit systems too.
  block.eventHandle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(event));
  block.state = 0;
  block.lostMilliseconds = 0;
  block.outputCredit = 0;
  block.dropFlag = 0;
  block.dropByteCount = 0;
  block.latencyAllowance = latencyAllowance;
}

void writePlayback(kernel::RingBuffer& ring, const std::uint8_t* data, std::uint32_t n) {
  n = std::min(n, kCapacity);
  // Only this side moves the write offset; still hold it to the ring.
  ring.writeOffset = std::min(ring.writeOffset, kCapacity);
  const std::uint32_t space = kCapacity - ring.writeOffset;
  if (n < space) {
    append(ring, data, n);
    return;
  }
  append(ring, data, space);
  kernel::shared(ring.writeOffset).store(0, std::memory_order_release);
  std::uint32_t expected = kCapacity;
  kernel::shared(ring.readOffset).compare_exchange_strong(expected, 0, std::memory_order_acq_rel);
  append(ring, data + space, n - space);
}

std::uint32_t readCapture(kernel::RingBuffer& ring, std::uint8_t* destination, std::uint32_t n) {
  n = std::min(n, kCapacity);
  std::uint32_t taken = 0;
  while (taken < n) {
    const std::uint32_t read = loadOffset(ring.readOffset);
    const std::uint32_t write = loadOffset(ring.writeOffset);
    const std::uint32_t want = n - taken;
    // A wrapped (or full) ring is read to its end first, then from the start.
    const bool wrapped =
        read > write || kernel::shared(ring.fillCount).load(std::memory_order_acquire) >= kCapacity;
    const std::uint32_t part = std::min(want, wrapped ? kCapacity - read : write - read);
    std::memcpy(destination + taken, ring.data + read, part);
    taken += part;
    takeFill(ring, part);
    const std::uint32_t next = read + part;
    const bool stays = next < kCapacity && (!wrapped || part == want);
    kernel::shared(ring.readOffset).store(stays ? next : 0, std::memory_order_release);
    if (!wrapped) {
      break;
    }
  }
  return taken;
}

void readStreamStatus(kernel::StreamBlock& block, const kernel::StreamFormat& format, StreamStatus& status) {
  status.lostMilliseconds = static_cast<std::int32_t>(kernel::shared(block.lostMilliseconds).exchange(0));
  ringCounts(block.capture, format.inputChannels, format.inputBits, status.captureFill, status.captureFree,
             status.captureFillFrames, status.captureFreeFrames);
  ringCounts(block.playback, format.outputChannels, format.outputBits, status.playbackFill,
             status.playbackFree, status.playbackFillFrames, status.playbackFreeFrames);
  status.outputCredit = kernel::shared(block.outputCredit).load(std::memory_order_acquire);
  status.state = static_cast<std::int32_t>(kernel::shared(block.state).load(std::memory_order_acquire));
}

std::int32_t subtractOutputCredit(kernel::StreamBlock& block, std::int32_t bytes) {
  // The kernel driver adds to the credit at the same time; it stops at the lowest value
  // instead of wrapping round to a large credit.
  auto credit = kernel::shared(block.outputCredit);
  std::int32_t current = credit.load(std::memory_order_acquire);
  std::int32_t next = 0;
  do {
    next = static_cast<std::int32_t>(
        std::max<std::int64_t>(std::int64_t{current} - bytes, std::numeric_limits<std::int32_t>::min()));
  } while (!credit.compare_exchange_weak(current, next, std::memory_order_acq_rel));
  return next;
}

std::uint32_t bytesAfterDrop(kernel::StreamBlock& block, std::uint32_t n) {
  if (kernel::shared(block.dropFlag).load(std::memory_order_acquire) == 0) {
    return n;
  }
  auto drop = kernel::shared(block.dropByteCount);
  const std::int32_t pending = drop.load(std::memory_order_acquire);
  if (pending <= 0) {
    return n;
  }
  if (static_cast<std::uint32_t>(pending) > n) {
    drop.fetch_sub(static_cast<std::int32_t>(n), std::memory_order_acq_rel);
    return 0;
  }
  drop.store(0, std::memory_order_release);
  return n - static_cast<std::uint32_t>(pending);
}
