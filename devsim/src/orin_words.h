#pragma once

// The Orin tunnel's word layer. The controller sees only volume writes to channels 1 and 2
// of its feature unit; four of them, alternating channel 1, 2, 1, 2, make one word:
//   command word x: 0x0070, 0x0FFF, x * 16, 0x0FFF
//   data word x:    0x00F0, 0x0FFF, 0x0FFF, x * 16
// A write out of that order drops the word begun so far; a channel-1 write then starts a
// new word, so the decoder finds its step again after a lost request.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace devsim {

struct OrinWord {
  bool command = false; // else data
  std::uint16_t value = 0;
};

class OrinWordDecoder {
public:
  struct Result {
    std::optional<OrinWord> word; // a complete word
    std::string error;            // what went wrong, if anything
  };

  Result write(int channel, std::uint16_t value);
  bool midWord() const { return count_ != 0; }
  void clear() { count_ = 0; }

private:
  std::array<std::uint16_t, 4> writes_{};
  int count_ = 0;
};

} // namespace devsim
