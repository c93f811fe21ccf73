#include <kxtools/inc/kxbytebuffer.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace {

constexpr char kTextAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ@abcdefghijklmnopqrstuvwxyz#";
static_assert(sizeof kTextAlphabet == 65);

constexpr std::array<std::uint8_t, 256> makeTextValues() {
  std::array<std::uint8_t, 256> t{};
  for (auto& v : t) {
    v = 255;
  }
  for (int i = 0; i < 64; ++i) {
    t[static_cast<unsigned char>(kTextAlphabet[i])] = static_cast<std::uint8_t>(i);
  }
  return t;
}

constexpr std::array<std::uint8_t, 256> kTextValues = makeTextValues();

std::uint8_t* allocateZeroed(std::int32_t size) {
  if (size <= 0) {
    return nullptr;
  }
  return new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]();
}

} // namespace

char kxTextCodeChar(std::uint32_t value) { return value < 64 ? kTextAlphabet[value] : '\0'; }

std::uint8_t kxTextCodeValue(std::uint8_t character) { return kTextValues[character]; }

KxByteBuffer::KxByteBuffer(std::int32_t size) : data_(allocateZeroed(size)) {
  capacity_ = data_ != nullptr ? size : 0;
}

KxByteBuffer::KxByteBuffer(std::uint8_t* bytes, std::int32_t size)
    : data_(bytes), capacity_(bytes != nullptr ? std::max(size, 0) : 0), external_(true) {}

KxByteBuffer::KxByteBuffer(KxByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)),
      readPos_(std::exchange(other.readPos_, 0)), writePos_(std::exchange(other.writePos_, 0)),
      external_(std::exchange(other.external_, false)) {}

KxByteBuffer& KxByteBuffer::operator=(KxByteBuffer&& other) noexcept {
  if (&other != this) {
    KxByteBuffer old(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    readPos_ = std::exchange(other.readPos_, 0);
    writePos_ = std::exchange(other.writePos_, 0);
    external_ = std::exchange(other.external_, false);
  }
  return *this;
}

KxByteBuffer::~KxByteBuffer() {
  if (!external_) {
    delete[] data_;
  }
}

void KxByteBuffer::reset(std::int32_t size) {
  if (external_) {
    return;
  }
  delete[] data_;
  data_ = allocateZeroed(size);
  capacity_ = data_ != nullptr ? size : 0;
  readPos_ = 0;
  writePos_ = 0;
}

void KxByteBuffer::resize(std::int32_t size) {
  if (external_) {
    return;
  }
  size = std::max(size, 0);
  std::uint8_t* grown = allocateZeroed(size);
  if (grown == nullptr && size > 0) {
    return;
  }
  if (grown != nullptr && data_ != nullptr) {
    std::memcpy(grown, data_, static_cast<std::size_t>(std::min(size, capacity_)));
  }
  delete[] data_;
  data_ = grown;
  capacity_ = size;
  readPos_ = std::min(readPos_, static_cast<std::uint32_t>(size));
  writePos_ = std::min(writePos_, size);
}

void KxByteBuffer::rewind() {
  readPos_ = 0;
  writePos_ = 0;
}

void KxByteBuffer::seekEnd() {
  readPos_ = static_cast<std::uint32_t>(capacity_);
  writePos_ = capacity_;
}

void KxByteBuffer::skip(std::int32_t n) {
  if (n <= 0) {
    return;
  }
  if (n > remaining()) {
    seekEnd();
    return;
  }
  readPos_ += static_cast<std::uint32_t>(n);
  writePos_ = std::min(writePos_ + n, capacity_);
}

std::uint8_t KxByteBuffer::peek(std::int32_t i) const {
  return (i < 0 || i >= remaining()) ? 0 : data_[readPos_ + static_cast<std::uint32_t>(i)];
}

std::int32_t KxByteBuffer::read(void* dst, std::int32_t n) {
  if (dst == nullptr || n <= 0 || atEnd()) {
    return 0;
  }
  const std::int32_t count = std::min(n, remaining());
  std::memcpy(dst, data_ + readPos_, static_cast<std::size_t>(count));
  readPos_ += static_cast<std::uint32_t>(count);
  return count;
}

std::uint8_t* KxByteBuffer::writeSpace(std::int32_t n) {
  n = std::max(n, 0);
  const std::int64_t needed = std::int64_t{writePos_} + n;
  if (capacity_ < needed && !external_) {
    const std::int64_t doubled = 2 * (std::int64_t{n} + capacity_);
    resize(
        static_cast<std::int32_t>(std::min<std::int64_t>(doubled, std::numeric_limits<std::int32_t>::max())));
  }
  if (capacity_ < needed) {
    return nullptr;
  }
  std::uint8_t* at = data_ + writePos_;
  writePos_ += n;
  return at;
}

void KxByteBuffer::write(const void* src, std::int32_t n) {
  if (src == nullptr || n <= 0) {
    return;
  }
  std::uint8_t* at = writeSpace(n);
  if (at == nullptr) {
    // A wrapped buffer silently stops at its end.
    const std::int32_t fits = capacity_ - writePos_;
    if (fits <= 0) {
      return;
    }
    n = fits;
    at = writeSpace(n);
  }
  std::memcpy(at, src, static_cast<std::size_t>(n));
}

void KxByteBuffer::writeUInt16(std::uint16_t v) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
  write(bytes, 2);
}

void KxByteBuffer::writeUInt32(std::uint32_t v) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  write(bytes, 4);
}

void KxByteBuffer::writeString(const KxString& s) {
  const std::int32_t n = s.length() + 1;
  writeUInt32(static_cast<std::uint32_t>(n));
  write(s.text(), n);
}

void KxByteBuffer::writeBuffer(const KxByteBuffer& b) {
  writeUInt32(static_cast<std::uint32_t>(b.length()));
  write(b.data(), b.length());
}

std::uint8_t KxByteBuffer::readByte() {
  std::uint8_t v = 0;
  read(&v, 1);
  return v;
}

std::uint16_t KxByteBuffer::readUInt16() {
  std::uint8_t b[2] = {};
  read(b, 2);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t KxByteBuffer::readUInt32() {
  std::uint8_t b[4] = {};
  read(b, 4);
  return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
         (std::uint32_t{b[3]} << 24);
}

void KxByteBuffer::readString(KxString& s) {
  const std::uint32_t n = readUInt32();
  if (static_cast<std::uint32_t>(remaining()) < n) {
    s.assign(KxString::empty());
    return;
  }
  s.setLength(static_cast<std::int32_t>(n));
  read(s.buffer(), static_cast<std::int32_t>(n));
  s.recountLength();
}

void KxByteBuffer::readBuffer(KxByteBuffer& b) {
  const std::uint32_t n = readUInt32();
  if (&b == this) {
    return; // a buffer cannot be refilled from itself
  }
  if (static_cast<std::uint32_t>(remaining()) < n) {
    b.reset(0);
    return;
  }
  const auto size = static_cast<std::int32_t>(n);
  b.reset(size);
  // A wrapped or unallocated target takes what fits; the announced bytes are consumed.
  const std::int32_t fits = std::min(size, b.capacity_);
  read(b.data_, fits);
  skip(size - fits);
  b.writePos_ = b.capacity_;
}

KxByteBuffer KxByteBuffer::copyOfBytes() const {
  KxByteBuffer copy(capacity_);
  copy.write(data_, capacity_);
  return copy;
}

void KxByteBuffer::appendUpTo(const std::uint8_t* bytes, std::int32_t n) {
  const std::int32_t count = std::min(n, capacity_ - writePos_);
  if (count > 0) {
    std::memcpy(data_ + writePos_, bytes, static_cast<std::size_t>(count));
    writePos_ += count;
  }
}

void KxByteBuffer::encodeText(KxByteBuffer& source) {
  if (&source == this) {
    KxByteBuffer copy = copyOfBytes();
    encodeText(copy);
    return;
  }
  source.rewind();
  const std::int32_t bytes = source.remaining();
  const std::int32_t groups = bytes / 3 + (bytes % 3 != 0 ? 1 : 0);
  // Sized exactly, so the groups go straight into place; a wrapped buffer keeps its size
  // and takes what fits.
  reset(groups > std::numeric_limits<std::int32_t>::max() / 4 ? 0 : groups * 4);
  const std::uint8_t* in = source.data_;
  for (std::int32_t i = 0; i < bytes; i += 3) {
    const std::int32_t left = bytes - i;
    const std::uint32_t v = (std::uint32_t{in[i]} << 16) | (left > 1 ? std::uint32_t{in[i + 1]} << 8 : 0U) |
                            (left > 2 ? std::uint32_t{in[i + 2]} : 0U);
    const std::uint8_t chars[4] = {static_cast<std::uint8_t>(kTextAlphabet[(v >> 18) & 63]),
                                   static_cast<std::uint8_t>(kTextAlphabet[(v >> 12) & 63]),
                                   static_cast<std::uint8_t>(kTextAlphabet[(v >> 6) & 63]),
                                   static_cast<std::uint8_t>(kTextAlphabet[v & 63])};
    appendUpTo(chars, 4);
  }
  source.readPos_ = static_cast<std::uint32_t>(source.capacity_);
}

void KxByteBuffer::decodeText(KxByteBuffer& source) {
  if (&source == this) {
    KxByteBuffer copy = copyOfBytes();
    decodeText(copy);
    return;
  }
  source.rewind();
  const std::int32_t chars = source.remaining();
  const std::int32_t tail = chars % 4;
  reset(chars / 4 * 3 + (tail > 0 ? tail - 1 : 0));
  const std::uint8_t* in = source.data_;
  for (std::int32_t i = 0; i < chars; i += 4) {
    // A missing character counts as 255, as a foreign one does.
    const std::int32_t got = std::min(chars - i, 4);
    std::uint32_t v = 0;
    for (std::int32_t k = 0; k < 4; ++k) {
      v = (v << 6) + (k < got ? kTextValues[in[i + k]] : 255U);
    }
    const std::uint8_t out[3] = {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v)};
    appendUpTo(out, got - 1);
  }
  source.readPos_ = static_cast<std::uint32_t>(source.capacity_);
}
