// MusicXML read back as tunes: our own export of every example, a score laid
// out as score editors write pipe music, and files that are not scores.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InterchangeTestSupport.h"
#include "interchange/MusicXmlReader.h"
#include "interchange/MusicXmlWriter.h"

namespace skirlo::test {
namespace {

const EmbellishmentTable& realTable() {
    static const EmbellishmentTable table =
        EmbellishmentTable::fromProfile(*IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI"));
    return table;
}

struct Struck {
    int pitch;
    bool rest;
    std::uint32_t duration;
};

std::vector<Struck> struck(const Performed& performed) {
    std::vector<Struck> notes;
    for (const PerformanceEvent& e : performed.events()) notes.push_back({e.pitch, e.symbol != nullptr && e.symbol->category == CAT_REST, e.duration});
    return notes;
}

TEST(MusicXmlImport, EveryExampleComesBackFromItsScorePlayingTheSameNotes) {
    RealBuild build;
    for (const auto& path : exampleTunes()) {
        const auto original = perform(build, readFile(path));
        const MusicXmlScore score = writeMusicXml(original->document->tunes, original->events());
        const MusicXmlImport imported = importMusicXml(score.xml, realTable());
        ASSERT_EQ(imported.error, "") << path;
        EXPECT_EQ(imported.tunes, static_cast<int>(original->document->tunes.size())) << path;
        // What a piper reads comes back too: variation names, the footer.
        const std::string text = readFile(path);
        for (const char* kind : {"\",(I,", "\",(F,"}) {
            for (std::size_t at = text.find(kind); at != std::string::npos; at = text.find(kind, at + 1)) {
                const std::size_t open = text.rfind('"', at - 1);
                const std::string record = text.substr(open, at + 5 - open);  // "Urlar",(I,
                EXPECT_NE(imported.tuneText.find(record), std::string::npos) << path << ": " << record;
            }
        }
        const auto back = perform(build, imported.tuneText);
        const std::vector<Struck> expected = struck(*original);
        const std::vector<Struck> got = struck(*back);
        ASSERT_EQ(got.size(), expected.size()) << path << "\n" << imported.tuneText;
        // Where the score held everything, the times too; a tempo the score
        // left out (a variation's, one inside a repeat) changes only them.
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(got[i].pitch, expected[i].pitch) << path << " note " << i;
            ASSERT_EQ(got[i].rest, expected[i].rest) << path << " note " << i;
            if (score.leftOut.empty()) ASSERT_EQ(got[i].duration, expected[i].duration) << path << " note " << i;
        }
    }
}

// The return leaves at "To Coda" (as score editors write it) and goes on
// where the coda's sign stands: both signs come back as they were.
TEST(MusicXmlImport, ADaCapoAlCodaComesBackToItsTwoSigns) {
    RealBuild build;
    const auto original = perform(build, "Chantrel:1.0\r\n\"Coda\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
                                         "& sharpf sharpc 2_4 I! LA_4 B_4 ! C_4 D_4 coda ! E_4 F_4 !I dacapoalcoda\r\n"
                                         "& sharpf sharpc I! codasection HG_4 HA_4 !I\r\n");
    const MusicXmlScore score = writeMusicXml(original->document->tunes, original->events());
    EXPECT_NE(score.xml.find("<words>To Coda</words></direction-type><sound tocoda=\"coda1\"/>"), std::string::npos);
    EXPECT_NE(score.xml.find("<coda/></direction-type><sound coda=\"coda1\"/>"), std::string::npos);
    const MusicXmlImport imported = importMusicXml(score.xml, realTable());
    EXPECT_NE(imported.tuneText.find("D_4 coda ! E_4"), std::string::npos) << imported.tuneText;
    EXPECT_NE(imported.tuneText.find("I! codasection HG_4"), std::string::npos) << imported.tuneText;
    std::vector<int> played, back;
    for (const Struck& note : struck(*original)) played.push_back(note.pitch);
    for (const Struck& note : struck(*perform(build, imported.tuneText))) back.push_back(note.pitch);
    EXPECT_EQ(back, played);
}

TEST(MusicXmlImport, AScoreEditorsLayoutComesInWithWhatItCannotHoldCounted) {
    // The chanter an octave above our own export, after a drum part; the
    // tempo in dotted quarters, a tie, a doubling, endings, a chord, slurs.
    const MusicXmlImport imported =
        importMusicXml(readFile(SKIRLO_MUSICXML_DIR "/score-editor-march.musicxml"), realTable());
    ASSERT_EQ(imported.error, "");
    EXPECT_NE(imported.tuneText.find("\"The Test Jig\",(T,"), std::string::npos);
    EXPECT_NE(imported.tuneText.find("\"A. Piper\",(M,"), std::string::npos);
    EXPECT_NE(imported.tuneText.find("TuneTempo,60"), std::string::npos) << imported.tuneText;
    EXPECT_NE(imported.tuneText.find("& sharpf sharpc 6_8 I!'' gg LA_4 'la\tBr_8 Cl_8 Dl_8 ! E_4 'e\t^t E_4 'e ! "
                                     "'1 dbe E_4 'e\tC_4 'c _' ! '2 LA_2 'la fermat _' ''!I"),
              std::string::npos)
        << imported.tuneText;
    EXPECT_EQ(imported.lost, (std::vector<std::string>{"1 chord notes (the first note of each chord kept)",
                                                       "1 parts besides the chanter's (only the chanter's is read)"}));
    EXPECT_EQ(imported.notices, std::vector<std::string>{"2 slurs (a chanter cannot slur)"});
}

TEST(MusicXmlImport, WhatIsNotAScoreIsRefusedWithItsReason) {
    const auto error = [](const std::string& xml) { return importMusicXml(xml, realTable()).error; };
    EXPECT_EQ(error("Chantrel:1.0\r\n& LA_4 !I"), "not well-formed XML (line 1: syntax error)");
    EXPECT_EQ(error("<score-partwise><part id=\"P1\"><measure></part></score-partwise>"),
              "not well-formed XML (line 1: mismatched tag)");
    EXPECT_EQ(error("<score-timewise/>"), "a timewise score: save it from the score editor as MusicXML (partwise)");
    EXPECT_EQ(error("<html><body/></html>"), "not a MusicXML score (no score-partwise element)");
    EXPECT_EQ(error("<score-partwise><part-list/></score-partwise>"), "the score has no part");
    EXPECT_EQ(error("<score-partwise><part id=\"P1\"><measure><note><rest/></note></measure></part></score-partwise>"),
              "the chanter's part holds no notes");
    std::string deep = "<score-partwise>";
    for (int i = 0; i < 100; ++i) deep += "<a>";
    EXPECT_EQ(error(deep), "elements nested more than 64 deep: not a score");
    // An entity outside the file is never fetched, nor expanded into the score.
    EXPECT_EQ(error("<!DOCTYPE s [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><score-partwise>&x;</score-partwise>"),
              "the score has no part");
}

}  // namespace
}  // namespace skirlo::test
