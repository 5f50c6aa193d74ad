#pragma once
// The program's ANSI code page (Windows-1251) and its meeting with UTF-8 at the
// edges of the system: file names, the terminal, logs, glyphs and the clipboard.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The Unicode code point of one code-page byte. The one unassigned byte (0x98)
// maps to U+0098 so that every byte survives a round trip.
char32_t AnsiCharToUnicode(unsigned char c);

// The code-page byte of a code point; false when the code page has no such character.
bool UnicodeToAnsiChar(char32_t u, unsigned char& out);

// Code-page text to UTF-8; lossless.
std::string AnsiToUtf8(std::string_view ansi);

// The start of code-page text that takes at most `bytes` bytes in UTF-8 (every code-page
// byte is one whole character there).
std::string_view Utf8Prefix(std::string_view ansi, size_t bytes);

// UTF-8 to code-page text. Characters the code page lacks and malformed
// sequences become `replacement`.
std::string Utf8ToAnsi(std::string_view utf8, char replacement = '?');

// Letters of the code page (Latin and Cyrillic) and their case.
bool IsAnsiAlpha(char c);
bool IsAnsiUpper(char c);
bool IsAnsiLower(char c);
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);

}  // namespace platform
