// The instrument record's text form, the instrument file and the clipboard shape check.
#include <gtest/gtest.h>

#include "model/instrument.h"
#include "model/text_fields.h"
#include "sound/instrument_file.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

TEST(InstrumentText, DefaultEncodingAndRoundTrips) {
    EXPECT_EQ(InstrumentToText(TInstrument{}),
              "0\t0\t1000\t1000\t1000\t1000\t1000\t1000\t1000\t1000\t1\t0\t0\t0\t10\t10");
    TInstrument low;
    low.Octave = -8;
    EXPECT_EQ(std::string(TabField(InstrumentToText(low), 13)), "-8");

    TInstrument odd;
    odd.Wave = 200; // written signed
    odd.Skew = 255;
    odd.Octave = -32768;
    odd.AmpEnv = {-5, 0, INT32_MAX, INT32_MIN};
    odd.FilterEnv = {1, 2, 3, 4};
    odd.ModFreq = 65535;
    odd.ModDepth = 7;
    odd.ModTarget = ModAmp;
    odd.MixLeft = 0;
    odd.MixRight = 100;
    for (const TInstrument& in : {TInstrument{}, low, odd}) {
        TInstrument back;
        back.Wave = 9;
        TextToInstrument(InstrumentToText(in), 0, back);
        EXPECT_EQ(back, in) << InstrumentToText(in);
    }
    EXPECT_EQ(std::string(TabField(InstrumentToText(odd), 0)), "-56");
}

TEST(InstrumentText, NumbersAreCutToTheirFieldsAndMalformedOnesReadAsZero) {
    TInstrument in;
    TextToInstrument(
        "300\t 12x\t-1\t\tabc\t+7\t4294967297\t0\t0\t0\t70000\t256\t3\t65535\t10\t10\r\n", 0, in);
    EXPECT_EQ(in.Wave, 44) << "300 keeps its low 8 bits";
    EXPECT_EQ(in.Skew, 12);
    EXPECT_EQ(in.AmpEnv.Attack, -1);
    EXPECT_EQ(in.AmpEnv.Decay, 0) << "empty field";
    EXPECT_EQ(in.AmpEnv.Sustain, 0) << "no digits";
    EXPECT_EQ(in.AmpEnv.Release, 7);
    EXPECT_EQ(in.FilterEnv.Attack, 1) << "low 32 bits";
    EXPECT_EQ(in.ModFreq, 70000 - 65536);
    EXPECT_EQ(in.ModDepth, 0);
    EXPECT_EQ(in.Octave, -1);
    EXPECT_EQ(in.MixRight, 10) << "a trailing line break is harmless";

    TextToInstrument("Lead\t2\t5", 1, in);
    EXPECT_EQ(in.Wave, 2);
    EXPECT_EQ(in.Skew, 5);
    EXPECT_EQ(in.AmpEnv.Attack, 0) << "missing fields read as 0";
    EXPECT_EQ(in.MixRight, 0);
}

TEST(InstrumentText, ClipboardShapeNeedsExactlySixteenFields) {
    std::string sixteen = InstrumentToText(TInstrument{});
    EXPECT_TRUE(IsInstrumentText(sixteen));
    EXPECT_TRUE(IsInstrumentText(sixteen + "\r\n"));
    EXPECT_FALSE(IsInstrumentText(sixteen + "\t1"));
    EXPECT_FALSE(IsInstrumentText(sixteen.substr(0, sixteen.rfind('\t'))));
    EXPECT_FALSE(IsInstrumentText(""));
}

TEST(InstrumentFile, WritesOneLineAndReadsTheFirstLineOnly) {
    TTempDir dir;
    TInstrument lead;
    lead.Wave = WaveSquare;
    lead.Octave = -1;
    ASSERT_TRUE(SaveInstrumentFile(dir.File("lead.zvi"), "Lead \xE9", lead));
    EXPECT_EQ(ReadBytes(dir.File("lead.zvi")), "Lead \xE9\t" + InstrumentToText(lead) + "\r\n");

    WriteBytes(dir.File("two.zvi"), "Pad\t1\t0\r\nOther\t2\t2\r\n");
    std::string name;
    TInstrument in;
    ASSERT_TRUE(LoadInstrumentFile(dir.File("two.zvi"), name, in));
    EXPECT_EQ(name, "Pad");
    EXPECT_EQ(in.Wave, 1);
    EXPECT_EQ(in.FilterEnv.Attack, 0) << "a filter attack of 0: the file asks for silence";

    WriteBytes(dir.File("nocr.zvi"), "Whole\t3\t4\n5");
    ASSERT_TRUE(LoadInstrumentFile(dir.File("nocr.zvi"), name, in));
    EXPECT_EQ(name, "Whole");
    EXPECT_EQ(in.Skew, 4);
}

TEST(InstrumentFile, MissingFileLeavesTheInstrumentAlone) {
    TTempDir dir;
    TCapturedMessages messages;
    std::string name = "Keep";
    TInstrument in;
    in.Wave = WaveNoise;
    EXPECT_FALSE(LoadInstrumentFile(dir.File("none.zvi"), name, in));
    EXPECT_EQ(name, "Keep");
    EXPECT_EQ(in.Wave, WaveNoise);
    ASSERT_EQ(messages->size(), 1u);
    EXPECT_EQ((*messages)[0].Text, "Failed to Open File");
}

} // namespace
} // namespace zel
