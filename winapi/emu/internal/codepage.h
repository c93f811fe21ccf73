#pragma once

// The emulated system's ANSI code page, Windows-1252, and UTF-8/UTF-16 conversions.
// Emulated (ANSI) names become UTF-8 names on the host file system and in the registry file.
#include <cstddef>
#include <string>
#include <string_view>

namespace kxemu {

char16_t ansiToUnicode(unsigned char c);
// -1 when the character has no Windows-1252 form.
int unicodeToAnsi(char32_t c);

std::u16string ansiToUtf16(std::string_view ansi);
// Characters without an ANSI form become '?'; lossy (if given) tells whether that happened.
std::string utf16ToAnsi(std::u16string_view text, bool* lossy = nullptr, char replacement = '?');
std::string ansiToUtf8(std::string_view ansi);
// Invalid UTF-8 bytes are taken as Windows-1252 bytes.
std::string utf8ToAnsi(std::string_view utf8, bool* lossy = nullptr);

// Decodes the one UTF-8 sequence at i and moves i past it; false for an invalid or overlong
// sequence, a surrogate or a code point past U+10FFFF (i unchanged).
bool decodeUtf8Sequence(std::string_view s, std::size_t& i, char32_t& c);
// One code point as one UTF-16 unit or a surrogate pair.
void appendUtf16(std::u16string& out, char32_t c);

std::string utf16ToUtf8(std::u16string_view text);
std::u16string utf8ToUtf16(std::string_view utf8);

// ASCII case folding, as the emulated file system and registry compare names.
char foldCase(char c);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string upperCase(std::string_view text);

} // namespace kxemu
