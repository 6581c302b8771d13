// The notes document's RTF helper and the plain-text form of message markup.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/markup.h"
#include "model/rtf.h"

namespace zel {
namespace {

TEST(Rtf, PlainParagraphsComeBackByteForByte) {
    std::string awkward = "a\\b{c}d\te \xE9\xFF\x80 \x01";
    std::string rtf = RtfFromParagraphs({"first", awkward, ""});
    EXPECT_TRUE(std::ranges::none_of(rtf, [](char c) { return (c & 0x80) != 0; }))
        << "high bytes are escaped";
    EXPECT_EQ(RtfToPlainText(rtf), "first\n" + awkward + "\n\n");
    EXPECT_EQ(RtfToPlainText(EmptyNotesRtf()), "\n");
}

TEST(Rtf, AppendingParagraphs) {
    std::string rtf = EmptyNotesRtf();
    AppendPlainParagraph(rtf, "one");
    EXPECT_EQ(rtf, RtfFromParagraphs({"one"})) << "the empty document's paragraph is replaced";
    AppendPlainParagraph(rtf, "two {2}");
    EXPECT_EQ(RtfToPlainText(rtf), "one\ntwo {2}\n");

    std::string foreign = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}"
                          "\\f0\\b bold\\b0  text\\par\r\n}";
    AppendPlainParagraph(foreign, "added");
    EXPECT_EQ(RtfToPlainText(foreign), "bold text\nadded\n");
    EXPECT_EQ(foreign.back(), '}');

    std::string notRtf = "just words";
    AppendPlainParagraph(notRtf, "more");
    EXPECT_EQ(RtfToPlainText(notRtf), "just words\nmore\n");
}

TEST(Rtf, PlainTextSkipsHiddenGroupsAndSurvivesBrokenInput) {
    EXPECT_EQ(RtfToPlainText("{\\rtf1{\\*\\generator Someone;}{\\info{\\title T}}Hi\\tab there"
                             "\\line next\\'e9\\'zz\\~x}"),
              "Hi\tthere\nnext\xE9zz x");
    for (const char* broken : {"", "\\", "{", "}}}", "{\\'", "{\\'4", "{\\rtf1\\par", "\\*"})
        EXPECT_NO_THROW(RtfToPlainText(broken)) << broken;
    EXPECT_EQ(RtfToPlainText("}}}a"), "a");
}

TEST(Markup, CodesVanishAndLineBreaksStay) {
    EXPECT_EQ(MarkupToPlainText("\\b\\1\\|Error!\\n\\[Undefined Riff - X"),
              "Error!\nUndefined Riff - X");
    EXPECT_EQ(MarkupToPlainText("\\bInstrument clash: A"), "Instrument clash: A");
    EXPECT_EQ(MarkupToPlainText("a\\zb\\Tc\\"), "ab\tc");
    EXPECT_EQ(MarkupToPlainText("Failed to Open File"), "Failed to Open File");
}

} // namespace
} // namespace zel
