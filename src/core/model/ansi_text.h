// Single-byte (Windows-1252) text: the program keeps names and fields as bytes and converts only
// where text leaves the program as Unicode, and compares names without regard to letter case.
#pragma once

#include <string>
#include <string_view>

namespace zel {

// One character as UTF-8 (surrogates and values beyond Unicode as U+FFFD); the program's one
// UTF-8 encoder.
void AppendUtf8(std::string& out, char32_t cp);

// Windows-1252 bytes to UTF-8. Bytes that the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 control characters of the same value, so nothing is lost.
std::string AnsiToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252; returns false (and leaves `out` partly filled) when a character has no
// byte in the code page or the UTF-8 is malformed.
bool Utf8ToAnsi(std::string_view utf8, std::string& out);

// One Windows-1252 byte as a Unicode code point (undefined bytes as the C1 control of that value),
// and back; CodePointToAnsi returns false when the code page has no byte for the character.
char32_t AnsiToCodePoint(unsigned char b);
bool CodePointToAnsi(char32_t cp, unsigned char& b);

// Lower-case form of one Windows-1252 byte (ASCII letters and the accented letters).
unsigned char AnsiLower(unsigned char c);

// True when the two byte strings are equal ignoring letter case, as riff and instrument names
// are compared.
bool SameTextAnsi(std::string_view a, std::string_view b);

} // namespace zel
