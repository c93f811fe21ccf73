#pragma once

#include <kxtools/inc/kxbytebuffer.h>

#include <cstdint>
#include <memory>

// LZW with 9- to 12-bit codes, packed most significant bit first. The compressor resets
// its table when the next code reaches 4096, the expander (one entry behind) at 4094.
class KxLzw {
public:
  static constexpr std::uint32_t kLiteralCount = 256;
  static constexpr std::uint32_t kTableSize = 4096;
  static constexpr std::uint32_t kInitialWidth = 9;

  KxLzw();
  KxLzw(const KxLzw&) = delete;
  KxLzw& operator=(const KxLzw&) = delete;
  virtual ~KxLzw();

  // out := the LZW code of every readable byte of in. False only when the table cannot
  // be allocated.
  bool compress(KxByteBuffer& in, KxByteBuffer& out);
  // out := the bytes expanded from the code in in. Corrupt input ends the output early.
  void expand(KxByteBuffer& in, KxByteBuffer& out);

private:
  // A node's code is its index; 0 (a literal, never a child) marks "none".
  struct TreeNode {
    std::uint16_t firstChild;
    std::uint16_t nextSibling;
    std::uint8_t value;
  };
  // The length of each chain is kept so a string can be written back to front in place.
  struct ChainNode {
    std::uint16_t prefix;
    std::uint16_t length;
    std::uint8_t value;
  };

  bool writeString(std::uint32_t code, KxByteBuffer& out, std::uint8_t& first) const;

  std::unique_ptr<TreeNode[]> tree_;
  std::unique_ptr<ChainNode[]> chain_;
};
