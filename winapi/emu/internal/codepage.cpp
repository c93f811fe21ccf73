#include <winapi/emu/internal/codepage.h>

namespace kxemu {
namespace {

// Windows-1252 bytes 0x80..0x9F; the five unassigned bytes map to the C1 code points, as
// Windows' own conversion does.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

} // namespace

bool decodeUtf8Sequence(std::string_view s, size_t& i, char32_t& c) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int extra;
  char32_t value;
  if (b0 < 0x80) {
    c = b0;
    ++i;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    value = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    value = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    value = b0 & 0x07;
  } else {
    return false;
  }
  if (i + static_cast<size_t>(extra) >= s.size()) {
    return false;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      return false;
    }
    value = (value << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
  if (value < kMin[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return false;
  }
  c = value;
  i += static_cast<size_t>(extra) + 1;
  return true;
}

void appendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

char16_t ansiToUnicode(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) {
    return kHigh[c - 0x80];
  }
  return c;
}

int unicodeToAnsi(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
    return static_cast<int>(c);
  }
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == c) {
      return 0x80 + i;
    }
  }
  return -1;
}

std::u16string ansiToUtf16(std::string_view ansi) {
  std::u16string out;
  out.reserve(ansi.size());
  for (char c : ansi) {
    out += ansiToUnicode(static_cast<unsigned char>(c));
  }
  return out;
}

namespace {

// One character in the ANSI code page, or the replacement when the page lacks it.
void appendAnsi(std::string& out, char32_t c, char replacement, bool& lost) {
  const int a = unicodeToAnsi(c);
  if (a < 0) {
    lost = true;
    out += replacement;
  } else {
    out += static_cast<char>(a);
  }
}

} // namespace

std::string utf16ToAnsi(std::u16string_view text, bool* lossy, char replacement) {
  std::string out;
  out.reserve(text.size());
  bool lost = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    appendAnsi(out, c, replacement, lost);
  }
  if (lossy) {
    *lossy = lost;
  }
  return out;
}

std::string ansiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) {
    appendUtf8(out, ansiToUnicode(static_cast<unsigned char>(c)));
  }
  return out;
}

std::string utf8ToAnsi(std::string_view utf8, bool* lossy) {
  constexpr char replacement = '?';
  std::string out;
  out.reserve(utf8.size());
  bool lost = false;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    if (!decodeUtf8Sequence(utf8, i, c)) {
      out += utf8[i++];
      continue;
    }
    appendAnsi(out, c, replacement, lost);
  }
  if (lossy) {
    *lossy = lost;
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    appendUtf8(out, c);
  }
  return out;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    if (!decodeUtf8Sequence(utf8, i, c)) {
      c = ansiToUnicode(static_cast<unsigned char>(utf8[i++]));
    }
    appendUtf16(out, c);
  }
  return out;
}

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) {
      return false;
    }
  }
  return true;
}

std::string upperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

} // namespace kxemu
