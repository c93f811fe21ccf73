#pragma once

// The emulated system's ANSI code page, Windows-1252, and UTF-8/UTF-16 conversions.
// Emulated (ANSI) names become UTF-8 names on the host file system and in the registry file.
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

std::string utf16ToUtf8(std::u16string_view text);
std::u16string utf8ToUtf16(std::string_view utf8);

// ASCII case folding, as the emulated file system and registry compare names.
char foldCase(char c);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string upperCase(std::string_view text);

} // namespace kxemu
