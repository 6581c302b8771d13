#include "base/markup.h"

#include <algorithm>
#include <array>

namespace zel {

namespace {

// The code for the character after a backslash; false for characters that are no code.
bool DecodeCode(char c, TMarkupToken& token) {
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    switch (c) {
    case 'B':
        token.Kind = TMarkupKind::Bold;
        return true;
    case 'I':
        token.Kind = TMarkupKind::Italic;
        return true;
    case 'U':
        token.Kind = TMarkupKind::Underline;
        return true;
    case 'H':
        token.Kind = TMarkupKind::Highlight;
        return true;
    case 'N':
        token.Kind = TMarkupKind::NewLine;
        return true;
    case 'T':
        token.Kind = TMarkupKind::Tab;
        return true;
    case 'D':
        token.Kind = TMarkupKind::Delta;
        return true;
    case '^':
        token.Kind = TMarkupKind::Size;
        token.Size = TMarkupSize::TwoThirds;
        return true;
    case '|':
        token.Kind = TMarkupKind::Size;
        token.Size = TMarkupSize::ThreeHalves;
        return true;
    case ']':
        token.Kind = TMarkupKind::Size;
        token.Size = TMarkupSize::Double;
        return true;
    case '[':
        token.Kind = TMarkupKind::Size;
        token.Size = TMarkupSize::Start;
        return true;
    default:
        break;
    }
    // '0' .. '?' are consecutive characters: the starting colour and the 15 palette colours.
    if (c >= '0' && c <= '?') {
        token.Kind = TMarkupKind::Color;
        token.Color = c - '0';
        return true;
    }
    return false;
}

} // namespace

std::vector<TMarkupToken> TokenizeMarkup(std::string_view text) {
    std::vector<TMarkupToken> tokens;
    std::string_view::size_type i = 0;
    while (i < text.size()) {
        auto slash = text.find('\\', i);
        auto stop = slash == std::string_view::npos ? text.size() : slash;
        if (stop > i)
            tokens.push_back({TMarkupKind::Text, text.substr(i, stop - i)});
        if (stop + 1 >= text.size())
            break; // the end, or a backslash at the very end, which draws nothing
        TMarkupToken code;
        if (DecodeCode(text[stop + 1], code))
            tokens.push_back(code);
        i = stop + 2;
    }
    return tokens;
}

std::string MarkupLiteral(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

TMarkupRgb MarkupColor(int index) {
    static constexpr std::array<TMarkupRgb, 16> Palette{{
        {0, 0, 0},
        {128, 0, 0},     // maroon
        {0, 128, 0},     // green
        {128, 128, 0},   // olive
        {0, 0, 128},     // navy
        {128, 0, 128},   // purple
        {0, 128, 128},   // teal
        {128, 128, 128}, // grey
        {192, 192, 192}, // silver
        {255, 0, 0},     // red
        {0, 255, 0},     // lime
        {255, 255, 0},   // yellow
        {0, 0, 255},     // blue
        {255, 0, 255},   // fuchsia
        {0, 255, 255},   // aqua
        {255, 255, 255}, // white
    }};
    if (index < 1 || index >= static_cast<int>(Palette.size()))
        return {};
    return Palette[static_cast<size_t>(index)];
}

int MarkupFontSize(TMarkupSize size, int startSize) {
    long long start = startSize;
    long long result = start;
    switch (size) {
    case TMarkupSize::Start:
        break;
    case TMarkupSize::TwoThirds:
        result = start * 2 / 3;
        break;
    case TMarkupSize::ThreeHalves:
        result = start * 3 / 2;
        break;
    case TMarkupSize::Double:
        result = start * 2;
        break;
    }
    return static_cast<int>(std::clamp<long long>(result, 1, 1 << 24));
}

std::string MarkupToPlainText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const TMarkupToken& token : TokenizeMarkup(text)) {
        if (token.Kind == TMarkupKind::Text)
            out += token.Text;
        else if (token.Kind == TMarkupKind::NewLine)
            out += '\n';
        else if (token.Kind == TMarkupKind::Tab)
            out += '\t';
    }
    return out;
}

} // namespace zel
