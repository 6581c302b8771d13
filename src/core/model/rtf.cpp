#include "model/rtf.h"

#include <cctype>

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

std::string RtfToPlainText(std::string_view rtf) {
    std::string out;
    // Depth at which a hidden group began; groups nested in it are hidden too.
    int depth = 0;
    int hiddenFrom = -1;
    bool atGroupStart = false;
    size_t i = 0;
    auto hidden = [&] { return hiddenFrom >= 0 && depth >= hiddenFrom; };
    while (i < rtf.size()) {
        char c = rtf[i];
        if (c == '{') {
            ++depth;
            atGroupStart = true;
            ++i;
            continue;
        }
        if (c == '}') {
            if (hiddenFrom >= 0 && depth <= hiddenFrom)
                hiddenFrom = -1;
            --depth;
            atGroupStart = false;
            ++i;
            continue;
        }
        bool groupStart = atGroupStart;
        atGroupStart = false;
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            if (!hidden())
                out += c;
            ++i;
            continue;
        }
        // A control symbol or control word.
        ++i;
        if (i >= rtf.size())
            break;
        char s = rtf[i];
        if (s == '\\' || s == '{' || s == '}') {
            if (!hidden())
                out += s;
            ++i;
            continue;
        }
        if (s == '\'') {
            auto hexValue = [](char h) {
                return std::isdigit(static_cast<unsigned char>(h)) ? h - '0'
                                                                   : (std::tolower(h) - 'a' + 10);
            };
            if (i + 2 < rtf.size() && std::isxdigit(static_cast<unsigned char>(rtf[i + 1])) &&
                std::isxdigit(static_cast<unsigned char>(rtf[i + 2]))) {
                if (!hidden())
                    out += char(hexValue(rtf[i + 1]) * 16 + hexValue(rtf[i + 2]));
                i += 3;
            } else {
                ++i;
            }
            continue;
        }
        if (s == '*') {
            if (groupStart && !hidden())
                hiddenFrom = depth;
            ++i;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(s))) {
            if (s == '~' && !hidden())
                out += ' ';
            ++i;
            continue;
        }
        size_t start = i;
        while (i < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[i])))
            ++i;
        std::string_view word = rtf.substr(start, i - start);
        if (i < rtf.size() && (rtf[i] == '-' || std::isdigit(static_cast<unsigned char>(rtf[i])))) {
            ++i;
            while (i < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[i])))
                ++i;
        }
        if (i < rtf.size() && rtf[i] == ' ')
            ++i;
        if (hidden())
            continue;
        if (groupStart &&
            (word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info" ||
             word == "pict" || word == "header" || word == "footer" || word == "generator")) {
            hiddenFrom = depth;
        } else if (word == "par" || word == "line") {
            out += '\n';
        } else if (word == "tab") {
            out += '\t';
        }
    }
    return out;
}

} // namespace zel
