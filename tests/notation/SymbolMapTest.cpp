#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/MessageSink.h"
#include "notation/SymbolMap.h"
#include "support/NotationTestSupport.h"
#include "tunefile/Profile.h"

namespace skirlo {
namespace {

SymbolMap load(const std::string& profileText, RecordingMessageSink& sink) {
    SymbolMap map;
    map.load(*IniProfile::fromText(profileText), sink);
    return map;
}

TEST(SymbolMapRow, SplitsNameCodesClassAndData) {
    const SymbolMapEntry entry = parseSymbolMapRow("  dbe\t(CAT_EMBELISHMENTS,E,N,0)  embellishment g E f  e ", 40);
    EXPECT_EQ(entry.name, "dbe");
    EXPECT_EQ(entry.category, CAT_EMBELISHMENTS);
    EXPECT_EQ(entry.pitch, PITCH_E);
    EXPECT_EQ(entry.tailCode, TAIL_N);
    EXPECT_EQ(entry.noteValue, 0);
    EXPECT_EQ(entry.playbackClass, "embellishment");
    EXPECT_EQ(entry.playbackData, "g E f  e");
    EXPECT_EQ(entry.glyphCharacter, 40);

    const SymbolMapEntry note = parseSymbolMapRow("HAl_32 (CAT_MELODY_LEFT_TAIL,HA,L,32) melody", 171);
    EXPECT_EQ(note.category, CAT_MELODY_LEFT_TAIL);
    EXPECT_EQ(note.pitch, PITCH_HA);
    EXPECT_EQ(note.tailCode, TAIL_L);
    EXPECT_EQ(note.noteValue, 32);
    EXPECT_EQ(note.playbackClass, "melody");
    EXPECT_EQ(note.playbackData, "");
}

TEST(SymbolMapRow, ShortRowsShiftIntoTheClass) {
    // Name and codes only: the codes field is read as the class, codes empty.
    const SymbolMapEntry entry = parseSymbolMapRow("LG_4 (CAT_MELODY_NO_TAIL,LG,N,4)", 60);
    EXPECT_EQ(entry.name, "LG_4");
    EXPECT_EQ(entry.playbackClass, "(CAT_MELODY_NO_TAIL,LG,N,4)");
    EXPECT_EQ(entry.category, CAT_END_SECTION);
    EXPECT_EQ(entry.pitch, PITCH_LG);
    EXPECT_EQ(entry.tailCode, TAIL_A);
    EXPECT_EQ(entry.noteValue, 0);

    const SymbolMapEntry lone = parseSymbolMapRow("alone", 61);
    EXPECT_EQ(lone.name, "");
    EXPECT_EQ(lone.playbackClass, "alone");
}

TEST(SymbolMapRow, CodesFieldDefaults) {
    SymbolMapEntry entry;
    parseCodesField("(CAT_BAR,B,R)", entry);  // three words: the tail is closed by ')'
    EXPECT_EQ(entry.category, CAT_BAR);
    EXPECT_EQ(entry.pitch, PITCH_B);
    EXPECT_EQ(entry.tailCode, TAIL_A);
    EXPECT_EQ(entry.noteValue, 0);

    parseCodesField("CAT_DOTS,C,L,16)", entry);  // no '(': read from the start
    EXPECT_EQ(entry.category, CAT_DOTS);
    EXPECT_EQ(entry.tailCode, TAIL_L);
    EXPECT_EQ(entry.noteValue, 16);

    parseCodesField("(CAT_NOPE,X,Y,8", entry);  // no ')': value 0
    EXPECT_EQ(entry.category, CAT_END_SECTION);
    EXPECT_EQ(entry.pitch, PITCH_LG);
    EXPECT_EQ(entry.tailCode, TAIL_A);
    EXPECT_EQ(entry.noteValue, 0);
}

TEST(SymbolMapRow, GarbageNeverCrashes) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        std::string value;
        const int length = round % 40;
        for (int i = 0; i < length; ++i) value.push_back(static_cast<char>(byte(random)));
        if (round % 3 == 0) value = "(" + value + ",,,)" + value;
        const SymbolMapEntry entry = parseSymbolMapRow(value, 50);
        EXPECT_GE(entry.category, 0);
        EXPECT_LT(entry.category, 32);
        EXPECT_LE(entry.name.size() + entry.playbackClass.size(), value.size());
    }
}

TEST(SymbolMap, SectionKeyRangesAndLookupOrder) {
    RecordingMessageSink sink;
    const SymbolMap map = load(std::string(test::kNotationTestProfile) +
                                   "[FontMap2]\r\n171=wide (CAT_BAR,LG,N,0) no_sound\r\n",
                               sink);
    // QTN1 reaches code 171; the other fonts end at 127.
    const SymbolMap::Lookup high = map.find("HAl_32");
    ASSERT_NE(high.entry, nullptr);
    EXPECT_EQ(high.section, 1);
    EXPECT_EQ(high.entry->glyphCharacter, 171);
    EXPECT_EQ(map.find("wide").entry, nullptr);

    // LG_4 is in FontMap1 and FontMap3: the first section wins.
    const SymbolMap::Lookup note = map.find("LG_4");
    ASSERT_NE(note.entry, nullptr);
    EXPECT_EQ(note.section, 1);
    EXPECT_EQ(note.entry->category, CAT_MELODY_NO_TAIL);
    EXPECT_EQ(map.find("'la").section, 3);
    EXPECT_EQ(map.find("lg_4").entry, nullptr);
    EXPECT_TRUE(sink.messages().empty());
}

TEST(SymbolMap, LaterRowReplacesEarlierInItsSection) {
    RecordingMessageSink sink;
    const SymbolMap map = load(
        "[FontMap1]\r\n40=x (CAT_BAR,LG,N,0) first\r\n41=x (CAT_DOTS,LG,N,0) second\r\n"
        "[FontMap2]\r\n32=y (CAT_BAR)\r\n[FontMap3]\r\n32=y (CAT_BAR)\r\n[FontMap4]\r\n32=y (CAT_BAR)\r\n"
        "[FontMap5]\r\n32=y (CAT_BAR)\r\n[FontMap6]\r\n32=y (CAT_BAR)\r\n[FontMap7]\r\n32=y (CAT_BAR)\r\n",
        sink);
    const SymbolMap::Lookup x = map.find("x");
    ASSERT_NE(x.entry, nullptr);
    EXPECT_EQ(x.entry->playbackClass, "second");
    EXPECT_EQ(x.entry->glyphCharacter, 41);
    EXPECT_EQ(map.size(1), 1u);
    EXPECT_TRUE(sink.messages().empty());
}

TEST(SymbolMap, LowerSectionWinsWhateverTheOrderOfInsertionAndSurvivesAMove) {
    SymbolMap map;
    SymbolMapEntry late;
    late.name = "x";
    late.playbackClass = "from3";
    map.insert(3, late);
    late.playbackClass = "from1";
    map.insert(1, late);
    late.playbackClass = "from5";
    map.insert(5, late);
    map.insert(9, late);  // no such section
    const SymbolMap moved = std::move(map);
    const SymbolMap::Lookup found = moved.find("x");
    ASSERT_NE(found.entry, nullptr);
    EXPECT_EQ(found.section, 1);
    EXPECT_EQ(found.entry->playbackClass, "from1");
    EXPECT_EQ(moved.size(3), 1u);
    EXPECT_EQ(moved.size(9), 0u);
}

TEST(SymbolMap, EmptySectionsAreReportedOnceEachExceptTheEighth) {
    RecordingMessageSink sink;
    const SymbolMap map = load("[FontMap1]\r\n40=x (CAT_BAR,LG,N,0) a\r\n[FontMap3]\r\n40=\r\n", sink);
    ASSERT_EQ(sink.messages().size(), 6u);
    EXPECT_EQ(sink.messages()[0].text, "Could not load symbol mappings for FontMap2!");
    EXPECT_EQ(sink.messages()[0].caption, "Initialization Error!");
    EXPECT_EQ(sink.messages()[1].text, "Could not load symbol mappings for FontMap3!");
    EXPECT_EQ(sink.messages()[5].text, "Could not load symbol mappings for FontMap7!");
    EXPECT_NE(map.find("x").entry, nullptr);

    sink.clear();
    const SymbolMap none = load("", sink);
    EXPECT_EQ(sink.messages().size(), 7u);
    EXPECT_EQ(none.find("x").entry, nullptr);
}

TEST(SymbolMap, DisplaySettings) {
    RecordingMessageSink sink;
    SymbolMap map = load("[Symbols]\r\nEmbellishmentDistFactor=6\r\nHiliteColor=RGB(0,0,255)\r\n", sink);
    EXPECT_EQ(map.hiliteColour(), 0xFF0000);
    EXPECT_EQ(map.embellishmentSpace(), 6);
    for (std::int32_t c : {4, 5, 6, 27}) EXPECT_EQ(map.spacing().spaceAfter(c), 6);
    EXPECT_EQ(map.spacing().spaceAfter(CAT_REST), 3);

    map = load("[Symbols]\r\nHiliteColor=RGB(257, -1,2)\r\n", sink);
    EXPECT_EQ(map.hiliteColour(), 0x02FF01);  // the low 8 bits of each
    EXPECT_EQ(map.embellishmentSpace(), 3);

    for (const char* bad : {"rgb(1,2,3)", "RGB(1,2)", "RGB(a,2,3)", "RGB 1,2,3"}) {
        map = load(std::string("[Symbols]\r\nHiliteColor=") + bad + "\r\n", sink);
        EXPECT_EQ(map.hiliteColour(), SymbolMap::kDefaultHiliteColour) << bad;
    }
}

}  // namespace
}  // namespace skirlo
