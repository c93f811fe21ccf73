#pragma once

// The kernel's side of the two rings of the shared stream block. The library changes the
// same rings at the same time, so every shared counter is accessed atomically and every
// offset read from the block is checked before it is used: an offset outside the ring counts
// as 0 (the library itself wraps an offset of exactly the capacity to 0), a fill count above
// the capacity as the capacity.
#include <abi/kernel.h>

#include <cstdint>

namespace devsim {

// Takes up to `size` bytes from the playback ring into `target`; returns how many it took.
std::uint32_t drainRing(kernel::RingBuffer& ring, std::uint8_t* target, std::uint32_t size);
// Appends up to `size` bytes to the capture ring, as many as there is room for; returns
// how many it appended.
std::uint32_t fillRing(kernel::RingBuffer& ring, const std::uint8_t* source, std::uint32_t size);

} // namespace devsim
