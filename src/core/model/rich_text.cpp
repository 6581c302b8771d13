#include "model/rich_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <map>

#include "model/ansi_text.h"
#include "model/code_pages.h"

namespace zel {

namespace {

// Where the characters of a group go.
enum class TDest : uint8_t { Body, FontTable, ColourTable, Skip };

// What a closing brace restores: the character look and the reading state of one group.
struct TGroupState {
    TDest Dest = TDest::Body;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    int Font = 0;
    int HalfPoints = 24; // what RTF means when no \fs is given
    int Colour = 0;      // index into the colour table
    int UnicodeSkip = 1; // \uc: fallback characters that follow each \u
};

enum class TAct : uint8_t {
    Dest, // the group holds a table or hidden text
    Par,  // ends the paragraph
    Char, // one character of body text
    Bold,
    Italic,
    Underline, // every underline style reads as underline
    UnderlineNone,
    Plain,
    Font,
    FontSize,
    Colour,
    Red,
    Green,
    Blue,
    DefaultFont,
    CodePage,
    FontCharset,
    FontCodePage,
    UnicodeSkip,
    Unicode,
};

struct TControl {
    std::string_view Word;
    TAct Act;
    char32_t Char = 0;
    TDest Dest = TDest::Skip;
};

// The control words the reader acts on, sorted by name; every other word is ignored. \bin is
// handled by the tokenizer, as its data must be skipped whatever the group.
constexpr TControl Controls[] = {
    {"annotation", TAct::Dest},
    {"ansicpg", TAct::CodePage},
    {"atnauthor", TAct::Dest},
    {"atnid", TAct::Dest},
    {"b", TAct::Bold},
    {"blue", TAct::Blue},
    {"bullet", TAct::Char, 0x2022},
    {"cell", TAct::Char, '\t'},
    {"cf", TAct::Colour},
    {"colortbl", TAct::Dest, 0, TDest::ColourTable},
    {"cpg", TAct::FontCodePage},
    {"deff", TAct::DefaultFont},
    {"emdash", TAct::Char, 0x2014},
    {"emspace", TAct::Char, ' '},
    {"endash", TAct::Char, 0x2013},
    {"enspace", TAct::Char, ' '},
    {"f", TAct::Font},
    {"fcharset", TAct::FontCharset},
    {"fldinst", TAct::Dest},
    {"fonttbl", TAct::Dest, 0, TDest::FontTable},
    {"footer", TAct::Dest},
    {"footerf", TAct::Dest},
    {"footerl", TAct::Dest},
    {"footerr", TAct::Dest},
    {"footnote", TAct::Dest},
    {"fs", TAct::FontSize},
    {"generator", TAct::Dest},
    {"green", TAct::Green},
    {"header", TAct::Dest},
    {"headerf", TAct::Dest},
    {"headerl", TAct::Dest},
    {"headerr", TAct::Dest},
    {"i", TAct::Italic},
    {"info", TAct::Dest},
    {"ldblquote", TAct::Char, 0x201C},
    {"line", TAct::Char, '\n'},
    {"listoverridetable", TAct::Dest},
    {"listtable", TAct::Dest},
    {"lquote", TAct::Char, 0x2018},
    {"nonshppict", TAct::Dest},
    {"object", TAct::Dest},
    {"par", TAct::Par},
    {"pict", TAct::Dest},
    {"plain", TAct::Plain},
    {"pn", TAct::Dest}, // list numbering settings; the number itself comes as \pntext
    {"qmspace", TAct::Char, ' '},
    {"rdblquote", TAct::Char, 0x201D},
    {"red", TAct::Red},
    {"row", TAct::Par},
    {"rquote", TAct::Char, 0x2019},
    {"rsidtbl", TAct::Dest},
    {"shp", TAct::Dest},
    {"stylesheet", TAct::Dest},
    {"tab", TAct::Char, '\t'},
    {"tc", TAct::Dest},
    {"template", TAct::Dest},
    {"txe", TAct::Dest},
    {"u", TAct::Unicode},
    {"uc", TAct::UnicodeSkip},
    {"ul", TAct::Underline},
    {"uld", TAct::Underline},
    {"uldash", TAct::Underline},
    {"uldashd", TAct::Underline},
    {"uldashdd", TAct::Underline},
    {"uldb", TAct::Underline},
    {"ulhwave", TAct::Underline},
    {"ulldash", TAct::Underline},
    {"ulnone", TAct::UnderlineNone},
    {"ulth", TAct::Underline},
    {"ulthd", TAct::Underline},
    {"ulthdash", TAct::Underline},
    {"ulw", TAct::Underline},
    {"ulwave", TAct::Underline},
    {"xe", TAct::Dest},
};
static_assert(std::is_sorted(std::begin(Controls), std::end(Controls),
                             [](const TControl& a, const TControl& b) { return a.Word < b.Word; }));

const TControl* FindControl(std::string_view word) {
    auto it = std::lower_bound(std::begin(Controls), std::end(Controls), word,
                               [](const TControl& c, std::string_view w) { return c.Word < w; });
    return it != std::end(Controls) && it->Word == word ? it : nullptr;
}

// Groups deeper than this share their parent's state: real documents nest a few dozen levels,
// and the reader's memory stays bounded whatever the input.
constexpr size_t MaxDepth = 4096;
constexpr size_t MaxFontName = 256;
constexpr int MaxHalfPoints = 3276; // 1638 pt, the largest size word processors accept
constexpr std::string_view DefaultFont = "Arial";

// Decodes one UTF-8 character at `i` and moves past it; a malformed byte reads as U+FFFD.
char32_t NextCodePoint(std::string_view s, size_t& i) {
    auto lead = static_cast<unsigned char>(s[i++]);
    int extra = lead < 0x80             ? 0
                : (lead & 0xE0) == 0xC0 ? 1
                : (lead & 0xF0) == 0xE0 ? 2
                : (lead & 0xF8) == 0xF0 ? 3
                                        : -1;
    if (extra < 0 || s.size() - i < size_t(extra))
        return 0xFFFD;
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        auto cont = static_cast<unsigned char>(s[i + size_t(k)]);
        if ((cont & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (cont & 0x3F);
    }
    i += size_t(extra);
    return cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? 0xFFFD : cp;
}

// The RTF in the text, without a byte order mark and blanks in front; empty when the text does
// not start like RTF.
std::string_view RtfPart(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || !text.substr(start).starts_with("{\\rtf"))
        return {};
    return text.substr(start);
}

class TReader {
public:
    explicit TReader(std::string_view in) : m_in(in) {}

    std::vector<TRichParagraph> Read(bool& lastParagraphOpen) {
        while (m_pos < m_in.size())
            Step();
        DropLead();
        FlushSurrogate();
        lastParagraphOpen = !m_paragraph.Runs.empty() || m_paragraphs.empty();
        if (lastParagraphOpen)
            m_paragraphs.push_back(std::move(m_paragraph));
        return std::move(m_paragraphs);
    }

private:
    void Step() {
        char c = m_in[m_pos];
        if (c == '{' || c == '}') {
            ++m_pos;
            DropLead();
            m_fallback = 0; // a fallback never runs past a group boundary
            if (c == '{')
                OpenGroup();
            else
                CloseGroup();
            return;
        }
        if (c == '\r' || c == '\n') {
            ++m_pos;
            return;
        }
        bool groupStart = m_groupStart;
        m_groupStart = false;
        if (c == '\\') {
            ControlAt(groupStart);
            return;
        }
        ++m_pos;
        if (TakeFallback())
            return;
        if (c == ';' && m_state.Dest == TDest::FontTable) {
            if (m_fontPending)
                CommitFont();
        } else if (c == ';' && m_state.Dest == TDest::ColourTable)
            CommitColour();
        else if (m_lead != 0 || static_cast<unsigned char>(c) >= 0x80)
            Byte(static_cast<unsigned char>(c));
        else
            Emit(static_cast<unsigned char>(c));
    }

    // The code page of the text: its font's, else the document's.
    int CodePageNow() const {
        int font = m_state.Dest == TDest::FontTable && m_fontPending ? m_fontEntry : m_state.Font;
        auto it = m_fontCodePages.find(font);
        return it != m_fontCodePages.end() ? it->second : m_codePage;
    }

    // One byte of text in the code page in force; a lead byte waits for its trail byte.
    void Byte(uint8_t byte) {
        if (m_lead != 0) {
            uint8_t lead = m_lead;
            m_lead = 0;
            Emit(DecodeCodePagePair(m_leadPage, lead, byte));
            return;
        }
        int page = CodePageNow();
        TCodePageByte decoded = DecodeCodePageByte(page, byte);
        if (decoded.Lead) {
            m_lead = byte;
            m_leadPage = page;
        } else {
            Emit(decoded.Char);
        }
    }

    // A lead byte that something other than its trail byte followed.
    void DropLead() {
        if (m_lead != 0) {
            m_lead = 0;
            Emit(0xFFFD);
        }
    }

    void OpenGroup() {
        m_groupStart = true;
        if (m_stack.size() >= MaxDepth) {
            ++m_overflow;
            return;
        }
        m_stack.push_back(m_state);
    }

    void CloseGroup() {
        if (m_overflow > 0) {
            --m_overflow;
            return;
        }
        if (m_stack.empty())
            return; // a stray brace
        if (m_state.Dest == TDest::FontTable && m_fontPending)
            CommitFont(); // an entry without its semicolon
        m_state = m_stack.back();
        m_stack.pop_back();
    }

    // The characters after a \u stand in for readers without Unicode; they are skipped here.
    bool TakeFallback() {
        if (m_fallback <= 0)
            return false;
        --m_fallback;
        return true;
    }

    static int HexValue(char h) {
        if (h >= '0' && h <= '9')
            return h - '0';
        h = char(std::tolower(static_cast<unsigned char>(h)));
        return h >= 'a' && h <= 'f' ? h - 'a' + 10 : -1;
    }

    void ControlAt(bool groupStart) {
        ++m_pos; // the backslash
        if (m_pos >= m_in.size())
            return;
        char s = m_in[m_pos];
        if (std::isalpha(static_cast<unsigned char>(s))) {
            ControlWord();
            return;
        }
        ++m_pos;
        if (s == '*') {
            if (groupStart)
                m_state.Dest = TDest::Skip;
            return;
        }
        if (s == '\'') {
            // A truncated or malformed escape gives nothing; what follows reads as text.
            if (m_pos + 1 < m_in.size() && HexValue(m_in[m_pos]) >= 0 &&
                HexValue(m_in[m_pos + 1]) >= 0) {
                int byte = HexValue(m_in[m_pos]) * 16 + HexValue(m_in[m_pos + 1]);
                m_pos += 2;
                if (!TakeFallback())
                    Byte(static_cast<uint8_t>(byte));
            }
            return;
        }
        if (TakeFallback())
            return;
        if (s != '\\' && s != '{' && s != '}')
            DropLead();
        switch (s) {
        case '\\':
        case '{':
        case '}':
            if (m_lead != 0)
                Byte(static_cast<uint8_t>(s)); // a trail byte that RTF escapes
            else
                Emit(static_cast<unsigned char>(s));
            break;
        case '~': // no-break space: the notes never wrap, so a plain space does
            BodyChar(' ');
            break;
        case '_': // non-breaking hyphen
            BodyChar('-');
            break;
        case '\r':
        case '\n':
            if (m_state.Dest == TDest::Body)
                EndParagraph();
            break;
        default: // optional hyphen, formula and index marks
            break;
        }
    }

    void ControlWord() {
        DropLead();
        size_t start = m_pos;
        while (m_pos < m_in.size() && std::isalpha(static_cast<unsigned char>(m_in[m_pos])))
            ++m_pos;
        std::string_view word = m_in.substr(start, m_pos - start);
        bool hasParam = false;
        long long param = 0;
        bool negative = m_pos + 1 < m_in.size() && m_in[m_pos] == '-' &&
                        std::isdigit(static_cast<unsigned char>(m_in[m_pos + 1]));
        if (negative)
            ++m_pos;
        while (m_pos < m_in.size() && std::isdigit(static_cast<unsigned char>(m_in[m_pos]))) {
            hasParam = true;
            param = std::min<long long>(param * 10 + (m_in[m_pos] - '0'), INT_MAX);
            ++m_pos;
        }
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos;
        int value = int(negative ? -param : param);
        if (word == "bin") {
            // Binary data, wherever it stands, is never text; its length is trusted only up to
            // the end of the input.
            size_t length = value > 0 ? size_t(value) : 0;
            m_pos += std::min(length, m_in.size() - m_pos);
            TakeFallback();
            return;
        }
        if (TakeFallback())
            return;
        if (const TControl* control = FindControl(word))
            Act(*control, hasParam, value);
    }

    void Act(const TControl& control, bool hasParam, int value) {
        TGroupState& s = m_state;
        bool on = !hasParam || value != 0;
        switch (control.Act) {
        case TAct::Dest:
            if (s.Dest != TDest::Skip && s.Dest != control.Dest) {
                s.Dest = control.Dest;
                m_fontPending = false;
                m_fontName.clear();
                m_colourSet = false;
                m_rgb = 0;
            }
            break;
        case TAct::Par:
            if (s.Dest == TDest::Body)
                EndParagraph();
            break;
        case TAct::Char:
            BodyChar(control.Char);
            break;
        case TAct::Bold:
            s.Bold = on;
            break;
        case TAct::Italic:
            s.Italic = on;
            break;
        case TAct::Underline:
            s.Underline = on;
            break;
        case TAct::UnderlineNone:
            s.Underline = false;
            break;
        case TAct::Plain:
            s.Bold = s.Italic = s.Underline = false;
            s.Font = m_defaultFont;
            s.HalfPoints = 24;
            s.Colour = 0;
            break;
        case TAct::Font:
            if (s.Dest == TDest::FontTable) {
                if (m_fontPending)
                    CommitFont(); // the previous entry lacked its semicolon
                m_fontEntry = value;
                m_fontName.clear();
                m_fontPending = true;
            } else {
                s.Font = value;
            }
            break;
        case TAct::FontSize:
            s.HalfPoints = value <= 0 ? 24 : std::min(value, MaxHalfPoints);
            break;
        case TAct::Colour:
            s.Colour = value;
            break;
        case TAct::Red:
        case TAct::Green:
        case TAct::Blue: {
            int shift = control.Act == TAct::Red ? 16 : control.Act == TAct::Green ? 8 : 0;
            auto level = uint32_t(std::clamp(value, 0, 255));
            m_rgb = (m_rgb & ~(0xFFu << shift)) | (level << shift);
            m_colourSet = true;
            break;
        }
        case TAct::DefaultFont:
            m_defaultFont = value;
            s.Font = value;
            break;
        case TAct::CodePage:
            // A code page that cannot be decoded keeps Western letters for its bytes.
            if (KnownCodePage(value))
                m_codePage = value;
            break;
        case TAct::FontCharset:
        case TAct::FontCodePage: {
            int page = control.Act == TAct::FontCharset ? CharsetCodePage(value) : value;
            if (s.Dest == TDest::FontTable && m_fontPending && page > 0 && KnownCodePage(page))
                m_fontCodePages[m_fontEntry] = page;
            break;
        }
        case TAct::UnicodeSkip:
            s.UnicodeSkip = std::max(value, 0);
            break;
        case TAct::Unicode: {
            long long cp = value < 0 ? value + 65536LL : value;
            if (cp > 0)
                Emit(cp <= 0xFFFF ? char32_t(cp) : char32_t(0xFFFD));
            m_fallback = s.UnicodeSkip;
            break;
        }
        }
    }

    // Body-only characters from control words (tabs, line breaks, quotes...).
    void BodyChar(char32_t cp) {
        if (m_state.Dest == TDest::Body)
            Emit(cp);
    }

    // One character of text, from UTF-16 halves where \u gave them.
    void Emit(char32_t cp) {
        if (m_highSurrogate != 0) {
            char32_t high = m_highSurrogate;
            m_highSurrogate = 0;
            if (cp >= 0xDC00 && cp <= 0xDFFF) {
                Put(0x10000 + ((high - 0xD800) << 10) + (cp - 0xDC00));
                return;
            }
            Put(0xFFFD);
        }
        if (cp >= 0xD800 && cp <= 0xDBFF)
            m_highSurrogate = cp;
        else
            Put(cp >= 0xDC00 && cp <= 0xDFFF ? 0xFFFD : cp);
    }

    void FlushSurrogate() {
        if (m_highSurrogate != 0) {
            m_highSurrogate = 0;
            Put(0xFFFD);
        }
    }

    void Put(char32_t cp) {
        switch (m_state.Dest) {
        case TDest::Body:
            AppendUtf8(RunForState().Text, cp);
            break;
        case TDest::FontTable:
            // Names are short; a bound keeps comparing looks cheap whatever the input.
            if (m_fontName.size() + 4 <= MaxFontName)
                AppendUtf8(m_fontName, cp);
            break;
        case TDest::ColourTable:
        case TDest::Skip:
            break;
        }
    }

    const std::string& FontName(int font) const {
        static const std::string fallback(DefaultFont);
        auto it = m_fonts.find(font);
        if (it == m_fonts.end())
            it = m_fonts.find(m_defaultFont);
        return it != m_fonts.end() ? it->second : fallback;
    }

    // The run that text in the current look goes to: the paragraph's last one when it has that
    // look, else a new one.
    TRichRun& RunForState() {
        const TGroupState& s = m_state;
        const std::string& font = FontName(s.Font);
        uint32_t colour =
            s.Colour > 0 && size_t(s.Colour) < m_colours.size() ? m_colours[size_t(s.Colour)] : 0;
        auto& runs = m_paragraph.Runs;
        if (!runs.empty()) {
            const TRichRun& last = runs.back();
            if (last.Bold == s.Bold && last.Italic == s.Italic && last.Underline == s.Underline &&
                last.HalfPoints == s.HalfPoints && last.Colour == colour && last.Font == font)
                return runs.back();
        }
        TRichRun run;
        run.Font = font;
        run.HalfPoints = s.HalfPoints;
        run.Bold = s.Bold;
        run.Italic = s.Italic;
        run.Underline = s.Underline;
        run.Colour = colour;
        runs.push_back(std::move(run));
        return runs.back();
    }

    void EndParagraph() {
        FlushSurrogate();
        m_paragraphs.push_back(std::move(m_paragraph));
        m_paragraph = {};
    }

    void CommitFont() {
        size_t first = m_fontName.find_first_not_of(' ');
        size_t last = m_fontName.find_last_not_of(' ');
        m_fonts[m_fontEntry] =
            first == std::string::npos ? std::string() : m_fontName.substr(first, last - first + 1);
        m_fontName.clear();
        m_fontPending = false;
    }

    void CommitColour() {
        m_colours.push_back(m_colourSet ? m_rgb : 0); // an entry without levels is "automatic"
        m_colourSet = false;
        m_rgb = 0;
    }

    std::string_view m_in;
    size_t m_pos = 0;
    TGroupState m_state;
    std::vector<TGroupState> m_stack;
    size_t m_overflow = 0; // groups opened beyond MaxDepth and not yet closed
    bool m_groupStart = false;
    int m_fallback = 0;
    char32_t m_highSurrogate = 0;

    std::map<int, std::string> m_fonts;
    std::map<int, int> m_fontCodePages; // fonts with a character set of their own
    int m_codePage = WesternCodePage;   // the document's (\ansicpg)
    uint8_t m_lead = 0;                 // a lead byte waiting for its trail byte
    int m_leadPage = 0;
    int m_defaultFont = 0;
    int m_fontEntry = 0;
    std::string m_fontName;
    bool m_fontPending = false; // a \f entry has begun and its name not yet ended
    std::vector<uint32_t> m_colours;
    uint32_t m_rgb = 0;
    bool m_colourSet = false;

    std::vector<TRichParagraph> m_paragraphs;
    TRichParagraph m_paragraph;
};

// Text that is not RTF: one paragraph per line, bytes read as Windows-1252.
TRichDocument ReadPlain(std::string_view text) {
    TRichDocument document;
    document.Paragraphs.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos)
            end = text.size();
        TRichParagraph paragraph;
        if (end > i) {
            TRichRun run;
            for (char c : text.substr(i, end - i))
                AppendUtf8(run.Text, AnsiToCodePoint(static_cast<unsigned char>(c)));
            paragraph.Runs.push_back(std::move(run));
        }
        document.Paragraphs.push_back(std::move(paragraph));
        i = end + 1; // CR LF, a lone CR and a lone LF each end a line
        if (end < text.size() && text[end] == '\r' && i < text.size() && text[i] == '\n')
            ++i;
    }
    if (document.Paragraphs.empty())
        document.Paragraphs.emplace_back();
    return document;
}

// Text for RTF: `inName` is for font table entries, where a semicolon ends the name and tabs
// and line breaks have no control words.
void AppendEscaped(std::string& out, std::string_view utf8, bool inName) {
    static constexpr char Hex[] = "0123456789abcdef";
    auto hexByte = [&](unsigned b) {
        out += "\\'";
        out += Hex[b >> 4];
        out += Hex[b & 15];
    };
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = NextCodePoint(utf8, i);
        unsigned char byte = 0;
        if (cp == '\\' || cp == '{' || cp == '}') {
            out += '\\';
            out += char(cp);
        } else if (cp == '\t' && !inName) {
            out += "\\tab ";
        } else if (cp == '\n' && !inName) {
            out += "\\line ";
        } else if (cp < 0x20 || (cp == ';' && inName)) {
            hexByte(unsigned(cp));
        } else if (cp < 0x80) {
            out += char(cp);
        } else if (CodePointToAnsi(cp, byte)) {
            hexByte(byte);
        } else {
            auto unit = [&](char32_t u) {
                out += "\\u" + std::to_string(u > 0x7FFF ? int(u) - 65536 : int(u)) + '?';
            };
            if (cp > 0xFFFF) {
                unit(0xD800 + ((cp - 0x10000) >> 10));
                unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                unit(cp);
            }
        }
    }
}

// The writer's font or colour table: entries in the order of first use.
template <typename T> struct TTable {
    std::vector<T> Entries;
    std::map<T, size_t> Index;
    size_t IndexOf(const T& value) {
        auto [it, added] = Index.try_emplace(value, Entries.size());
        if (added)
            Entries.push_back(value);
        return it->second;
    }
};

} // namespace

TRichDocument ReadRtfBody(std::string_view rtf, bool& lastParagraphOpen) {
    TRichDocument document;
    document.Paragraphs = TReader(rtf).Read(lastParagraphOpen);
    return document;
}

TRichDocument ReadRtf(std::string_view rtf) {
    std::string_view body = RtfPart(rtf);
    if (body.empty())
        return ReadPlain(rtf);
    bool lastParagraphOpen = false;
    return ReadRtfBody(body, lastParagraphOpen);
}

std::string WriteRtf(const TRichDocument& document) {
    // Fonts in the order of first use, so the first run's font is \f0, the default font; colours
    // other than black, which stays the automatic colour \cf0.
    TTable<std::string> fonts;
    TTable<uint32_t> colours;
    for (const auto& paragraph : document.Paragraphs)
        for (const auto& run : paragraph.Runs) {
            fonts.IndexOf(run.Font);
            if ((run.Colour & 0xFFFFFF) != 0)
                colours.IndexOf(run.Colour & 0xFFFFFF);
        }
    if (fonts.Entries.empty())
        fonts.IndexOf(std::string(DefaultFont));

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
    for (size_t f = 0; f < fonts.Entries.size(); ++f) {
        out += "{\\f" + std::to_string(f) + "\\fnil\\fcharset0 ";
        AppendEscaped(out, fonts.Entries[f], true);
        out += ";}";
    }
    out += "}\r\n{\\colortbl;";
    for (uint32_t c : colours.Entries)
        out += "\\red" + std::to_string(c >> 16) + "\\green" + std::to_string((c >> 8) & 255) +
               "\\blue" + std::to_string(c & 255) + ';';
    out += "}\r\n\\viewkind4\\uc1\\pard\\plain\\f0\\fs20";

    // Each run states only what differs from the text before it.
    size_t font = 0;
    int halfPoints = 20;
    bool bold = false, italic = false, underline = false;
    size_t colour = 0;
    bool delimit = true;
    for (const auto& paragraph : document.Paragraphs) {
        for (const auto& run : paragraph.Runs) {
            auto word = [&](std::string_view text) {
                out += text;
                delimit = true;
            };
            size_t runFont = fonts.IndexOf(run.Font);
            int runSize = std::clamp(run.HalfPoints, 1, MaxHalfPoints);
            size_t runColour =
                (run.Colour & 0xFFFFFF) == 0 ? 0 : colours.IndexOf(run.Colour & 0xFFFFFF) + 1;
            if (runFont != font)
                word("\\f" + std::to_string(font = runFont));
            if (runSize != halfPoints)
                word("\\fs" + std::to_string(halfPoints = runSize));
            if (run.Bold != bold)
                word((bold = run.Bold) ? "\\b" : "\\b0");
            if (run.Italic != italic)
                word((italic = run.Italic) ? "\\i" : "\\i0");
            if (run.Underline != underline)
                word((underline = run.Underline) ? "\\ul" : "\\ulnone");
            if (runColour != colour)
                word("\\cf" + std::to_string(colour = runColour));
            if (run.Text.empty())
                continue;
            if (delimit)
                out += ' ';
            AppendEscaped(out, run.Text, false);
            delimit = false;
        }
        out += "\\par\r\n";
        delimit = false; // the line end ends the word
    }
    out += '}';
    return out;
}

std::string RichPlainText(const TRichDocument& document) {
    std::string text;
    for (const auto& paragraph : document.Paragraphs) {
        for (const auto& run : paragraph.Runs)
            text += run.Text;
        text += '\n';
    }
    return text;
}

} // namespace zel
