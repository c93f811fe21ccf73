// The library's side of the stream block with every counter the kernel driver shares set
// from the input, before and between the steps: whatever the counters say, the ring reads
// and writes stay inside the ring and the caller's buffer, the status is made of what the
// block holds, and the drop leaves no more bytes than it was given. Each step of the input
// picks one operation.
#include <abi/kernel.h>
#include <driver/device/stream_ring.h>

#include "fuzz_input.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t kCapacity = kernel::kRingCapacity;
constexpr std::uint8_t kUntouched = 0xA5;

void check(bool holds) {
  if (!holds) {
    __builtin_trap();
  }
}

// Up to twice a ring's capacity, so that the limit itself is tried.
std::uint32_t length(FuzzInput& input) { return input.half() * 4 % (2 * kCapacity + 1); }

void setCounters(FuzzInput& input, kernel::RingBuffer& ring) {
  ring.writeOffset = input.word();
  ring.readOffset = input.word();
  ring.fillCount = input.word();
}

// From a write offset inside the ring, the bytes land at it and run on from the start.
void write(FuzzInput& input, kernel::RingBuffer& ring) {
  std::vector<std::uint8_t> bytes(length(input));
  input.fill(bytes.data(), std::min<std::size_t>(bytes.size(), 64));
  const std::uint32_t start = ring.writeOffset;
  writePlayback(ring, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  check(ring.writeOffset <= kCapacity);
  if (start > kCapacity) {
    return;
  }
  const std::size_t written = std::min<std::size_t>(bytes.size(), kCapacity);
  for (std::size_t i = 0; i < written; ++i) {
    check(ring.data[(start + i) % kCapacity] == bytes[i]);
  }
}

// No more than asked for, and what is not taken keeps what the destination held.
void read(FuzzInput& input, kernel::RingBuffer& ring) {
  std::vector<std::uint8_t> destination(length(input), kUntouched);
  const std::uint32_t taken =
      readCapture(ring, destination.data(), static_cast<std::uint32_t>(destination.size()));
  check(taken <= std::min<std::size_t>(destination.size(), kCapacity));
  check(std::all_of(destination.begin() + taken, destination.end(),
                    [](std::uint8_t b) { return b == kUntouched; }));
  check(destination.empty() || ring.readOffset < kCapacity);
}

void setBlockCounters(FuzzInput& input, kernel::StreamBlock& block) {
  block.lostMilliseconds = input.word();
  block.state = input.word();
  block.outputCredit = static_cast<std::int32_t>(input.word());
  block.dropFlag = input.byte();
  block.dropByteCount = static_cast<std::int32_t>(input.word());
}

void checkSide(std::uint32_t channels, std::int32_t fill, std::int32_t free) {
  if (channels == 0) {
    check(fill == 0 && free == 0);
    return;
  }
  check(fill >= 0 && free >= 0 && fill + free == static_cast<std::int32_t>(kCapacity));
}

void status(FuzzInput& input, kernel::StreamBlock& block) {
  kernel::StreamFormat format{};
  input.fill(reinterpret_cast<std::uint8_t*>(&format), sizeof format);
  StreamStatus status;
  readStreamStatus(block, format, status);
  checkSide(format.inputChannels, status.captureFill, status.captureFree);
  checkSide(format.outputChannels, status.playbackFill, status.playbackFree);
  check(block.lostMilliseconds == 0);
}

void drop(FuzzInput& input, kernel::StreamBlock& block) {
  const std::uint32_t n = input.word();
  const bool dropping = block.dropFlag != 0;
  const std::uint32_t left = bytesAfterDrop(block, n);
  check(left <= n && (dropping || left == n));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Rings apart from the block, so that a step past a ring's end meets the allocator's guard.
  static const auto playback = std::make_unique<kernel::RingBuffer>();
  static const auto capture = std::make_unique<kernel::RingBuffer>();
  static const auto block = std::make_unique<kernel::StreamBlock>();
  resetStreamBlock(*block, nullptr, 0);
  for (kernel::RingBuffer* ring : {playback.get(), capture.get()}) {
    ring->writeOffset = ring->readOffset = ring->fillCount = 0;
  }

  FuzzInput input(data, size);
  while (!input.done()) {
    switch (input.byte() % 8) {
    case 0: {
      kernel::RingBuffer* const rings[] = {playback.get(), capture.get(), &block->playback, &block->capture};
      setCounters(input, *rings[input.byte() % 4]);
      break;
    }
    case 1:
      subtractOutputCredit(*block, static_cast<std::int32_t>(input.word() % (kCapacity + 1)));
      break;
    case 2:
      write(input, *playback);
      break;
    case 3:
      read(input, *capture);
      break;
    case 4:
      setBlockCounters(input, *block);
      break;
    case 5:
      status(input, *block);
      break;
    case 6:
      drop(input, *block);
      break;
    default:
      read(input, *playback); // takes back what the writes put there
      break;
    }
  }
  return 0;
}
