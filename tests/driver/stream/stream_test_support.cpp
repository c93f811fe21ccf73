#include "stream_test_support.h"

#include <cstring>

namespace stream_test {

reference::Bytes randomBytes(std::size_t count, std::mt19937& rng) {
  reference::Bytes bytes(count);
  for (std::uint8_t& b : bytes) {
    b = static_cast<std::uint8_t>(rng());
  }
  return bytes;
}

std::vector<ChannelBuffer> randomHostBuffers(int channels, int bits, int frames, std::mt19937& rng) {
  std::vector<ChannelBuffer> buffers(static_cast<std::size_t>(channels));
  for (ChannelBuffer& buffer : buffers) {
    buffer.allocate(bits, frames);
    const reference::Bytes bytes = randomBytes(static_cast<std::size_t>(buffer.size()), rng);
    std::memcpy(buffer.data(), bytes.data(), bytes.size());
  }
  return buffers;
}

reference::Channels samplesOf(const std::vector<ChannelBuffer>& buffers) {
  reference::Channels channels;
  for (const ChannelBuffer& buffer : buffers) {
    channels.emplace_back(buffer.data(), buffer.data() + buffer.size());
  }
  return channels;
}

} // namespace stream_test
