// The notes document as a small rich-text model, and the RTF codec that reads it from and writes
// it to the RTF text the project file keeps. The reader takes what word processors write; the
// writer produces RTF 1.x they read back, and reading what it wrote gives the same document.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// One stretch of text in one look. Text is UTF-8; a tab is '\t' and a line break inside a
// paragraph (\line) is '\n'.
struct TRichRun {
    std::string Text;
    std::string Font = "Arial"; // the face name
    int HalfPoints = 20;        // size in half points (20 = 10 pt)
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    uint32_t Colour = 0; // 0x00RRGGBB; 0 is black (automatic colour reads as black)
    bool operator==(const TRichRun&) const = default;
};

struct TRichParagraph {
    std::vector<TRichRun> Runs; // neighbouring runs of one look are merged
    bool operator==(const TRichParagraph&) const = default;
};

// A document is at least one (possibly empty) paragraph.
struct TRichDocument {
    std::vector<TRichParagraph> Paragraphs{TRichParagraph{}};
    bool operator==(const TRichDocument&) const = default;
};

// Reads RTF. Bytes of text (\'hh escapes and 8-bit characters) are read in the code page in
// force: the font's (\fcharset, \cpg) or else the document's (\ansicpg, 1252 when none is
// named), two-byte East Asian characters included. Never fails: text that is not RTF becomes plain
// paragraphs, and damaged RTF gives the text that could be read. Linear in the input, whatever its
// nesting.
TRichDocument ReadRtf(std::string_view rtf);
// Reads the text as RTF whatever its start (bytes outside any group are text, stray braces are
// dropped). `lastParagraphOpen` tells whether the last paragraph was not ended by \par (text
// after the last \par, or no paragraph at all). The byte-oriented RtfToPlainText is built on it.
TRichDocument ReadRtfBody(std::string_view rtf, bool& lastParagraphOpen);
// Writes RTF 1.x (ANSI, code page 1252, characters beyond it as \uN with a '?' fallback).
std::string WriteRtf(const TRichDocument& document);
// The document's text, paragraphs ending in '\n' (UTF-8).
std::string RichPlainText(const TRichDocument& document);

} // namespace zel
