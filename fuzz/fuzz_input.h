#pragma once

// A fuzzer's input read front to back as small values; past its end every read gives 0, so
// a target never has to check how much is left.
#include <cstddef>
#include <cstdint>

class FuzzInput {
public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool done() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  // Little-endian; the low part is read first.
  std::uint32_t half() {
    const std::uint32_t low = byte();
    return low | static_cast<std::uint32_t>(byte()) << 8;
  }
  std::uint32_t word() {
    const std::uint32_t low = half();
    return low | half() << 16;
  }
  void fill(std::uint8_t* target, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      target[i] = byte();
    }
  }
  // What has not been read yet.
  const std::uint8_t* rest() const { return data_ + (at_ < size_ ? at_ : size_); }
  std::size_t restSize() const { return at_ < size_ ? size_ - at_ : 0; }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};
