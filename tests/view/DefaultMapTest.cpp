// The default symbol map in resources/QTN32.INI, read by the notation
// library as the program reads it.

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"
#include "view/Specimen.h"

namespace skirlo {
namespace {

struct Expected {
    std::string name;
    std::int32_t category;
    std::int32_t pitch = PITCH_LG;
    std::int32_t tail = -1;  // -1: any
    std::int32_t value = -1;
};

const std::vector<std::string> kPitchWordsUpper = {"LG", "LA", "B", "C", "D", "E", "F", "HG", "HA"};
const std::vector<std::string> kPitchWordsLower = {"lg", "la", "b", "c", "d", "e", "f", "hg", "ha"};

void addAll(std::vector<Expected>& out, const std::vector<std::string>& names, std::int32_t category) {
    for (const std::string& name : names) out.push_back({name, category});
}

std::vector<std::string> prefixed(const std::string& prefix, const std::vector<std::string>& suffixes) {
    std::vector<std::string> out;
    for (const std::string& s : suffixes) out.push_back(prefix + s);
    return out;
}

// The standard vocabulary, written out from the notation's own rules.
std::vector<Expected> standardVocabulary() {
    std::vector<Expected> v;
    for (int p = 0; p < 9; ++p) {
        for (int value : {1, 2, 4, 8, 16, 32}) {
            v.push_back({kPitchWordsUpper[p] + "_" + std::to_string(value), CAT_MELODY_NO_TAIL, p, TAIL_N, value});
        }
        for (int value : {8, 16, 32}) {
            v.push_back({kPitchWordsUpper[p] + "l_" + std::to_string(value), CAT_MELODY_LEFT_TAIL, p, TAIL_L, value});
            v.push_back({kPitchWordsUpper[p] + "r_" + std::to_string(value), CAT_MELODY_RIGHT_TAIL, p, TAIL_R, value});
        }
        v.push_back({"'" + kPitchWordsLower[p], CAT_DOTS, p});
        v.push_back({"str" + kPitchWordsLower[p], CAT_STRIKES});
        v.push_back({"db" + kPitchWordsLower[p], CAT_EMBELISHMENTS});
        v.push_back({"natural" + kPitchWordsLower[p], CAT_NOTE_CHANGE, p});
        v.push_back({"sharp" + kPitchWordsLower[p], CAT_NOTE_CHANGE, p});
    }
    addAll(v, {"ag", "bg", "cg", "dg", "eg", "fg", "gg", "tg"}, CAT_GRACENOTES);
    const std::vector<std::string> lowHand = {"lg", "la", "b", "c", "d", "e", "f"};
    const std::vector<std::string> strikeNotes = {"la", "b", "c", "d", "e", "f"};
    const std::vector<std::string> strikeNotesHg = {"la", "b", "c", "d", "e", "f", "hg"};
    addAll(v, prefixed("tdb", lowHand), CAT_EMBELISHMENTS);
    addAll(v, prefixed("hdb", lowHand), CAT_EMBELISHMENTS);
    for (const std::string k : {"st", "pel"}) {
        addAll(v, prefixed(k == "st" ? "gst" : "pel", strikeNotes), CAT_EMBELISHMENTS);
        addAll(v, prefixed("t" + k, strikeNotesHg), CAT_EMBELISHMENTS);
        addAll(v, prefixed("h" + k, strikeNotesHg), CAT_EMBELISHMENTS);
    }
    addAll(v, {"lgstd", "ltstd", "lhstd", "lpeld", "ltpeld", "lhpeld"}, CAT_EMBELISHMENTS);
    addAll(v, {"brl", "abr", "gbr", "tbr", "thrd", "hvthrd", "grp", "grpb", "tar", "tarb", "bubly", "hbubly"},
           CAT_EMBELISHMENTS);
    addAll(v, prefixed("ggrp", {"la", "b", "c", "d", "db", "e", "f"}), CAT_EMBELISHMENTS);
    addAll(v, prefixed("tgrp", {"la", "b", "c", "d", "db", "e", "f", "hg"}), CAT_EMBELISHMENTS);
    addAll(v, prefixed("hgrp", {"la", "b", "c", "d", "db", "e", "f", "hg", "ha"}), CAT_EMBELISHMENTS);
    v.push_back({"&", CAT_G_CLEF});
    v.push_back({"!", CAT_BAR});
    v.push_back({"!t", CAT_BAR});
    v.push_back({"I!", CAT_START_SECTION});
    v.push_back({"I!''", CAT_START_SECTION});
    v.push_back({"!I", CAT_END_SECTION});
    v.push_back({"''!I", CAT_END_SECTION});
    addAll(v, {"2_2", "3_2", "C_", "2_4", "3_4", "4_4", "5_4", "6_4", "7_4", "C", "6_8", "9_8", "12_8", "15_8", "21_8"},
           CAT_TIME_SIGNATURE);
    addAll(v, {"'1", "'2", "'22", "'23", "'24", "'25", "'26", "'27", "'28", "'224", "'intro"}, CAT_START_TIMELINE);
    v.push_back({"_'", CAT_END_TIMELINE});
    v.push_back({"^ts", CAT_TIES_START});
    v.push_back({"^te", CAT_TIES_END});
    v.push_back({"^3s", CAT_RUNS_OF_3_START});
    v.push_back({"^3e", CAT_RUNS_OF_3_END});
    return v;
}

class DefaultMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        profile = IniProfile::open(std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI");
        map.load(*profile, messages);
        entries = specimenEntries(*profile);
    }
    std::unique_ptr<IniProfile> profile;
    RecordingMessageSink messages;
    SymbolMap map;
    std::vector<SpecimenEntry> entries;
};

TEST_F(DefaultMapTest, LoadsWithoutMessagesAndFillsTheFirstSevenSections) {
    EXPECT_TRUE(messages.messages().empty());
    for (int section = 1; section <= 7; ++section) EXPECT_GT(map.size(section), 0u) << "FontMap" << section;
    EXPECT_EQ(map.embellishmentSpace(), 3);
    EXPECT_EQ(map.hiliteColour(), 0x0000FF);
    EXPECT_EQ(profile->getString("Symbols", "VerticalSpacingBetweenTunes"), "250");
    EXPECT_EQ(profile->getString("PlayOptions", "FermataDuration"), "75");
    EXPECT_EQ(profile->getString("PlayOptions", "BouncingBallSize"), "7");
}

TEST_F(DefaultMapTest, EveryStandardNameResolvesWithTheCodesItImplies) {
    const std::vector<Expected> vocabulary = standardVocabulary();
    ASSERT_EQ(vocabulary.size(), 295u);
    for (const Expected& e : vocabulary) {
        const SymbolMap::Lookup found = map.find(e.name);
        ASSERT_NE(found.entry, nullptr) << e.name;
        EXPECT_EQ(found.entry->category, e.category) << e.name;
        if (e.category == CAT_DOTS || e.category == CAT_NOTE_CHANGE || isMelodyCategory(e.category)) {
            EXPECT_EQ(found.entry->pitch, e.pitch) << e.name;
        }
        if (e.tail >= 0) {
            EXPECT_EQ(found.entry->tailCode, e.tail) << e.name;
        }
        if (e.value >= 0) {
            EXPECT_EQ(found.entry->noteValue, e.value) << e.name;
        }
    }
}

TEST_F(DefaultMapTest, NamesWithFixedMeaningArePresent) {
    for (const char* name : {"'si", "'do", "'bis"}) EXPECT_EQ(map.find(name).entry->category, CAT_START_TIMELINE);
    for (const char* name : {"fine", "coda", "dalsegno", "dacapoalfine", "dacapoalcoda"}) {
        ASSERT_NE(map.find(name).entry, nullptr) << name;
        EXPECT_EQ(map.find(name).entry->category, CAT_SIGN_REPEAT) << name;
    }
    EXPECT_NE(map.find("codasection").entry, nullptr);
    EXPECT_EQ(map.find("!!").entry->category, CAT_BAR);
    EXPECT_EQ(map.find("_bs").entry, nullptr);
    // The bar line is the reference glyph itself.
    EXPECT_EQ(map.find("!").section, 1);
    EXPECT_EQ(map.find("!").entry->glyphCharacter, 33);
}

TEST_F(DefaultMapTest, FixedCodesAreLeftToTheirReferenceGlyphs) {
    for (const SpecimenEntry& e : entries) {
        if (e.section == 1) {
            for (int code : {34, 53, 54, 71, 72}) {
                EXPECT_NE(e.code, code) << e.name;
            }
            if (e.code == 33) {
                EXPECT_EQ(e.name, "!");
            }
            if (e.code == 35) {
                EXPECT_EQ(e.name, "!t");
            }
        }
        if (e.section == 3) {
            for (int code : {57, 77, 87, 88, 89, 90}) {
                EXPECT_NE(e.code, code) << e.name;
            }
        }
    }
}

TEST_F(DefaultMapTest, EveryCategoryAndPlaybackClassIsUsed) {
    std::set<std::int32_t> categories;
    std::set<PlaybackClass> classes;
    for (const SpecimenEntry& e : entries) {
        const SymbolMapEntry* row = map.find(e.name).entry;
        ASSERT_NE(row, nullptr) << e.name;
        EXPECT_EQ(map.find(e.name).section, e.section) << e.name << " is in two sections";
        categories.insert(row->category);
        classes.insert(playbackClassFromWord(row->playbackClass));
    }
    for (std::int32_t c = 0; c <= 31; ++c) EXPECT_EQ(categories.count(c), 1u) << "category " << c;
    for (const char* word : {"melody", "embellishment", "dot", "doubledot", "run_of_3", "no_sound", "fermata",
                             "duplet", "quadruplet", "quintuplet", "sextuplet", "septuplet", "quadsex", "quinquad",
                             "septsex"}) {
        EXPECT_EQ(classes.count(playbackClassFromWord(word)), 1u) << word;
    }
    EXPECT_EQ(classes.count(PlaybackClass::Silent), 0u);
}

TEST_F(DefaultMapTest, PlaybackDataOfEveryRowParsesInItsForm) {
    const std::regex melody("([gabcdefGA])(1|2|4|8|16|32)");
    const std::regex embellishment("([gabcdefGAq][0-9~*]*)+");
    const std::regex accidental("[$#^][gabcdefGA]");
    const std::string letters = "gabcdefGA";
    for (const SpecimenEntry& e : entries) {
        const SymbolMapEntry& row = *map.find(e.name).entry;
        const PlaybackClass klass = playbackClassFromWord(row.playbackClass);
        std::smatch m;
        if (klass == PlaybackClass::Melody) {
            ASSERT_TRUE(std::regex_match(row.playbackData, m, melody)) << e.name << ": " << row.playbackData;
            EXPECT_EQ(std::stoi(m[2].str()), row.noteValue) << e.name;
            if (row.category != CAT_REST) {
                EXPECT_EQ(static_cast<std::int32_t>(letters.find(m[1].str()[0])), row.pitch) << e.name;
            }
        } else if (klass == PlaybackClass::Embellishment) {
            EXPECT_TRUE(std::regex_match(row.playbackData, embellishment)) << e.name << ": " << row.playbackData;
        } else if (row.category == CAT_NOTE_CHANGE) {
            ASSERT_TRUE(std::regex_match(row.playbackData, accidental)) << e.name << ": " << row.playbackData;
            EXPECT_EQ(static_cast<std::int32_t>(letters.find(row.playbackData[1])), row.pitch) << e.name;
            EXPECT_EQ(row.playbackData[0], e.name.rfind("sharp", 0) == 0 ? '#' : '^') << e.name;
        } else {
            EXPECT_TRUE(row.playbackData.empty()) << e.name << ": " << row.playbackData;
        }
    }
}

TEST_F(DefaultMapTest, EmbellishmentsOpenWithTheGracenoteTheirNameSays) {
    // Thumb forms open on high A, high-G forms on high G, half forms on the
    // note itself.
    for (const SpecimenEntry& e : entries) {
        const SymbolMapEntry& row = *map.find(e.name).entry;
        if (row.category != CAT_EMBELISHMENTS) continue;
        const std::string& n = e.name;
        const char first = row.playbackData.front();
        if (n.rfind("tdb", 0) == 0 || n.rfind("tst", 0) == 0 || n.rfind("tpel", 0) == 0 ||
            n.rfind("tgrp", 0) == 0 || n.rfind("lt", 0) == 0 || n == "tbr") {
            EXPECT_EQ(first, 'A') << n;
        } else if (n.rfind("gst", 0) == 0 || n.rfind("ggrp", 0) == 0 || n.rfind("pel", 0) == 0 ||
                   n.rfind("lgst", 0) == 0 || n.rfind("lpel", 0) == 0 || n == "gbr" ||
                   (n.rfind("db", 0) == 0 && n != "dbha")) {
            EXPECT_EQ(first, 'G') << n;
        }
    }
    // Heavy and light D strikes and peles differ only in their last gracenote.
    for (auto [heavy, light] : {std::pair{"gstd", "lgstd"}, std::pair{"tstd", "ltstd"}, std::pair{"hstd", "lhstd"},
                                std::pair{"peld", "lpeld"}, std::pair{"tpeld", "ltpeld"}, std::pair{"hpeld", "lhpeld"}}) {
        const std::string h = map.find(heavy).entry->playbackData;
        const std::string l = map.find(light).entry->playbackData;
        EXPECT_EQ(h.substr(0, h.size() - 1), l.substr(0, l.size() - 1)) << heavy;
        EXPECT_EQ(h.back(), 'g') << heavy;
        EXPECT_EQ(l.back(), 'c') << light;
    }
}

}  // namespace
}  // namespace skirlo
