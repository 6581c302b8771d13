#include "app/markup.h"

namespace zel {

std::string MarkupToPlainText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size())
            break;
        char code = text[i];
        if (code == 'n' || code == 'N')
            out += '\n';
        else if (code == 't' || code == 'T')
            out += '\t';
    }
    return out;
}

} // namespace zel
