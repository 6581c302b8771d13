#include "model/code_pages.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "model/ansi_text.h"

namespace zel {

namespace {

constexpr char32_t Replacement = 0xFFFD;

// One code page: its converter and what each byte means alone.
struct TCodePage {
    iconv_t Convert = iconv_t(-1);
    std::array<TCodePageByte, 256> Bytes{};
    ~TCodePage() {
        if (Convert != iconv_t(-1))
            iconv_close(Convert);
    }
};

std::string IconvName(int codePage) {
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 1361:
        return "JOHAB";
    default:
        return "CP" + std::to_string(codePage);
    }
}

// Converts bytes to one character: the character, -1 for bytes that are incomplete, -2 for
// bytes that mean nothing.
long Convert(iconv_t convert, const char* bytes, size_t length) {
    iconv(convert, nullptr, nullptr, nullptr, nullptr); // a fresh start every time
    char32_t out[2] = {};
    char* in = const_cast<char*>(bytes);
    char* to = reinterpret_cast<char*>(out);
    size_t inLeft = length, outLeft = sizeof out;
    size_t done = iconv(convert, &in, &inLeft, &to, &outLeft);
    if (done == size_t(-1) && errno == EINVAL)
        return -1;
    if ((done == size_t(-1) && errno != E2BIG) || inLeft != 0 || outLeft == sizeof out)
        return -2;
    return long(out[0]);
}

std::mutex Lock;
std::map<int, std::unique_ptr<TCodePage>> Pages; // null: a code page iconv does not know

// The code page's tables, made on first use; null when it cannot be decoded. Call under Lock.
TCodePage* Page(int codePage) {
    auto found = Pages.find(codePage);
    if (found != Pages.end())
        return found->second.get();
    std::unique_ptr<TCodePage> page;
    iconv_t convert = iconv_open("UTF-32LE", IconvName(codePage).c_str());
    if (convert != iconv_t(-1)) {
        page = std::make_unique<TCodePage>();
        page->Convert = convert;
        for (int b = 0; b < 256; ++b) {
            char byte = char(b);
            long c = Convert(convert, &byte, 1);
            page->Bytes[size_t(b)] = {c >= 0 ? char32_t(c) : Replacement, c == -1};
        }
    }
    return Pages.emplace(codePage, std::move(page)).first->second.get();
}

} // namespace

int CharsetCodePage(int charset) {
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0; // ANSI, default and symbol sets: the document's code page
    }
}

bool KnownCodePage(int codePage) {
    if (codePage == WesternCodePage)
        return true;
    std::lock_guard guard(Lock);
    return codePage > 0 && Page(codePage) != nullptr;
}

TCodePageByte DecodeCodePageByte(int codePage, uint8_t byte) {
    if (byte < 0x80)
        return {byte, false}; // ASCII in every code page read here
    if (codePage != WesternCodePage) {
        std::lock_guard guard(Lock);
        if (TCodePage* page = codePage > 0 ? Page(codePage) : nullptr)
            return page->Bytes[byte];
    }
    return {AnsiToCodePoint(byte), false};
}

char32_t DecodeCodePagePair(int codePage, uint8_t lead, uint8_t trail) {
    std::lock_guard guard(Lock);
    TCodePage* page = codePage > 0 ? Page(codePage) : nullptr;
    if (!page)
        return Replacement;
    const char bytes[2] = {char(lead), char(trail)};
    long c = Convert(page->Convert, bytes, 2);
    return c >= 0 ? char32_t(c) : Replacement;
}

} // namespace zel
