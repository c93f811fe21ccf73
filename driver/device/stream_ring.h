#pragma once

#include <abi/kernel.h>
#include <winapi/include/winapi.h>

#include <cstdint>

// What the streaming thread reads after each wake-up: the block's counters, in bytes and in
// frames of the format the stream was started with.
struct StreamStatus {
  std::int32_t lostMilliseconds = 0;
  std::int32_t captureFill = 0;
  std::int32_t captureFree = 0;
  std::int32_t captureFillFrames = 0;
  std::int32_t captureFreeFrames = 0;
  std::int32_t playbackFill = 0;
  std::int32_t playbackFree = 0;
  std::int32_t playbackFillFrames = 0;
  std::int32_t playbackFreeFrames = 0;
  std::int32_t outputCredit = 0;
  std::int32_t state = 0;
};

// The driver library's side of the block shared with the kernel driver. The kernel works on
// the block at the same time: every field it also touches is read and written atomically,
// and offsets read back from the block are held to the ring before they are used.
void resetStreamBlock(kernel::StreamBlock& block, HANDLE event, std::int32_t latencyAllowance);
// Appends n bytes (at most a ring's capacity) to the playback ring.
void writePlayback(kernel::RingBuffer& ring, const std::uint8_t* data, std::uint32_t n);
// Takes up to n bytes from the capture ring; returns how many it took. What it cannot take
// leaves the destination as it was.
std::uint32_t readCapture(kernel::RingBuffer& ring, std::uint8_t* destination, std::uint32_t n);
void readStreamStatus(kernel::StreamBlock& block, const kernel::StreamFormat& format, StreamStatus& status);

// The block's counters of the output side, for the playback transfer.
std::int32_t subtractOutputCredit(kernel::StreamBlock& block, std::int32_t bytes);
// Bytes of an output block of n bytes that are to be written after the kernel's drop request
// has taken its share.
std::uint32_t bytesAfterDrop(kernel::StreamBlock& block, std::uint32_t n);
