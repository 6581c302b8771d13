#include "model/text_fields.h"

#include <limits>

namespace zel {

std::string_view TabField(std::string_view line, int index) {
    if (index < 0)
        return {};
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos)
            return {};
        start = tab + 1;
    }
    size_t end = line.find('\t', start);
    return line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

int TabFieldCount(std::string_view line) {
    int count = 1;
    for (char c : line)
        count += c == '\t';
    return count;
}

namespace {

// Position after leading blanks and the sign; sets `negative`.
size_t SkipToDigits(std::string_view text, bool& negative) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

int32_t ReadLeadingInt(std::string_view text, bool* hasDigits) {
    bool negative = false;
    size_t i = SkipToDigits(text, negative);
    constexpr int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t value = 0;
    bool any = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        any = true;
        if (value < limit)
            value = value * 10 + (text[i] - '0');
    }
    if (hasDigits)
        *hasDigits = any;
    if (value > limit)
        value = limit;
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        value = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

uint64_t ReadLeadingIntWrapped(std::string_view text) {
    bool negative = false;
    size_t i = SkipToDigits(text, negative);
    uint64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        value = value * 10 + uint64_t(text[i] - '0');
    return negative ? uint64_t(0) - value : value;
}

std::string WithoutFieldBreaks(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return out;
}

} // namespace zel
