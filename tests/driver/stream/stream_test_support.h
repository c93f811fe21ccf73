#pragma once

#include <driver/stream/channel_buffer.h>

#include "reference_conversion.h"

#include <cstddef>
#include <random>
#include <vector>

namespace stream_test {

reference::Bytes randomBytes(std::size_t count, std::mt19937& rng);

// Channel buffers of one shape whose samples are random bytes.
std::vector<ChannelBuffer> randomHostBuffers(int channels, int bits, int frames, std::mt19937& rng);

// The samples of each buffer (its first size bytes).
reference::Channels samplesOf(const std::vector<ChannelBuffer>& buffers);

} // namespace stream_test
