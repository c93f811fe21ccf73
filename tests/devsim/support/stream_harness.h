#pragma once

// The library's side of one stream, for the tests: the stream block and its event, the
// start and stop requests, and a plain writer and reader of the two rings (atomic on the
// counters the kernel changes too).
#include <abi/kernel.h>

#include "kernel_client.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace devsimtest {

class StreamHarness {
public:
  explicit StreamHarness(const OpenDevice& device);
  ~StreamHarness();
  StreamHarness(const StreamHarness&) = delete;
  StreamHarness& operator=(const StreamHarness&) = delete;

  Reply start();
  Reply stop();
  kernel::StreamBlock& block() { return *block_; }
  HANDLE event() const { return event_; }
  // True when the kernel set the event since the last call (which resets it).
  bool takeEvent();

  // Appends to the playback ring as far as there is room; answers how much was written.
  std::uint32_t writePlayback(const std::vector<std::uint8_t>& bytes);
  // Takes up to `size` bytes from the capture ring.
  std::vector<std::uint8_t> readCapture(std::uint32_t size);
  std::uint32_t playbackFill();
  std::uint32_t captureFill();

private:
  const OpenDevice& device_;
  std::unique_ptr<kernel::StreamBlock> block_;
  HANDLE event_;
};

// `count` bytes counting up from `first`, wrapping at 256.
std::vector<std::uint8_t> countingBytes(std::uint32_t count, std::uint8_t first = 0);

} // namespace devsimtest
