#include <abi/kernel.h>
#include <driver/stream/channel_buffer.h>

#include <new>

bool ChannelBuffer::allocate(std::int32_t bits, std::int32_t frames) {
  release();
  const std::int64_t size = std::int64_t{frames} * kernel::bytesPerSample(bits);
  if (frames < 0 || size > INT32_MAX - kSlack) {
    return false;
  }
  data_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size + kSlack)]());
  if (!data_) {
    return false;
  }
  bits_ = bits;
  frames_ = frames;
  size_ = static_cast<std::int32_t>(size);
  return true;
}

void ChannelBuffer::release() {
  data_.reset();
  bits_ = 0;
  frames_ = 0;
  size_ = 0;
}
