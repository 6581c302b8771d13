// Windows code pages of text from elsewhere (RTF documents name theirs with \ansicpg and with
// \fcharset per font): single-byte pages such as 1250..1258 and 874, and the two-byte pages of
// East Asian text (932, 936, 949, 950), decoded to Unicode through the C library's iconv.
#pragma once

#include <cstdint>

namespace zel {

inline constexpr int WesternCodePage = 1252;

// The code page of an RTF font character set (\fcharset); 0 for the ANSI and default sets,
// which mean the document's own code page.
int CharsetCodePage(int charset);

// Whether the code page can be decoded here (1252 always; others when iconv knows them).
bool KnownCodePage(int codePage);

// What one byte of a code page is.
struct TCodePageByte {
    char32_t Char = 0; // the character, when it stands alone
    bool Lead = false; // it starts a two-byte character
};
TCodePageByte DecodeCodePageByte(int codePage, uint8_t byte);
// A two-byte character; U+FFFD when the pair means nothing in the code page.
char32_t DecodeCodePagePair(int codePage, uint8_t lead, uint8_t trail);

} // namespace zel
