// Inline message markup: a backslash and the character after it form one code (style, colour,
// size, new line, tab). One tokenizer serves the painter and the plain-text form for terminals.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

enum class TMarkupKind : std::uint8_t {
    Text,      // a run of characters drawn unchanged
    Bold,      // toggles
    Italic,    // toggles
    Underline, // toggles
    Highlight, // toggles reverse colours
    NewLine,   // back to the left margin, one line down; tab count restarts
    Tab,       // the n-th tab of a line goes to the left margin + n tab widths
    Delta,     // an outlined upward triangle the size of the current text
    Color,     // text colour: Color = 0 for the starting colour, 1..15 for the palette
    Size,      // font size relative to the starting size
};

enum class TMarkupSize : std::uint8_t {
    Start,       // the size the painter started with
    TwoThirds,   // 2/3 of the starting size
    ThreeHalves, // 3/2 of the starting size
    Double,      // twice the starting size
};

struct TMarkupToken {
    TMarkupKind Kind = TMarkupKind::Text;
    std::string_view Text;                 // Text tokens only; points into the tokenized string
    int Color = 0;                         // Color tokens only
    TMarkupSize Size = TMarkupSize::Start; // Size tokens only
    bool operator==(const TMarkupToken&) const = default;
};

// Splits marked-up text into runs and codes. Runs are never empty. A code that is not listed (an
// unknown character after the backslash, or a backslash at the very end) is dropped; it still
// ends the run before it. The tokens refer to `text`, which must outlive them.
std::vector<TMarkupToken> TokenizeMarkup(std::string_view text);

// Text from elsewhere (a device name, a system error) to show inside a marked-up message: its
// backslashes, which would start codes, become slashes.
std::string MarkupLiteral(std::string_view text);

struct TMarkupRgb {
    int Red = 0;
    int Green = 0;
    int Blue = 0;
    bool operator==(const TMarkupRgb&) const = default;
};

// The palette of colour codes 1..15 (maroon .. white); any other index gives black.
TMarkupRgb MarkupColor(int index);

// The font size a size code selects, by integer arithmetic on the starting size; never below 1.
int MarkupFontSize(TMarkupSize size, int startSize);

// Drops every code; a new-line code becomes "\n" and a tab code "\t". A backslash at the very
// end vanishes too.
std::string MarkupToPlainText(std::string_view text);

} // namespace zel
