// MultiByteToWideChar / WideCharToMultiByte for the ANSI code page (Windows-1252) and UTF-8.
#include <winapi/emu/internal/codepage.h>
#include <winapi/emu/internal/errors.h>

#include <cstring>
#include <string>

namespace {

enum class Page { Ansi, Utf8, Invalid };

Page pageOf(UINT codePage) {
  switch (codePage) {
  case CP_ACP:
  case CP_OEMCP:
  case CP_THREAD_ACP:
  case 1252:
    return Page::Ansi;
  case CP_UTF8:
    return Page::Utf8;
  default:
    return Page::Invalid;
  }
}

// Invalid sequences become U+FFFD, or fail the whole conversion when strict
// (MB_ERR_INVALID_CHARS).
bool decodeUtf8(std::string_view s, std::u16string& out, bool strict) {
  size_t i = 0;
  while (i < s.size()) {
    char32_t c;
    if (kxemu::decodeUtf8Sequence(s, i, c)) {
      kxemu::appendUtf16(out, c);
    } else if (strict) {
      return false;
    } else {
      out += u'\uFFFD';
      ++i;
    }
  }
  return true;
}

} // namespace

using namespace kxemu;

extern "C" int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount,
                                          LPWSTR wide, int wideCount) {
  const Page page = pageOf(codePage);
  if (page == Page::Invalid || !multiByte || multiByteCount == 0 || wideCount < 0 ||
      (wideCount > 0 && !wide)) {
    return fail(ERROR_INVALID_PARAMETER, 0);
  }
  const size_t length = multiByteCount < 0 ? std::strlen(multiByte) + 1 : static_cast<size_t>(multiByteCount);
  std::u16string converted;
  if (page == Page::Ansi) {
    converted = ansiToUtf16(std::string_view(multiByte, length));
  } else if (!decodeUtf8(std::string_view(multiByte, length), converted,
                         (flags & MB_ERR_INVALID_CHARS) != 0)) {
    return fail(ERROR_NO_UNICODE_TRANSLATION, 0);
  }
  if (wideCount == 0) {
    return static_cast<int>(converted.size());
  }
  if (converted.size() > static_cast<size_t>(wideCount)) {
    return fail(ERROR_INSUFFICIENT_BUFFER, 0);
  }
  std::memcpy(wide, converted.data(), converted.size() * sizeof(WCHAR));
  return static_cast<int>(converted.size());
}

extern "C" int WINAPI WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int wideCount, LPSTR multiByte,
                                          int multiByteCount, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  const Page page = pageOf(codePage);
  if (page == Page::Invalid || !wide || wideCount == 0 || multiByteCount < 0 ||
      (multiByteCount > 0 && !multiByte) || (page == Page::Utf8 && (defaultChar || usedDefaultChar))) {
    return fail(ERROR_INVALID_PARAMETER, 0);
  }
  size_t length = 0;
  if (wideCount < 0) {
    while (wide[length]) {
      ++length;
    }
    ++length;
  } else {
    length = static_cast<size_t>(wideCount);
  }
  const std::u16string_view text(wide, length);
  std::string converted;
  if (page == Page::Utf8) {
    converted = utf16ToUtf8(text);
  } else {
    const char replacement = defaultChar ? *defaultChar : '?';
    bool lossy = false;
    converted = utf16ToAnsi(text, &lossy, replacement);
    if (usedDefaultChar) {
      *usedDefaultChar = lossy ? TRUE : FALSE;
    }
  }
  if (multiByteCount == 0) {
    return static_cast<int>(converted.size());
  }
  if (converted.size() > static_cast<size_t>(multiByteCount)) {
    return fail(ERROR_INSUFFICIENT_BUFFER, 0);
  }
  std::memcpy(multiByte, converted.data(), converted.size());
  return static_cast<int>(converted.size());
}

extern "C" int WINAPI lstrlenW(LPCWSTR text) {
  if (!text) {
    return 0;
  }
  int n = 0;
  while (text[n]) {
    ++n;
  }
  return n;
}
