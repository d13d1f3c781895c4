// Ceol mor in and out: ABC gracenote runs become the named movements and
// cadences, and the MusicXML of those names reads back as the same names.

#include <gtest/gtest.h>

#include <regex>

#include "InterchangeTestSupport.h"
#include "interchange/MusicXmlWriter.h"

namespace skirlo::test {
namespace {

std::string musicLine(const AbcImport& imported) {
    const std::size_t start = imported.tuneText.find("I!");
    return start == std::string::npos ? std::string() : imported.tuneText.substr(start, imported.tuneText.find("!I") - start);
}

TEST(CeolMorInterchange, AbcRunsImportAsTheNamedMovementsAndCadences) {
    const AbcImport imported = importWithRealMap("X:1\nT:T\nM:4/4\nL:1/4\nK:HP\n{GdGeAfA}e {ge}B {ged}c {e}A|]\n");
    // A single E stays a gracenote; a run that is a doubling stays a doubling.
    EXPECT_EQ(musicLine(imported), "I! crun E_4\tcadgE B_4\tcadgEd C_4\teg LA_4 ");
    EXPECT_TRUE(imported.messages.empty());
    const AbcImport doubling = importWithRealMap("X:1\nT:T\nM:4/4\nL:1/4\nK:HP\n{gef}e {ed}c {dGe}A {GdGce}c|]\n");
    EXPECT_EQ(musicLine(doubling), "I! dbe E_4\tcadEd C_4\ttarlg LA_4\ttaramc C_4 ");
    // A pause over a cadence's note is on the cadence's held E; over another note, on the note.
    const AbcImport paused = importWithRealMap("X:1\nT:T\nM:4/4\nL:1/4\nK:HP\n{ged}!fermata!A2 !fermata!{g}B2|]\n");
    EXPECT_EQ(musicLine(paused), "I! cadgEd fermat LA_2\tgg B_2 fermat ");
    EXPECT_TRUE(paused.messages.empty());
}

// Each melody note's gracenotes in the MusicXML, as chanter pitches.
std::vector<std::vector<int>> graceRunsBeforeNotes(const std::string& xml, std::vector<bool>& heldSeen) {
    static const std::regex note(R"(<note>(<grace/>)?<pitch><step>([A-G])</step>(<alter>1</alter>)?<octave>(\d)</octave>)"
                                 R"([\s\S]*?<type>([a-z0-9]+)</type>)");
    // Low G .. high A as the default mapping sounds them.
    const std::map<std::string, int> chanter = {{"G3", 0}, {"A3", 1}, {"B3", 2}, {"C#4", 3}, {"D4", 4},
                                                {"E4", 5}, {"F#4", 6}, {"G4", 7}, {"A4", 8}};
    std::vector<std::vector<int>> runs;
    std::vector<int> run;
    bool held = false;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), note); it != std::sregex_iterator(); ++it) {
        const auto& m = *it;
        if (!m[1].matched) {
            if (!run.empty()) runs.push_back(std::exchange(run, {}));
            heldSeen.push_back(std::exchange(held, false));
            continue;
        }
        const std::string name = m[2].str() + (m[3].matched ? "#" : "") + m[4].str();
        run.push_back(chanter.count(name) != 0 ? chanter.at(name) : -1);
        held = held || m[5].str() == "eighth";
    }
    return runs;
}

TEST(CeolMorInterchange, MusicXmlOfTheNamedSymbolsReadsBackAsTheSameNames) {
    const std::vector<std::string> names = {"crun",     "crunb",     "crunlg",    "crunamb", "crunamc", "crunamd",
                                            "crunfosgb", "crunfosgc", "crunfosgd", "taramb",  "taramc",  "taramd",
                                            "tarlg",    "dre",       "dare",      "bari",    "cadEd",   "cadgE",
                                            "cadgEd",   "cadgEf"};
    std::string music = "& sharpf sharpc 4_4 I!";
    for (std::size_t i = 0; i < names.size(); ++i) music += " " + names[i] + (i + 1 < names.size() ? " LA_4 !" : " LA_4 !I");
    RealBuild build;
    const auto performed = perform(build, "Chantrel:1.0\r\n\"Ceol Mor\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
                                          "\"Urlar\",(F,C,0,0,Times New Roman,10,400,0,0,18,0,0,0)\r\n" + music + "\r\n");
    const MusicXmlScore score = writeMusicXml(performed->document->tunes, performed->events());

    std::vector<bool> held;
    const std::vector<std::vector<int>> runs = graceRunsBeforeNotes(score.xml, held);
    ASSERT_EQ(runs.size(), names.size());
    const EmbellishmentTable table = EmbellishmentTable::fromProfile(*IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI"));
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(table.nameFor(runs[i], held[i]).value_or("?"), names[i]);
        // Only the cadences hold a note, and it is written longer.
        EXPECT_EQ(held[i], names[i].rfind("cad", 0) == 0) << names[i];
    }
    EXPECT_NE(score.xml.find("<credit-words default-x=\"600\" default-y=\"90\""), std::string::npos);
    EXPECT_NE(score.xml.find(">Urlar</credit-words>"), std::string::npos);
}

TEST(CeolMorInterchange, InLineTextsAndMovementMarksStandAsWordsWhereTheyAreWritten) {
    RealBuild build;
    const auto performed = perform(build, "Chantrel:1.0\r\n\"Ceol Mor\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
                                          "& sharpf sharpc 4_4 I! LA_4 B_4 C_4 D_4 !t\r\n"
                                          "& E_4 \"Taorluath\",(I,L,0,0,Times New Roman,10,400,1,0,18,0,0,0) tar LA_4 "
                                          "B_4 txcrunam C_4 !I\r\n");
    const MusicXmlScore score = writeMusicXml(performed->document->tunes, performed->events());
    const std::size_t words = score.xml.find("<words font-style=\"italic\">Taorluath</words>");
    ASSERT_NE(words, std::string::npos);
    // In the second measure, before the taorluath's first gracenote.
    EXPECT_GT(words, score.xml.find("<measure number=\"2\""));
    EXPECT_LT(words, score.xml.find("<grace/>", score.xml.find("<measure number=\"2\"")));
    // A movement mark stands above the note it marks: the crunluath a mach's C upside down.
    const std::size_t mark = score.xml.find("<words>\u2183</words>");
    ASSERT_NE(mark, std::string::npos);
    EXPECT_LT(mark, score.xml.find("<step>C</step>", words));
    EXPECT_TRUE(score.leftOut.empty());
}

}  // namespace
}  // namespace skirlo::test
