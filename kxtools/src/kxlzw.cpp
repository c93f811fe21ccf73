#include <kxtools/inc/kxlzw.h>

#include <cstring>
#include <new>

namespace {

// Codes go out most significant bit first; whole bytes leave as soon as they are complete.
class BitWriter {
public:
  explicit BitWriter(KxByteBuffer& out) : out_(out) {}

  void put(std::uint32_t code, std::uint32_t width) {
    acc_ = (acc_ << width) | code;
    bits_ += width;
    while (bits_ >= 8) {
      bits_ -= 8;
      pending_[used_++] = static_cast<std::uint8_t>(acc_ >> bits_);
      if (used_ == sizeof pending_) {
        drain();
      }
    }
    acc_ &= (1U << bits_) - 1;
  }

  // The last bits, if any, leave as one byte padded with zero bits at the low end.
  void finish() {
    if (bits_ > 0) {
      pending_[used_++] = static_cast<std::uint8_t>(acc_ << (8 - bits_));
      bits_ = 0;
    }
    drain();
  }

private:
  void drain() {
    out_.write(pending_, static_cast<std::int32_t>(used_));
    used_ = 0;
  }

  KxByteBuffer& out_;
  std::uint32_t acc_ = 0;
  std::uint32_t bits_ = 0;
  std::uint8_t pending_[4096] = {};
  std::uint32_t used_ = 0;
};

class BitReader {
public:
  explicit BitReader(KxByteBuffer& in) : in_(in) {}

  // False when fewer than width bits are left: the end, or a truncated last code.
  bool get(std::uint32_t width, std::uint32_t& code) {
    while (bits_ < width) {
      if (in_.atEnd()) {
        return false;
      }
      acc_ = (acc_ << 8) | in_.readByte();
      bits_ += 8;
    }
    bits_ -= width;
    code = (acc_ >> bits_) & ((1U << width) - 1);
    acc_ &= (1U << bits_) - 1;
    return true;
  }

private:
  KxByteBuffer& in_;
  std::uint32_t acc_ = 0;
  std::uint32_t bits_ = 0;
};

// Tables are made once per codec and reused.
template <typename Node>
bool ensureTable(std::unique_ptr<Node[]>& table) {
  if (!table) {
    table.reset(new (std::nothrow) Node[KxLzw::kTableSize]);
  }
  return static_cast<bool>(table);
}

} // namespace

KxLzw::KxLzw() = default;

KxLzw::~KxLzw() = default;

bool KxLzw::compress(KxByteBuffer& in, KxByteBuffer& out) {
  in.rewind();
  out.reset(0);
  if (in.atEnd()) {
    return true;
  }
  if (!ensureTable(tree_)) {
    return false;
  }
  TreeNode* tree = tree_.get();
  for (std::uint32_t i = 0; i < kLiteralCount; ++i) {
    tree[i] = TreeNode{0, 0, static_cast<std::uint8_t>(i)};
  }
  std::uint32_t width = kInitialWidth;
  std::uint32_t next = kLiteralCount;
  BitWriter bits(out);

  std::uint8_t chunk[4096];
  std::int32_t got = in.read(chunk, sizeof chunk);
  std::uint32_t node = chunk[0];
  std::int32_t at = 1;
  for (;;) {
    if (at == got) {
      got = in.read(chunk, sizeof chunk);
      at = 0;
      if (got == 0) {
        break;
      }
    }
    const std::uint8_t c = chunk[at++];
    std::uint32_t last = 0;
    std::uint32_t child = tree[node].firstChild;
    while (child != 0 && tree[child].value != c) {
      last = child;
      child = tree[child].nextSibling;
    }
    if (child != 0) {
      node = child;
      continue;
    }
    bits.put(node, width);
    tree[next] = TreeNode{0, 0, c};
    if (last != 0) {
      tree[last].nextSibling = static_cast<std::uint16_t>(next);
    } else {
      tree[node].firstChild = static_cast<std::uint16_t>(next);
    }
    ++next;
    if (next == (1U << width)) {
      ++width;
    }
    if (next == kTableSize) {
      for (std::uint32_t i = 0; i < kLiteralCount; ++i) {
        tree[i].firstChild = 0;
      }
      next = kLiteralCount;
      width = kInitialWidth;
    }
    node = c;
  }
  bits.put(node, width);
  bits.finish();
  out.resize(out.length());
  return true;
}

bool KxLzw::writeString(std::uint32_t code, KxByteBuffer& out, std::uint8_t& first) const {
  const ChainNode* chain = chain_.get();
  std::uint8_t* at = out.writeSpace(chain[code].length);
  if (at == nullptr) {
    return false;
  }
  for (std::uint32_t i = chain[code].length; i-- > 0; code = chain[code].prefix) {
    at[i] = chain[code].value;
  }
  first = at[0];
  return true;
}

void KxLzw::expand(KxByteBuffer& in, KxByteBuffer& out) {
  in.rewind();
  out.reset(0);
  if (in.atEnd() || !ensureTable(chain_)) {
    return;
  }
  ChainNode* chain = chain_.get();
  for (std::uint32_t i = 0; i < kLiteralCount; ++i) {
    chain[i] = ChainNode{0, 1, static_cast<std::uint8_t>(i)};
  }
  std::uint32_t width = kInitialWidth;
  std::uint32_t next = kLiteralCount;
  BitReader bits(in);
  std::uint8_t first = 0;

  // Every code read is checked against the entries written so far, so corrupt input can
  // only end the output early.
  std::uint32_t old = 0;
  if (!bits.get(width, old) || old >= kLiteralCount || !writeString(old, out, first)) {
    out.resize(out.length());
    return;
  }
  for (;;) {
    std::uint32_t code = 0;
    if (!bits.get(width, code) || code > next) {
      break;
    }
    if (code < next) {
      if (!writeString(code, out, first)) {
        break;
      }
    } else {
      std::uint8_t* at = nullptr;
      if (!writeString(old, out, first) || (at = out.writeSpace(1)) == nullptr) {
        break;
      }
      *at = first;
    }
    if (next == kTableSize - 2) {
      next = kLiteralCount;
      width = kInitialWidth;
      if (!bits.get(width, code) || code >= kLiteralCount || !writeString(code, out, first)) {
        break;
      }
    } else {
      chain[next] = ChainNode{static_cast<std::uint16_t>(old),
                              static_cast<std::uint16_t>(chain[old].length + 1), first};
      ++next;
      if (next + 1 == (1U << width)) {
        ++width;
      }
    }
    old = code;
  }
  out.resize(out.length());
}
