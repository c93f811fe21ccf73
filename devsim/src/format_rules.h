#pragma once

// The kernel driver's rules for stream formats and transfer lengths.
//
// A format is accepted when its configuration is in the descriptor image and each direction
// with channels (at most 8, of 16, 20, 24 or 32 bits) has an alternate setting of exactly
// those bits and channels whose rates include the format's rate and whose endpoint of that
// direction carries at least one frame per packet.
//
// A transfer length is accepted from 1 to 10 ms, and above 1 ms only while one transfer of
// both directions stays within the kernel's 4096-byte transfer buffer.
#include <abi/kernel.h>

#include <cstdint>

namespace devsim {

inline constexpr std::uint32_t kMaxTransferMs = 10;
inline constexpr std::uint32_t kTransferBufferBytes = 4096;
inline constexpr std::uint32_t kMaxStreamChannels = 8;

bool formatSupported(const kernel::DeviceDescriptorBlock& image, const kernel::StreamFormat& format);
bool transferLengthFits(const kernel::StreamFormat& format, std::uint32_t ms);
// The longest accepted transfer length not above `ms`.
std::uint32_t fittedTransferLength(const kernel::StreamFormat& format, std::uint32_t ms);

// Bytes of one interleaved frame in each direction.
std::uint32_t inputFrameBytes(const kernel::StreamFormat& format);
std::uint32_t outputFrameBytes(const kernel::StreamFormat& format);

} // namespace devsim
