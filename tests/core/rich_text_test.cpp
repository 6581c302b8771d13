// The RTF codec of the notes document: what the reader makes of each control word family, of
// damaged and foreign input and of files other programs wrote, and the writer's round trip.
#include <gtest/gtest.h>

#include "model/rich_text.h"
#include "model/rtf.h"
#include "test_support.h"

namespace zel {
namespace {

// Paragraphs as "<flags>text" runs, each paragraph ended by '|'; flags are b, i and u.
std::string Show(const TRichDocument& document) {
    std::string out;
    for (const auto& paragraph : document.Paragraphs) {
        for (const auto& run : paragraph.Runs)
            out += std::string("<") + (run.Bold ? "b" : "") + (run.Italic ? "i" : "") +
                   (run.Underline ? "u" : "") + ">" + run.Text;
        out += '|';
    }
    return out;
}

std::string ShowBody(const std::string& body) {
    return Show(ReadRtf("{\\rtf1\\ansi " + body + "}"));
}

struct TCase {
    const char* Name;
    std::string Body;
    std::string Expected;
};

TEST(RichTextReader, ControlWordFamilies) {
    const TCase cases[] = {
        {"bold on and off", "a\\b b\\b0 c\\b1 d", "<>a<b>b<>c<b>d|"},
        {"italic and underline", "\\i a\\ul b\\i0 c\\ulnone d", "<i>a<iu>b<u>c<>d|"},
        {"underline styles", "\\uldb a\\ul0 b\\ulwave c\\ulnone d", "<u>a<>b<u>c<>d|"},
        {"underline colour is no underline", "\\ulc2 a", "<>a|"},
        {"plain resets the look", "\\b\\i\\ul a\\plain b", "<biu>a<>b|"},
        {"groups restore the look", "a{\\b b{\\i c}d}e", "<>a<b>b<bi>c<b>d<>e|"},
        {"paragraphs, lines and tabs", "a\\tab b\\line c\\par d", "<>a\tb\nc|<>d|"},
        {"backslash and newline ends a paragraph", "a\\\r\nb", "<>a|<>b|"},
        {"escaped symbols", "\\\\\\{\\}", "<>\\{}|"},
        {"spaces and hyphens", "a\\~b\\_c\\-d", "<>a b-cd|"},
        {"typographic characters", "\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote",
         "<>\u2014\u2013\u2022\u2018\u2019\u201C\u201D|"},
        {"control word delimiters", "\\b  two\\b0\r\nthree\\par\r\n4", "<b> two<>three|<>4|"},
        {"unknown words and symbols are ignored", "\\qc\\sa180\\zzz12 a\\|\\:b", "<>ab|"},
        {"hidden destinations",
         "{\\*\\unknown x}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}{\\header H}"
         "{\\footer F}{\\pict 0102}{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt shown}}"
         "{\\pn\\pnlvlblt{\\pntxtb B}}{\\pntext 1.}",
         "<>shown1.|"},
        {"a starred word inside a group is no destination", "{a\\*b}", "<>ab|"},
        {"code page bytes", "\\'e9\\'FC\\'80\\'93\\'a0", "<>\u00E9\u00FC\u20AC\u201C\u00A0|"},
        {"the document's code page", "\\ansicpg1251\\'e9", "<>\u0439|"},
        {"raw bytes are code page text", "caf\xE9", "<>caf\u00E9|"},
        {"unicode with one fallback", "\\u233?\\u8364?x", "<>\u00E9\u20ACx|"},
        {"negative unicode", "\\u-3?", "<>\uFFFD|"},
        {"surrogate pair", "\\u-10179?\\u-8704?", "<>\U0001F600|"},
        {"lone surrogates", "\\u-10179?a\\u-8704?", "<>\uFFFDa\uFFFD|"},
        {"uc sets the fallback length", "\\uc2\\u233 XYz", "<>\u00E9z|"},
        {"uc0 has no fallback", "\\uc0\\u233 x", "<>\u00E9x|"},
        {"an escape is one fallback character", "\\u233\\'e9x", "<>\u00E9x|"},
        {"a control word is one fallback character", "\\u233\\tab x", "<>\u00E9x|"},
        {"a fallback stops at a brace", "{\\uc3\\u233}ab", "<>\u00E9ab|"},
        {"uc belongs to its group", "{\\uc0 a}\\u233?b", "<>a\u00E9b|"},
        {"binary data is skipped", "a{\\pict\\bin4 }}{{}b\\bin3 {{{c", "<>abc|"},
        {"binary length past the end", "a\\bin99999 xyz", "<>a|"},
        {"negative binary length", "a\\bin-5 b", "<>ab|"},
        {"stray closing braces", "a}}}}b", "<>ab|"}};
    for (const auto& c : cases)
        EXPECT_EQ(ShowBody(c.Body), c.Expected) << c.Name;
}

TEST(RichTextReader, FontsSizesAndColours) {
    TRichDocument document = ReadRtf(
        "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman Times New Roman;}\r\n"
        "{\\f1\\fswiss{\\*\\panose 020b}Arial;} {\\f2 Cour\\'e9\\'3b ;}{\\f3\\fnil}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue999;;}"
        "a\\f0\\fs28\\cf1 b\\f2\\cf2 c\\f7\\fs0 d\\plain e\\cf9 f\\f3\\cf3 g\\fs99999999999 h}");
    ASSERT_EQ(document.Paragraphs.size(), 1u);
    struct TLook {
        std::string Text, Font;
        int HalfPoints;
        uint32_t Colour;
    };
    const TLook expected[] = {
        {"a", "Arial", 24, 0},
        {"b", "Times New Roman", 28, 0xFF0000},
        {"c", "Cour\u00E9;", 28, 0x0080FF}, // an escaped semicolon belongs to the name
        {"d", "Arial", 24, 0x0080FF},       // unknown font: the default font; \fs0: the default
        {"ef", "Arial", 24, 0},             // \plain; a colour beyond the table is automatic
        {"g", "", 24, 0},                   // the empty name, the empty colour entry
        {"h", "", 3276, 0}};
    const auto& runs = document.Paragraphs[0].Runs;
    ASSERT_EQ(runs.size(), std::size(expected));
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].Text, expected[i].Text);
        EXPECT_EQ(runs[i].Font, expected[i].Font) << expected[i].Text;
        EXPECT_EQ(runs[i].HalfPoints, expected[i].HalfPoints) << expected[i].Text;
        EXPECT_EQ(runs[i].Colour, expected[i].Colour) << expected[i].Text;
    }

    std::string longName;
    for (int i = 0; i < 300; ++i)
        longName += "\\'e9";
    TRichRun cut = ReadRtf("{\\rtf1{\\fonttbl{\\f0 " + longName + ";}}x}").Paragraphs[0].Runs.at(0);
    EXPECT_LE(cut.Font.size(), 256u) << "font names are bounded";
    EXPECT_EQ(cut.Font.size() % 2, 0u) << "and cut between characters";

    TRichRun bare = ReadRtf("{\\rtf1 x}").Paragraphs[0].Runs.at(0);
    EXPECT_EQ(bare.Font, "Arial") << "no font table";
    EXPECT_EQ(bare.HalfPoints, 24) << "RTF's size when none is given";
}

TEST(RichTextReader, ParagraphsAndForeignText) {
    const TCase cases[] = {
        {"empty document", "{\\rtf1 }", "|"},
        {"one ended paragraph", "{\\rtf1 a\\par}", "<>a|"},
        {"an empty paragraph after", "{\\rtf1 a\\par\\par}", "<>a||"},
        {"text after the last par", "{\\rtf1 a\\par b}", "<>a|<>b|"},
        {"looks without text make no paragraph", "{\\rtf1 a\\par\\pard\\plain\\b }", "<>a|"},
        {"leading blanks and byte order mark", "\xEF\xBB\xBF \r\n{\\rtf1 a}", "<>a|"},
        {"plain text lines", "one\r\ntw\xF6\n\nthree\rfour\r\n",
         "<>one|<>tw\u00F6||<>three|<>four|"},
        {"empty text", "", "|"},
        {"braces and backslashes in plain text", "{a}\\b", "<>{a}\\b|"},
        {"binary junk", std::string("\x00\xFF\x01\x80", 4),
         std::string("<>\x00\u00FF\x01\u20AC|", 10)}};
    for (const auto& c : cases)
        EXPECT_EQ(Show(ReadRtf(c.Body)), c.Expected) << c.Name;

    TRichRun plain = ReadRtf("words").Paragraphs[0].Runs.at(0);
    EXPECT_EQ(plain, (TRichRun{.Text = "words"})) << "plain text takes the notes' default look";
}

TEST(RichTextReader, DamagedInputGivesWhatCouldBeRead) {
    const TCase cases[] = {
        {"truncated hex escape", "{\\rtf1 abc\\'4", "abc4\n"},
        {"truncated after backslash", "{\\rtf1 abc\\", "abc\n"},
        {"unclosed groups", "{\\rtf1 ab{\\b c", "abc\n"},
        {"truncated unicode", "{\\rtf1 a\\u", "a\n"},
        {"truncated negative parameter", "{\\rtf1 a\\u-", "a\n"},
        {"bad hex escape", "{\\rtf1 a\\'zzb}", "azzb\n"},
        {"huge parameters", "{\\rtf1 a{\\uc99999999999999999999\\u233 bc}d\\u99999999 ?e}",
         "a\u00E9d\uFFFDe\n"},
        {"unknown destination with nested groups", "{\\rtf1 {\\*\\x {{{y}}} z} w}", " w\n"}};
    for (const auto& c : cases)
        EXPECT_EQ(RichPlainText(ReadRtf(c.Body)), c.Expected) << c.Name;
}

TEST(RichTextReader, DeepNestingNeitherRecursesNorLeaksItsLook) {
    constexpr size_t depth = 100000;
    std::string rtf =
        "{\\rtf1 a" + std::string(depth, '{') + "\\b deep" + std::string(depth, '}') + " after}";
    EXPECT_EQ(Show(ReadRtf(rtf)), "<>a<b>deep<> after|");

    std::string unclosed = "{\\rtf1 " + std::string(depth, '{') + "x";
    EXPECT_EQ(Show(ReadRtf(unclosed)), "<>x|");
}

TRichDocument Awkward() {
    auto run = [](std::string text, std::string font, int halfPoints, bool b, bool i, bool u,
                  uint32_t colour) {
        return TRichRun{std::move(text), std::move(font), halfPoints, b, i, u, colour};
    };
    TRichDocument document;
    document.Paragraphs = {{{run("plain ", "Arial", 20, false, false, false, 0),
                             run(" bold", "Arial", 20, true, false, false, 0),
                             run("7 digits after a word", "Arial", 20, true, true, false, 0)}},
                           {},
                           {{run("\\{}\t\n\r;\x01", "A;b{c}\\d", 7, false, false, true, 0x123456),
                             run("\u00E9\u20AC\u2192\U0001F600\u0081 ", "Times\tNew \u00C5", 3276,
                                 false, true, true, 0xFFFFFF)}},
                           {{run(" lead and trail ", "", 1, true, true, true, 0x000001)}}};
    return document;
}

TEST(RichTextWriter, ReadingBackGivesTheSameDocument) {
    TRichDocument document = Awkward();
    std::string rtf = WriteRtf(document);
    EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0")) << rtf;
    EXPECT_TRUE(rtf.ends_with("\\par\r\n}"));
    for (char c : rtf)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "RTF is 7-bit text";
    EXPECT_NE(rtf.find("\\'e9\\'80\\u8594?\\u-10179?\\u-8704?"), std::string::npos) << rtf;
    EXPECT_EQ(ReadRtf(rtf), document);

    TRichDocument empty;
    EXPECT_EQ(ReadRtf(WriteRtf(empty)), empty);
    EXPECT_EQ(RtfToPlainText(WriteRtf(empty)), "\n");
}

TEST(RichTextWriter, OneRoundIsAFixedPoint) {
    const std::string inputs[] = {
        EmptyNotesRtf(),
        RtfFromParagraphs({"one", "t\two \xE9", ""}),
        "{\\rtf1{\\fonttbl{\\f0 A;}{\\f1 A;}}\\f1\\fs0 x\\f0 y\\cf3\\u-1?\\u55296?z}",
        "{\\rtf1 a\\line\\par\\par{\\b\\i\\ul\\ulnone x}}",
        "plain\ttext\r\nlines",
        std::string("\x00{\\\\}\xFF", 6)};
    for (const auto& input : inputs) {
        TRichDocument once = ReadRtf(input);
        std::string written = WriteRtf(once);
        EXPECT_EQ(ReadRtf(written), once) << input;
        EXPECT_EQ(WriteRtf(ReadRtf(written)), written) << input;
    }
}

// notes_source.fodt went through `soffice --headless --convert-to rtf`, notes_source.md through
// `pandoc -f markdown -t rtf -s` (markdown has no tab: pandoc's second paragraph has a space).
TEST(RichTextReader, FilesOtherProgramsWrote) {
    struct TPeer {
        const char* File;
        const char* Font;
        const char* Gap;
    };
    const TPeer peers[] = {{"notes_libreoffice.rtf", "Liberation Serif", "\t"},
                           {"notes_pandoc.rtf", "Helvetica", " "}};
    for (const auto& peer : peers) {
        std::string rtf = test::ReadBytes(std::string(ZELVANE_TEST_DATA) + "/" + peer.File);
        ASSERT_FALSE(rtf.empty()) << peer.File;
        TRichDocument document = ReadRtf(rtf);
        EXPECT_EQ(Show(document), std::string("<>Verse one is <b>bold<>, <i>italic<> and "
                                              "<u>underlined<>: caf\u00E9, \u00FCber.|<>Second") +
                                      peer.Gap + "paragraph after a tab.|")
            << peer.File;
        for (const auto& paragraph : document.Paragraphs)
            for (const auto& run : paragraph.Runs) {
                EXPECT_EQ(run.Font, peer.Font) << peer.File;
                EXPECT_EQ(run.HalfPoints, 24) << peer.File;
                EXPECT_EQ(run.Colour, 0u) << peer.File;
            }
        std::string written = WriteRtf(document);
        EXPECT_EQ(ReadRtf(written), document) << peer.File;
    }
}

TEST(RichTextPlain, BytesForPrintingAndUtf8ForTheCommandLine) {
    std::string rtf = "{\\rtf1 \\'e9\\u8364?\\u8594?\\tab x\\par y}";
    EXPECT_EQ(RtfToPlainText(rtf), "\xE9\x80?\tx\ny") << "Windows-1252, '?' where it has no byte";
    EXPECT_EQ(RichPlainText(ReadRtf(rtf)), "\u00E9\u20AC\u2192\tx\ny\n");
}

TEST(RichTextReader, BytesAreReadInTheCodePageInForce) {
    const TCase cases[] = {
        {"Cyrillic document", "{\\rtf1\\ansi\\ansicpg1251 \\'c6\\'e5\\'eb\\'f2\\'fb\\'e9}",
         "\u0416\u0435\u043B\u0442\u044B\u0439"},
        {"Central European document", "{\\rtf1\\ansi\\ansicpg1250 \\'8a\\'e8\\'f8}",
         "\u0160\u010D\u0159"},
        {"Shift-JIS document, a trail byte written as itself",
         "{\\rtf1\\ansi\\ansicpg932 \\'93\\'fa\\'96\\'7b\\'82a \\'b1}",
         "\u65E5\u672C\uFF22 \uFF71"},
        {"fonts switching code pages mid-paragraph",
         "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset204 Arial "
         "Cyr;}{\\f2\\fcharset128 \\'82\\'6c\\'82\\'72 Gothic;}{\\f3\\cpg1250 X;}}"
         "\\f0 caf\\'e9 \\f1\\'c6\\'e5 {\\f2\\'93\\'fa}\\'eb \\f3\\'e8\\plain\\'e8}",
         "caf\u00E9 \u0416\u0435 \u65E5\u043B \u010D\u00E8"},
        {"a lead byte without its trail", "{\\rtf1\\ansicpg936 \\'b0}x", "\uFFFDx"},
        {"a code page nothing here reads: Western", "{\\rtf1\\ansicpg77777 \\'e9}", "\u00E9"}};
    for (const TCase& c : cases)
        EXPECT_EQ(RtfToPlainUtf8(c.Body), c.Expected) << c.Name;
    TRichDocument fonts = ReadRtf(cases[3].Body);
    EXPECT_EQ(fonts.Paragraphs[0].Runs[2].Font, "\uFF2D\uFF33 Gothic") << "names in their own";
}

} // namespace
} // namespace zel
