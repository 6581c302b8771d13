#include "model/rtf.h"

#include <algorithm>

#include "model/ansi_text.h"
#include "model/rich_text.h"

namespace zel {

namespace {

constexpr std::string_view DocumentHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
constexpr std::string_view DocumentTail = "\r\n}";

bool LooksLikeRtf(std::string_view text) {
    return text.starts_with("{\\rtf") && text.find_last_of('}') != std::string_view::npos;
}

} // namespace

std::string RtfEscape(std::string_view plain) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(plain.size());
    for (char c : plain) {
        auto b = static_cast<unsigned char>(c);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += c;
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (b >= 0x80 || b < 0x20) {
            out += "\\'";
            out += Hex[b >> 4];
            out += Hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string RtfFromParagraphs(const std::vector<std::string>& paragraphs) {
    std::string rtf(DocumentHead);
    if (paragraphs.empty())
        rtf += "\\par";
    for (const auto& paragraph : paragraphs)
        rtf += RtfEscape(paragraph) + "\\par\r\n";
    if (!paragraphs.empty())
        rtf.resize(rtf.size() - 2); // the tail brings the last line end
    rtf += DocumentTail;
    return rtf;
}

std::string EmptyNotesRtf() {
    return RtfFromParagraphs({});
}

void AppendPlainParagraph(std::string& rtf, std::string_view line) {
    if (rtf.empty() || rtf == EmptyNotesRtf()) {
        rtf = RtfFromParagraphs({std::string(line)});
        return;
    }
    if (!LooksLikeRtf(rtf)) {
        rtf = RtfFromParagraphs({rtf, std::string(line)});
        return;
    }
    size_t close = rtf.find_last_of('}');
    // Keep the line end that precedes the closing brace in front of it.
    size_t at = close;
    while (at > 0 && (rtf[at - 1] == '\r' || rtf[at - 1] == '\n'))
        --at;
    rtf.insert(at, "\r\n\\pard " + RtfEscape(line) + "\\par");
}

std::string RtfToPlainUtf8(std::string_view rtf) {
    bool lastParagraphOpen = false;
    std::string utf8 = RichPlainText(ReadRtfBody(rtf, lastParagraphOpen));
    if (lastParagraphOpen)
        utf8.pop_back(); // no line end where the document gave none
    return utf8;
}

std::string RtfToPlainText(std::string_view rtf) {
    std::string utf8 = RtfToPlainUtf8(rtf);
    // Back to single bytes; a character the code page lacks becomes '?'.
    std::string bytes;
    bytes.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        std::string one;
        size_t length = 1;
        auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        length = std::min(length, utf8.size() - i);
        bytes += Utf8ToAnsi(utf8.substr(i, length), one) ? one : std::string("?");
        i += length;
    }
    return bytes;
}

} // namespace zel
