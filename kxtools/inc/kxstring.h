#pragma once

#include <kxtools/inc/kxobject.h>

#include <array>
#include <cstdint>
#include <memory>

#if defined(__MINGW32__)
#define KX_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define KX_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif

// The library's 8-bit text (Windows ANSI code page). Every string owns its buffer, which
// is never null and always zero-terminated at length(). Growth is deliberately not
// geometric: construction keeps 8 spare bytes, an append that does not fit grows to
// exactly what it needs plus 3.
class KxString : public KxObject {
public:
  KxString();
  KxString(const char* text); // NOLINT(google-explicit-constructor): texts convert freely
  KxString(char fill, std::int32_t n);
  KxString(const KxString& other);
  KxString& operator=(const KxString& other) { return assign(other); }
  ~KxString() override;

  // The constant empty string that operations yielding nothing copy.
  static const KxString& empty();

  std::int32_t classId() const override { return kKxStringClassId; }
  std::int32_t compareTo(const KxObject& other) const override;

  KxString& assign(const KxString& other);
  KxString& append(const char* text);
  KxString& append(const KxString& other) { return append(other.text()); }

  const char* text() const { return data_; }
  // The writable buffer, for callers that fill it after reserve() or setLength() and then
  // call recountLength().
  char* buffer() { return data_; }
  std::int32_t length() const { return length_; }
  std::int32_t capacity() const { return capacity_; }
  bool isEmpty() const { return length_ == 0; }

  void clear();
  void reserve(std::int32_t n);
  void setLength(std::int32_t n);
  void recountLength();
  // printf-style; replaces the contents. Results of any length are kept whole.
  KxString& format(const char* fmt, ...) KX_PRINTF_FORMAT(2, 3);

  void foldUpper();
  KxString mid(std::int32_t pos, std::int32_t count) const;
  KxString left(std::int32_t count) const { return mid(0, count); }
  KxString right(std::int32_t count) const;
  void trimLeft();
  void trimRight();
  void trim();
  void replaceAll(const KxString& find, const KxString& with);

  char charAt(std::int32_t i) const;
  std::int32_t find(const KxString& sub) const;
  std::int32_t compareText(const char* text) const;
  std::int32_t compareNoCase(const char* text) const;
  std::int32_t comparePrefix(const KxString& other) const;
  std::int32_t toInt() const;
  double toDouble() const;
  KxString& fromInt(std::int32_t value);
  KxString& fromShort(std::int32_t value);
  // Takes the first token delimited by any character of delims into token and leaves the
  // rest (after the one delimiter that ended it) in this string. False when no token is
  // left; the string is then unchanged.
  bool split(const char* delims, KxString& token);
  std::unique_ptr<char[]> duplicate() const;
  char* copyTo(char* dst, std::int32_t max) const;

  bool operator==(const KxString& other) const { return compareTo(other) == 0; }

private:
  void allocateZeroed(std::int32_t capacity);
  void appendBytes(const char* bytes, std::int32_t n);

  char* data_ = nullptr;
  std::int32_t capacity_ = 0;
  std::int32_t length_ = 0;
};

// Fold table of foldUpper(): ASCII and Windows-1252 accented letters to plain capitals.
extern const std::array<unsigned char, 256> kKxUpperFold;
