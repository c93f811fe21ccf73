// Code-page conversions: the ANSI page (Windows-1252) and UTF-8, both directions.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The UTF-16 units a multi-byte text converts to; empty with the last error when refused.
std::vector<unsigned> toWide(UINT codePage, const std::string& bytes, DWORD flags = 0) {
  WCHAR wide[16] = {};
  const int n = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), wide, 16);
  return std::vector<unsigned>(wide, wide + (n > 0 ? n : 0));
}

TEST(CodePages, MultiByteToWide) {
  struct Case {
    const char* what;
    UINT codePage;
    std::string bytes;
    std::vector<unsigned> units;
  };
  const Case cases[] = {
      {"ANSI euro sign", CP_ACP, "\x80", {0x20AC}},
      {"ANSI unassigned byte keeps its C1 code point", CP_ACP, "\x81", {0x0081}},
      {"ANSI Latin-1 letter", CP_ACP, "\xE9", {0x00E9}},
      {"UTF-8 two bytes", CP_UTF8, "\xC3\xA9", {0x00E9}},
      {"UTF-8 three bytes", CP_UTF8, "\xE2\x82\xAC", {0x20AC}},
      {"UTF-8 four bytes become a surrogate pair", CP_UTF8, "\xF0\x9F\x8E\xB5", {0xD83C, 0xDFB5}},
      {"UTF-8 lone continuation byte",
       CP_UTF8,
       "a\x80"
       "b",
       {'a', 0xFFFD, 'b'}},
      {"UTF-8 byte that starts nothing", CP_UTF8, "\xFF", {0xFFFD}},
      {"UTF-8 overlong form, one replacement per byte", CP_UTF8, "\xC0\x80", {0xFFFD, 0xFFFD}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(toWide(c.codePage, c.bytes), c.units) << c.what;
  }
}

TEST(CodePages, StrictUtf8RefusesInvalidSequences) {
  SetLastError(0);
  EXPECT_TRUE(toWide(CP_UTF8, "ok\xFF", MB_ERR_INVALID_CHARS).empty());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(toWide(CP_UTF8, "\xC3\xA9", MB_ERR_INVALID_CHARS), std::vector<unsigned>{0x00E9});
}

TEST(CodePages, SizesAndShortBuffers) {
  const char text[] = "\xE2\x82\xAC!";
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), 3) << "the terminator is counted";
  WCHAR one[1];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, one, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(12345, 0, text, -1, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CodePages, WideToMultiByte) {
  const WCHAR euroAndCjk[] = {0x20AC, 0x4E00, 0};
  char ansi[8] = {};
  BOOL usedDefault = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, euroAndCjk, -1, ansi, sizeof ansi, nullptr, &usedDefault), 3);
  EXPECT_EQ(std::string(ansi), "\x80?");
  EXPECT_TRUE(usedDefault) << "the CJK character has no Windows-1252 form";

  const WCHAR pair[] = {0xD83C, 0xDFB5, 0};
  char utf8[8] = {};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, pair, -1, utf8, sizeof utf8, nullptr, nullptr), 5);
  EXPECT_EQ(std::string(utf8), "\xF0\x9F\x8E\xB5");
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, pair, -1, utf8, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(CodePages, AnsiAndWideConversions) {
  const char* text = "Caf\xE9 \x80";
  WCHAR wide[16];
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 16);
  ASSERT_EQ(n, 7);
  EXPECT_EQ(wide[3], 0x00E9);
  EXPECT_EQ(wide[5], 0x20AC); // the euro sign of Windows-1252
  char back[16];
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, nullptr), 7);
  EXPECT_STREQ(back, text);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 7);
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  char utf8[16];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr), 10);
  EXPECT_STREQ(utf8, "Caf\xC3\xA9 \xE2\x82\xAC");
}

} // namespace
