#include "orin_words.h"

namespace devsim {
namespace {

constexpr std::uint16_t kCommandTag = 0x0070;
constexpr std::uint16_t kDataTag = 0x00F0;
constexpr std::uint16_t kFiller = 0x0FFF;

std::optional<OrinWord> decode(const std::array<std::uint16_t, 4>& w) {
  if (w[0] == kCommandTag && w[1] == kFiller && w[3] == kFiller && w[2] % 16 == 0) {
    return OrinWord{true, static_cast<std::uint16_t>(w[2] / 16)};
  }
  if (w[0] == kDataTag && w[1] == kFiller && w[2] == kFiller && w[3] % 16 == 0) {
    return OrinWord{false, static_cast<std::uint16_t>(w[3] / 16)};
  }
  return std::nullopt;
}

} // namespace

OrinWordDecoder::Result OrinWordDecoder::write(int channel, std::uint16_t value) {
  Result result;
  const int expected = count_ % 2 == 0 ? 1 : 2;
  if (channel != expected) {
    result.error = "word out of order";
    count_ = 0;
    if (channel != 1) {
      return result;
    }
  }
  writes_[count_++] = value;
  if (count_ == 4) {
    count_ = 0;
    result.word = decode(writes_);
    if (!result.word) {
      result.error = "unknown word";
    }
  }
  return result;
}

} // namespace devsim
