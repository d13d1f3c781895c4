// Reading pipe ABC: grace groups by name, lengths, and input the reader does
// not understand or that is plainly broken.

#include <gtest/gtest.h>

#include <chrono>

#include "InterchangeTestSupport.h"
#include "common/MessageSink.h"
#include "notation/SymbolMap.h"

namespace skirlo::test {
namespace {

// The body tokens after the part start of the only staff line.
std::vector<std::string> music(const AbcImport& imported) {
    const std::size_t start = imported.tuneText.find("I!");
    std::vector<std::string> tokens;
    if (start == std::string::npos) return tokens;
    std::string token;
    for (std::size_t at = start; at < imported.tuneText.size(); ++at) {
        const char c = imported.tuneText[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!token.empty()) tokens.push_back(std::exchange(token, {}));
        } else {
            token += c;
        }
    }
    return tokens;
}

std::string abcTune(std::string_view body, std::string_view header = "L:1/8\n") {
    return "X:1\nT:T\nM:2/4\n" + std::string(header) + "K:HP\n" + std::string(body) + "\n";
}

std::string messages(const AbcImport& imported) {
    std::string all;
    for (const AbcMessage& m : imported.messages) all += std::to_string(m.line) + ":" + std::to_string(m.column) + " " + m.text + "\n";
    return all;
}

TEST(AbcImport, EveryEmbellishmentOfTheMapIsFoundFromItsGracenotes) {
    const auto profile = IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI");
    RecordingMessageSink sink;
    SymbolMap map;
    map.load(*profile, sink);
    const std::string abcLetters = "GABcdefga";
    const std::string dataLetters = "gabcdefGA";
    int checked = 0;
    for (int section = 4; section <= 6; ++section) {
        for (int code = 33; code < 128; ++code) {
            const std::string row = profile->getString("FontMap" + std::to_string(section), std::to_string(code));
            if (row.empty()) continue;
            const SymbolMapEntry entry = parseSymbolMapRow(row, code);
            std::string group;
            for (const char c : entry.playbackData) group += abcLetters[dataLetters.find(c)];
            const AbcImport imported = importWithRealMap(abcTune("{" + group + "}A2 |"));
            SCOPED_TRACE(entry.name + " {" + group + "}");
            const std::vector<std::string> tokens = music(imported);
            ASSERT_GE(tokens.size(), 3u);
            EXPECT_EQ(tokens[2], "LA_4");
            // Several names may sound the same gracenotes: a doubling and a half
            // strike on high G; a single gracenote and a strike.
            const SymbolMap::Lookup found = map.find(tokens[1]);
            ASSERT_NE(found.entry, nullptr) << tokens[1];
            EXPECT_EQ(found.entry->playbackData, entry.playbackData) << tokens[1];
            EXPECT_TRUE(imported.messages.empty()) << messages(imported);
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

TEST(AbcImport, NamedEmbellishmentsWinAndAnUnknownGroupBecomesSingleGracenotes) {
    const std::vector<std::string> tokens = music(importWithRealMap(abcTune("{gcd}c2 {GdGe}A2 | {GAG}A2 {Gdc}d2 |")));
    EXPECT_EQ(std::vector<std::string>(tokens.begin() + 1, tokens.end()),
              (std::vector<std::string>{"dbc", "C_4", "tar", "LA_4", "!", "brl", "LA_4", "thrd", "D_4", "!I"}));
    const std::vector<std::string> singles = music(importWithRealMap(abcTune("{ea}B2 |")));
    EXPECT_EQ(std::vector<std::string>(singles.begin() + 1, singles.begin() + 4),
              (std::vector<std::string>{"eg", "tg", "B_4"}));
}

TEST(AbcImport, LengthsDotsBrokenRhythmTripletsAndTies) {
    const AbcImport imported = importWithRealMap(abcTune("A>B c<d | (3efg e/f/ | A3/2B/ G2- | G4 |"));
    EXPECT_EQ(music(imported),
              (std::vector<std::string>{"I!", "LAr_8", "'la", "Bl_16", "Cr_16", "Dl_8", "'d", "!", "^3s", "Er_8", "Fl_8",
                                        "HGl_8", "^3e", "Er_16", "Fl_16", "!", "LAr_8", "'la", "Bl_16", "LG_4", "!",
                                        "^t", "LG_2", "!I"}));
    EXPECT_TRUE(imported.messages.empty()) << messages(imported);
}

TEST(AbcImport, RepeatsAndEndingsBecomePartsAndTimeLines) {
    const AbcImport imported = importWithRealMap(abcTune("|: A2 B2 |1 c4 :|2 d4 |]\n|: e4 :: f4 :|"));
    const std::string& text = imported.tuneText;
    EXPECT_NE(text.find("I!'' LA_4\tB_4 ! '1 C_2 _' ! '2 D_2 _' ''!I\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("I!'' E_2 ''!I\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("I!'' F_2 ''!I\r\n"), std::string::npos) << text;
}

TEST(AbcImport, WhatIsNotUnderstoodIsReportedWhereItStandsAndTheRestImported) {
    const AbcImport imported =
        importWithRealMap("X:1\nT:T\nS:somewhere\nM:2/4\nL:1/8\nK:HP\nA2 \"Am\"B2 | ^c2 [ce]2 | C2 d'2 e2 |\n");
    const std::string reported = messages(imported);
    // A source field changes nothing played or drawn: only noticed.
    ASSERT_EQ(imported.notices.size(), 1u);
    EXPECT_EQ(imported.notices[0].text, "S: field skipped");
    EXPECT_NE(reported.find("7:4 annotation \"Am\" skipped"), std::string::npos) << reported;
    EXPECT_NE(reported.find("7:13 note ^c2 is not on the chanter; skipped"), std::string::npos) << reported;
    EXPECT_NE(reported.find("7:17 chord [ce]2 skipped"), std::string::npos) << reported;
    EXPECT_NE(reported.find("7:25 note C2 is not on the chanter; skipped"), std::string::npos) << reported;
    EXPECT_NE(reported.find("7:28 note d'2 is not on the chanter; skipped"), std::string::npos) << reported;
    EXPECT_EQ(imported.messages.size(), 5u) << reported;
    // A bar left with no music is no bar.
    EXPECT_EQ(music(imported), (std::vector<std::string>{"I!", "LA_4", "B_4", "!", "E_4", "!I"}));
}

TEST(AbcImport, BrokenInputIsReportedNeverCrashesAndNeverHangs) {
    // Unclosed grace group, an unclosed '!', a note length past any
    // number, binary bytes and a tune with no music.
    std::string hostile = abcTune("{gcd A2 |\n!trill A2 |\nA99999999999 B/////////////// | A2 |");
    for (int byte = 0; byte < 256; ++byte) hostile += static_cast<char>(byte);
    hostile += "\nX:2\nT:Empty\nK:HP\n";
    const AbcImport imported = importWithRealMap(hostile);
    const std::string reported = messages(imported);
    EXPECT_NE(reported.find("6:1 grace group not closed on its line"), std::string::npos) << reported;
    // A '!' not closed on its line is a line break.
    EXPECT_NE(reported.find("7:2 't' skipped"), std::string::npos) << reported;
    EXPECT_NE(reported.find("8:1 note A99999999999 has a length that cannot be read; skipped"), std::string::npos)
        << reported;
    EXPECT_NE(reported.find("the tune has no music; skipped"), std::string::npos) << reported;
    EXPECT_EQ(imported.tunes, 1);

    // A megabyte of music reads in linear time.
    std::string big = "X:1\nT:Big\nM:2/4\nL:1/8\nK:HP\n";
    while (big.size() < 1'000'000) big += "|: {g}A>B {gcd}c>A | {GdG}B2 {Gdc}d2 :|\n";
    const auto start = std::chrono::steady_clock::now();
    const AbcImport large = importWithRealMap(big);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
    EXPECT_TRUE(large.messages.empty());
    EXPECT_GT(large.tuneText.size(), 1'000'000u);
}

TEST(AbcImport, WhatFollowsTheLastBarLineStillEndsItsTune) {
    const AbcImport imported = importWithRealMap("X:1\nK:HP\nA2 | [Q:1/4=60]\n\nX:2\nK:HP\n|: B2 :| [Q:1/4=70]\n");
    EXPECT_NE(imported.tuneText.find("I! LA_4 ! TuneTempo,60 !I\r\n"), std::string::npos) << imported.tuneText;
    RealBuild build;
    EXPECT_EQ(build.open(imported.tuneText)->tunes.size(), 2u);
}

// "^Urlar" names what follows: words over the next note, drawn as the
// examples draw a variation's name; one with no note after it is reported.
TEST(AbcImport, AnnotationsStandOverTheirNote) {
    const AbcImport imported = importWithRealMap("X:1\nT:T\nM:2/4\nL:1/8\nK:HP\n\"^Urlar\" A2 \"_slowly\"\"<x\"B2 |\"^end\"\n");
    EXPECT_NE(imported.tuneText.find("I! \"Urlar\",(I,L,0,0,Times New Roman,11,700,1,0,0,0,0,0) LA_4"), std::string::npos)
        << imported.tuneText;
    EXPECT_NE(imported.tuneText.find("\"slowly x\",(I,"), std::string::npos) << imported.tuneText;
    EXPECT_EQ(messages(imported), "7:1 annotation \"end\" with no note after it skipped\n");
    RealBuild build;
    const auto document = build.open(imported.tuneText);
    ASSERT_EQ(document->tunes.size(), 1u);
    std::vector<std::string> inline_;
    for (const auto& text : document->tunes[0]->header.texts) {
        if (text->kind == 'I') inline_.push_back(text->text);
    }
    EXPECT_EQ(inline_, (std::vector<std::string>{"Urlar", "slowly x"}));
}

TEST(AbcImport, TitlesCannotBreakTheTuneText) {
    const AbcImport imported =
        importWithRealMap("X:1\nT:Jock & \"Jenny\" !I\nK:HP\nA2|\n\nX:2\nT:Two\nR:Skirlo Reel\nK:HP\nB2|\n");
    EXPECT_NE(imported.tuneText.find("\"Jock + 'Jenny' .I\",(T,"), std::string::npos) << imported.tuneText;
    EXPECT_NE(imported.tuneText.find("\"Skir-lo Reel\",(Y,"), std::string::npos) << imported.tuneText;
    EXPECT_NE(messages(imported).find("the title is written as"), std::string::npos);
    EXPECT_NE(messages(imported).find("the type is written as \"Skir-lo Reel\""), std::string::npos);
    RealBuild build;
    EXPECT_EQ(build.open(imported.tuneText)->tunes.size(), 2u);
}

}  // namespace
}  // namespace skirlo::test
