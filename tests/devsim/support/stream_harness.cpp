#include "stream_harness.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace devsimtest {

StreamHarness::StreamHarness(const OpenDevice& device)
    : device_(device), block_(std::make_unique<kernel::StreamBlock>()),
      event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  std::memset(block_.get(), 0, sizeof(kernel::StreamBlock));
  block_->eventHandle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(event_));
  // No allowance: the ring mechanics are seen period by period.
  block_->latencyAllowance = 0;
}

StreamHarness::~StreamHarness() {
  stop();
  CloseHandle(event_);
}

Reply StreamHarness::start() {
  kernel::StreamStartRequest request{};
  request.start = 1;
  request.blockAddress = reinterpret_cast<std::uintptr_t>(block_.get());
  return device_.client.send(device_.streaming, kernel::kRequestStream, request);
}

Reply StreamHarness::stop() {
  kernel::StreamStartRequest request{};
  return device_.client.send(device_.streaming, kernel::kRequestStream, request);
}

bool StreamHarness::takeEvent() {
  const bool set = WaitForSingleObject(event_, 0) == WAIT_OBJECT_0;
  ResetEvent(event_);
  return set;
}

std::uint32_t StreamHarness::writePlayback(const std::vector<std::uint8_t>& bytes) {
  kernel::RingBuffer& ring = block_->playback;
  const auto room = kernel::kRingCapacity - kernel::shared(ring.fillCount).load();
  const auto size = std::min<std::uint32_t>(static_cast<std::uint32_t>(bytes.size()), room);
  std::uint32_t offset = ring.writeOffset;
  for (std::uint32_t i = 0; i < size; ++i) {
    ring.data[offset] = bytes[i];
    offset = (offset + 1) % kernel::kRingCapacity;
  }
  kernel::shared(ring.writeOffset).store(offset);
  kernel::shared(ring.fillCount).fetch_add(size);
  return size;
}

std::vector<std::uint8_t> StreamHarness::readCapture(std::uint32_t size) {
  kernel::RingBuffer& ring = block_->capture;
  const auto taken = std::min(size, kernel::shared(ring.fillCount).load());
  std::vector<std::uint8_t> bytes(taken);
  std::uint32_t offset = ring.readOffset;
  for (std::uint32_t i = 0; i < taken; ++i) {
    bytes[i] = ring.data[offset];
    offset = (offset + 1) % kernel::kRingCapacity;
  }
  kernel::shared(ring.readOffset).store(offset);
  kernel::shared(ring.fillCount).fetch_sub(taken);
  return bytes;
}

std::uint32_t StreamHarness::playbackFill() { return kernel::shared(block_->playback.fillCount).load(); }

std::uint32_t StreamHarness::captureFill() { return kernel::shared(block_->capture.fillCount).load(); }

std::vector<std::uint8_t> countingBytes(std::uint32_t count, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<std::uint8_t>(first + i);
  }
  return bytes;
}

} // namespace devsimtest
