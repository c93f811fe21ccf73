#pragma once

#include <cstdint>
#include <memory>

// One half of one channel's double buffer, in the host's packed little-endian layout. The
// block is 128 bytes longer than the samples so that converters may work in whole words.
class ChannelBuffer {
public:
  static constexpr std::int32_t kSlack = 128;

  // Replaces any earlier allocation; false (and empty) when the block cannot be allocated.
  bool allocate(std::int32_t bits, std::int32_t frames);
  void release();

  std::uint8_t* data() const { return data_.get(); }
  std::int32_t bits() const { return bits_; }
  std::int32_t frames() const { return frames_; }
  std::int32_t size() const { return size_; }
  bool isEmpty() const { return data_ == nullptr; }

private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::int32_t bits_ = 0;
  std::int32_t frames_ = 0;
  std::int32_t size_ = 0;
};
