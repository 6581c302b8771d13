// Inline message markup: a backslash and the character after it form one code (style, colour,
// size, new line, tab). This turns a marked-up text into plain text for terminals and logs.
#pragma once

#include <string>
#include <string_view>

namespace zel {

// Drops every code; a new-line code becomes "\n" and a tab code "\t". A backslash at the very
// end vanishes too.
std::string MarkupToPlainText(std::string_view text);

} // namespace zel
