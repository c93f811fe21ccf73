#include <kxtools/inc/kxstring.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t kSpareBytes = 8;
constexpr std::size_t kFormatBufferSize = 2048;

bool isWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::int32_t signOf(int value) { return (value > 0) - (value < 0); }

std::int32_t textLength(const char* text) { return static_cast<std::int32_t>(std::strlen(text)); }

std::int32_t compareBytes(const char* a, std::int32_t na, const char* b, std::int32_t nb) {
  const int r = std::memcmp(a, b, static_cast<std::size_t>(std::min(na, nb)));
  if (r != 0) {
    return signOf(r);
  }
  return signOf(static_cast<int>(na > nb) - static_cast<int>(na < nb));
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr std::array<unsigned char, 256> makeUpperFold() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) {
    t[i] = static_cast<unsigned char>(i);
  }
  for (int c = 'a'; c <= 'z'; ++c) {
    t[c] = static_cast<unsigned char>(c - 'a' + 'A');
  }
  auto map = [&t](int from, int to, char plain) {
    for (int c = from; c <= to; ++c) {
      t[c] = static_cast<unsigned char>(plain);
    }
  };
  map(0xC0, 0xC6, 'A');
  map(0xE0, 0xE6, 'A');
  map(0xC7, 0xC7, 'C');
  map(0xE7, 0xE7, 'C');
  map(0xC8, 0xCB, 'E');
  map(0xE8, 0xEB, 'E');
  map(0xCC, 0xCF, 'I');
  map(0xEC, 0xEF, 'I');
  map(0xD1, 0xD1, 'N');
  map(0xF1, 0xF1, 'N');
  map(0xD2, 0xD4, 'O');
  map(0xD6, 0xD6, 'O');
  map(0xF2, 0xF6, 'O');
  map(0xF8, 0xF8, 'O');
  map(0xD9, 0xDC, 'U');
  map(0xF9, 0xFC, 'U');
  map(0xDD, 0xDD, 'Y');
  map(0xFF, 0xFF, 'Y');
  map(0xDE, 0xDE, 'S');
  map(0x8C, 0x8C, 'O');
  map(0x9C, 0x9C, 'O');
  return t;
}

} // namespace

const std::array<unsigned char, 256> kKxUpperFold = makeUpperFold();

const KxString& KxString::empty() {
  static const KxString constant;
  return constant;
}

void KxString::allocateZeroed(std::int32_t capacity) {
  data_ = new char[static_cast<std::size_t>(capacity)]();
  capacity_ = capacity;
}

KxString::KxString() { allocateZeroed(kSpareBytes + 1); }

KxString::KxString(const char* text) {
  const std::int32_t n = text != nullptr ? textLength(text) : 0;
  allocateZeroed(n + kSpareBytes + 1);
  if (n > 0) {
    std::memcpy(data_, text, static_cast<std::size_t>(n));
  }
  length_ = n;
}

KxString::KxString(char fill, std::int32_t n) {
  if (n <= 0) {
    allocateZeroed(kSpareBytes + 1);
    return;
  }
  allocateZeroed(n + kSpareBytes + 1);
  std::memset(data_, fill, static_cast<std::size_t>(capacity_));
  data_[n] = '\0';
  length_ = fill == '\0' ? 0 : n;
}

KxString::KxString(const KxString& other) : KxObject(other) {
  allocateZeroed(other.length_ + kSpareBytes + 1);
  std::memcpy(data_, other.data_, static_cast<std::size_t>(other.length_));
  length_ = other.length_;
}

KxString::~KxString() { delete[] data_; }

std::int32_t KxString::compareTo(const KxObject& other) const {
  if (other.classId() != kKxStringClassId) {
    // Only strings order against strings; anything else gets a fixed, defined answer.
    return signOf(kKxStringClassId - other.classId());
  }
  const auto& s = static_cast<const KxString&>(other);
  return compareBytes(data_, length_, s.data_, s.length_);
}

KxString& KxString::assign(const KxString& other) {
  if (&other == this) {
    return *this;
  }
  if (capacity_ < other.length_ + 1) {
    delete[] data_;
    allocateZeroed(other.length_ + kSpareBytes + 1);
  }
  std::memcpy(data_, other.data_, static_cast<std::size_t>(other.length_) + 1);
  length_ = other.length_;
  return *this;
}

void KxString::appendBytes(const char* bytes, std::int32_t n) {
  if (length_ + n >= capacity_) {
    reserve(length_ + n + 2);
  }
  std::memmove(data_ + length_, bytes, static_cast<std::size_t>(n));
  data_[length_ + n] = '\0';
  recountLength();
}

KxString& KxString::append(const char* text) {
  if (text == nullptr) {
    return *this;
  }
  const std::int32_t n = textLength(text);
  if (text >= data_ && text < data_ + capacity_) {
    // Appending (part of) itself: the buffer may move while growing.
    const KxString copy(text);
    appendBytes(copy.data_, n);
  } else {
    appendBytes(text, n);
  }
  return *this;
}

void KxString::clear() {
  delete[] data_;
  allocateZeroed(kSpareBytes + 1);
  length_ = 0;
}

void KxString::reserve(std::int32_t n) {
  n = std::max(n, 0);
  if (n <= capacity_) {
    return;
  }
  char* old = data_;
  allocateZeroed(n + 1);
  std::memcpy(data_, old, static_cast<std::size_t>(length_));
  delete[] old;
  recountLength();
}

void KxString::setLength(std::int32_t n) {
  n = std::max(n, 0);
  if (n > length_) {
    const std::int32_t extra = n - length_;
    if (length_ + extra >= capacity_) {
      reserve(length_ + extra + 2);
    }
    std::memset(data_ + length_, ' ', static_cast<std::size_t>(extra));
    data_[n] = '\0';
    length_ = n;
  } else {
    data_[n] = '\0';
    length_ = n;
  }
}

void KxString::recountLength() {
  const void* zero = std::memchr(data_, 0, static_cast<std::size_t>(capacity_));
  length_ =
      zero != nullptr ? static_cast<std::int32_t>(static_cast<const char*>(zero) - data_) : capacity_ - 1;
  data_[length_] = '\0';
}

KxString& KxString::format(const char* fmt, ...) {
  char buffer[kFormatBufferSize];
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  setLength(0);
  if (n >= 0 && static_cast<std::size_t>(n) < sizeof buffer) {
    append(buffer);
  } else if (n > 0) {
    // Longer than the working buffer: format again into a buffer of the exact size.
    std::vector<char> large(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(large.data(), large.size(), fmt, again);
    append(large.data());
  }
  va_end(again);
  return *this;
}

void KxString::foldUpper() {
  for (std::int32_t i = 0; i < length_; ++i) {
    data_[i] = static_cast<char>(kKxUpperFold[static_cast<unsigned char>(data_[i])]);
  }
}

KxString KxString::mid(std::int32_t pos, std::int32_t count) const {
  if (pos < 0 || length_ < pos || count < 1) {
    return KxString(empty());
  }
  KxString result(data_ + pos);
  if (result.length_ > count) {
    result.setLength(count);
  }
  return result;
}

KxString KxString::right(std::int32_t count) const {
  return count < length_ ? mid(length_ - count, count) : KxString(*this);
}

void KxString::trimLeft() {
  std::int32_t skip = 0;
  while (skip < length_ && isWhiteSpace(data_[skip])) {
    ++skip;
  }
  if (skip > 0) {
    std::memmove(data_, data_ + skip, static_cast<std::size_t>(length_ - skip) + 1);
    length_ -= skip;
  }
}

void KxString::trimRight() {
  std::int32_t n = length_;
  while (n > 0 && isWhiteSpace(data_[n - 1])) {
    --n;
  }
  setLength(n);
}

void KxString::trim() {
  trimLeft();
  trimRight();
}

void KxString::replaceAll(const KxString& find, const KxString& with) {
  if (find.isEmpty() || isEmpty()) {
    return;
  }
  // Work on copies: find or with may be this very string.
  const KxString pattern(find);
  const KxString replacement(with);
  std::int32_t from = 0;
  while (from <= length_) {
    const char* hit = std::strstr(data_ + from, pattern.data_);
    if (hit == nullptr) {
      return;
    }
    const auto p = static_cast<std::int32_t>(hit - data_);
    const KxString tail(data_ + p + pattern.length_);
    setLength(p);
    append(replacement);
    from = length_;
    append(tail);
  }
}

char KxString::charAt(std::int32_t i) const { return (i < 0 || i >= length_) ? '\0' : data_[i]; }

std::int32_t KxString::find(const KxString& sub) const {
  const char* hit = std::strstr(data_, sub.data_);
  return hit != nullptr ? static_cast<std::int32_t>(hit - data_) : -1;
}

std::int32_t KxString::compareText(const char* text) const {
  if (text == nullptr) {
    text = "";
  }
  return compareBytes(data_, length_, text, textLength(text));
}

std::int32_t KxString::compareNoCase(const char* text) const {
  if (text == nullptr) {
    text = "";
  }
  const char* a = data_;
  for (;; ++a, ++text) {
    const auto ca = static_cast<unsigned char>(asciiLower(*a));
    const auto cb = static_cast<unsigned char>(asciiLower(*text));
    if (ca != cb || ca == 0) {
      return signOf(static_cast<int>(ca) - static_cast<int>(cb));
    }
  }
}

std::int32_t KxString::comparePrefix(const KxString& other) const {
  const std::int32_t n = std::min(length_, other.length_);
  return compareBytes(data_, n, other.data_, n);
}

std::int32_t KxString::toInt() const {
  // strtol-like with base detection, saturating at the 32-bit range like the Windows
  // runtime; a text that does not begin with a number gives 0.
  const char* p = data_;
  while (isWhiteSpace(*p)) {
    ++p;
  }
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  int base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && std::isxdigit(static_cast<unsigned char>(p[2]))) {
    base = 16;
    p += 2;
  } else if (p[0] == '0') {
    base = 8;
  }
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 32;
  std::uint64_t magnitude = 0;
  for (;; ++p) {
    int digit = 0;
    if (*p >= '0' && *p <= '9') {
      digit = *p - '0';
    } else if (*p >= 'a' && *p <= 'f') {
      digit = *p - 'a' + 10;
    } else if (*p >= 'A' && *p <= 'F') {
      digit = *p - 'A' + 10;
    } else {
      break;
    }
    if (digit >= base) {
      break;
    }
    magnitude =
        std::min(magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit), kLimit);
  }
  const auto value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

double KxString::toDouble() const {
  // The number text keeps sign, point, digits and exponent letters; M and T stand for
  // the exponents 6 and 3. It holds at most 255 characters: a replacement that no longer
  // fits whole ends the scan.
  constexpr std::size_t kMaxNumberText = 255;
  // strtod reads the point of the current locale, which a host may have changed.
  const char* localePoint = std::localeconv()->decimal_point;
  const std::string point = localePoint != nullptr && *localePoint != '\0' ? localePoint : ".";
  std::string number;
  std::size_t counted = 0;
  const std::int32_t scan = std::min<std::int32_t>(length_, 256);
  for (std::int32_t i = 0; i < scan; ++i) {
    const char c = data_[i];
    std::string piece;
    if (c == '-' || (c >= '0' && c <= '9') || c == 'E' || c == 'e') {
      piece = c;
    } else if (c == '.') {
      piece = point;
    } else if (c == 'M' || c == 'm') {
      piece = "E6";
    } else if (c == 'T' || c == 't') {
      piece = "E3";
    } else {
      continue;
    }
    const std::size_t width = c == '.' ? 1 : piece.size();
    if (counted + width > kMaxNumberText) {
      break;
    }
    number += piece;
    counted += width;
  }
  return std::strtod(number.c_str(), nullptr);
}

KxString& KxString::fromInt(std::int32_t value) {
  reserve(14);
  std::snprintf(data_, static_cast<std::size_t>(capacity_), "%d", static_cast<int>(value));
  recountLength();
  return *this;
}

KxString& KxString::fromShort(std::int32_t value) { return fromInt(static_cast<std::int16_t>(value)); }

bool KxString::split(const char* delims, KxString& token) {
  if (delims == nullptr) {
    delims = "";
  }
  const char* start = data_ + std::strspn(data_, delims);
  if (*start == '\0') {
    token.assign(empty());
    return false;
  }
  const std::size_t run = std::strcspn(start, delims);
  const KxString found = KxString(start).left(static_cast<std::int32_t>(run));
  const char* end = start + run;
  const KxString rest(*end == '\0' ? "" : end + 1);
  token.assign(found);
  assign(rest);
  return true;
}

std::unique_ptr<char[]> KxString::duplicate() const {
  auto copy = std::make_unique<char[]>(static_cast<std::size_t>(length_) + 1);
  std::memcpy(copy.get(), data_, static_cast<std::size_t>(length_) + 1);
  return copy;
}

char* KxString::copyTo(char* dst, std::int32_t max) const {
  if (dst == nullptr || max < -1) {
    return dst;
  }
  if (max == -1 || max >= length_) {
    std::memcpy(dst, data_, static_cast<std::size_t>(length_) + 1);
  } else {
    std::memcpy(dst, data_, static_cast<std::size_t>(max));
    dst[max] = '\0';
  }
  return dst;
}
