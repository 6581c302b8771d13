// The small RTF codec for the project's notes document: the empty document, plain paragraphs
// added by older project files, and the plain text of a document.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zel {

// The empty notes document: one empty paragraph in Arial 10 point.
std::string EmptyNotesRtf();

// A document of plain paragraphs, one per line (bytes are Windows-1252 text).
std::string RtfFromParagraphs(const std::vector<std::string>& paragraphs);

// Escapes plain text for RTF: backslash and braces are escaped, TAB becomes \tab and bytes of
// 128 and above become \'hh, so every byte comes back unchanged through RtfToPlainText.
std::string RtfEscape(std::string_view plain);

// Adds one plain paragraph at the end of the document. The empty document becomes a document
// holding just that paragraph; text that is not RTF is kept as the first paragraph.
void AppendPlainParagraph(std::string& rtf, std::string_view line);

// The document's text in UTF-8: paragraphs end in "\n"; tables of fonts, colours, styles and
// other hidden groups are skipped; \'hh escapes are read in the code page in force.
std::string RtfToPlainUtf8(std::string_view rtf);
// The same as Windows-1252 bytes; a character the code page lacks becomes '?'.
std::string RtfToPlainText(std::string_view rtf);

} // namespace zel
