#pragma once

#include <kxtools/inc/kxstring.h>

#include <cstdint>

// Growable byte buffer with a read and a write position and one fixed little-endian
// layout for typed values. The readable bytes run from the read position to capacity(),
// not to length(): bytes a growth added past the written ones read as zeros.
class KxByteBuffer {
public:
  KxByteBuffer() = default;
  explicit KxByteBuffer(std::int32_t size);
  // Wraps foreign bytes: the buffer never grows, reallocates or frees them.
  KxByteBuffer(std::uint8_t* bytes, std::int32_t size);
  KxByteBuffer(const KxByteBuffer&) = delete;
  KxByteBuffer& operator=(const KxByteBuffer&) = delete;
  // A moved-from buffer is empty and owns nothing.
  KxByteBuffer(KxByteBuffer&& other) noexcept;
  KxByteBuffer& operator=(KxByteBuffer&& other) noexcept;
  virtual ~KxByteBuffer();

  const std::uint8_t* data() const { return data_; }
  std::uint8_t* data() { return data_; }
  std::int32_t capacity() const { return capacity_; }
  std::int32_t length() const { return writePos_; }
  std::uint32_t readPosition() const { return readPos_; }
  bool isExternal() const { return external_; }

  void reset(std::int32_t size);
  void resize(std::int32_t size);
  std::int32_t remaining() const { return capacity_ - static_cast<std::int32_t>(readPos_); }
  bool atEnd() const { return remaining() == 0; }
  void rewind();
  void seekEnd();
  void skip(std::int32_t n);
  std::uint8_t peek(std::int32_t i) const;

  // Copies up to n readable bytes; what lies past the end is not touched.
  std::int32_t read(void* dst, std::int32_t n);
  void write(const void* src, std::int32_t n);
  // Room for n more bytes at the write position (grown as write() grows), which then
  // counts as written; null when a wrapped buffer lacks the room.
  std::uint8_t* writeSpace(std::int32_t n);

  void writeByte(std::uint8_t v) { write(&v, 1); }
  void writeFlag(bool b) { writeByte(b ? 1 : 0); }
  void writeUInt16(std::uint16_t v);
  void writeUInt32(std::uint32_t v);
  void writeInt16(std::int16_t v) { writeUInt16(static_cast<std::uint16_t>(v)); }
  void writeInt32(std::int32_t v) { writeUInt32(static_cast<std::uint32_t>(v)); }
  void writeString(const KxString& s);
  void writeBuffer(const KxByteBuffer& b);

  // Reads past the end deliver zeros for the missing bytes.
  std::uint8_t readByte();
  bool readFlag() { return readByte() == 1; }
  std::uint16_t readUInt16();
  std::uint32_t readUInt32();
  std::int16_t readInt16() { return static_cast<std::int16_t>(readUInt16()); }
  std::int32_t readInt32() { return static_cast<std::int32_t>(readUInt32()); }
  void readString(KxString& s);
  void readBuffer(KxByteBuffer& b);

  // Text code: every three bytes become four characters of a 64-character alphabet.
  void encodeText(KxByteBuffer& source);
  void decodeText(KxByteBuffer& source);

private:
  // An owned copy of every byte, for the codecs when source and target are one buffer.
  KxByteBuffer copyOfBytes() const;
  // Copies what fits of n bytes at the write position, without growing.
  void appendUpTo(const std::uint8_t* bytes, std::int32_t n);

  std::uint8_t* data_ = nullptr;
  std::int32_t capacity_ = 0;
  std::uint32_t readPos_ = 0;
  std::int32_t writePos_ = 0;
  bool external_ = false;
};

// Character of a text-code value (0 for values above 63), and the value of a character
// (255 for characters outside the alphabet).
char kxTextCodeChar(std::uint32_t value);
std::uint8_t kxTextCodeValue(std::uint8_t character);
