// The layouts of real pipe-band ABC books, each imported and played: the notes
// it must sound (a held tie marked ~, not struck again), and a file that the
// program's own check finds nothing wrong with.

#include <gtest/gtest.h>

#include "InterchangeTestSupport.h"
#include "common/MessageSink.h"
#include "document/SourceProblems.h"
#include "notation/SymbolMap.h"
#include "notation/SymbolVocabulary.h"
#include "notation/TuneTree.h"

namespace skirlo::test {
namespace {

std::string reported(const std::vector<AbcMessage>& messages) {
    std::string all;
    for (const AbcMessage& m : messages) all += std::to_string(m.line) + ":" + std::to_string(m.column) + " " + m.text + "\n";
    return all;
}

// Fails the test when `check` would find a problem in the imported text or
// a staff line holds no note.
void expectChecked(const std::string& text) {
    static const auto profile = IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI");
    static const SymbolMap symbols = [] {
        RecordingMessageSink sink;
        SymbolMap map;
        map.load(*profile, sink);
        return map;
    }();
    for (const TuneProblem& problem : problemsInFileText(text, symbols)) ADD_FAILURE() << problem.text << "\n" << text;
    for (std::size_t at = text.find("\n&"); at != std::string::npos; at = text.find("\n&", at + 1)) {
        const std::string line = text.substr(at + 1, text.find('\r', at) - at - 1);
        EXPECT_NE(line.find("_"), std::string::npos) << "a staff line without notes: " << line;
    }
}

// The melody notes played, by pitch word; a held note after a tie as ~LA.
std::string played(const std::string& text) {
    RealBuild build;
    const auto performed = perform(build, text);
    std::string notes;
    for (const PerformanceEvent& event : performed->events()) {
        const Symbol* symbol = event.symbol;
        if (symbol == nullptr || !isMelodyCategory(symbol->category)) continue;
        std::string name = symbol->name.substr(0, symbol->name.find('_'));
        if (name.back() == 'r' || name.back() == 'l') name.pop_back();
        notes += (notes.empty() ? "" : " ") + std::string(symbol->tieTarget ? "~" : "") + name;
    }
    return notes;
}

std::string abcTune(std::string_view body, std::string_view header = "") {
    return "X:1\nT:Layout\nM:2/4\nL:1/8\n" + std::string(header) + "K:HP\n" + std::string(body) + "\n";
}

struct Layout {
    const char* what;
    std::string abc;
    const char* notes;
};

TEST(AbcLayouts, EveryLayoutPlaysAllItsNotesAndPassesTheCheck) {
    const Layout layouts[] = {
        {"quoted labels", abcTune("|: A2 B2 | c2 d2 |[\"1st\" e2 f2 | g2 a2 :|[\"2nd\" a2 g2 | f2 e2 |]"),
         "LA B C D E F HG HA LA B C D HA HG F E"},
        {"bracket and bar numbers", abcTune("|: A2 B2 |[1 c4 :|[2 d4 |]\n|: e4 |1 f4 :|2 g4 |]"),
         "LA B C LA B D E F E HG"},
        {"labels on lines of their own", abcTune("|: A2 B2 | c2 d2 |\n[1\ne2 f2 :|\n[\"2nd\"\ng2 a2 |]"),
         "LA B C D E F LA B C D HG HA"},
        {"endings at the start of a part", abcTune("A4 |]\n[|: [1 A2 |[2 B2 | c2 d2 :|]"),
         "LA LA C D B C D"},
        {"ties across a bar, a line end and within a bar", abcTune("c2 d2- | d2 e2 |\nA2 B2- |\nB2 c2- c2 |"),
         "C D ~D E LA B ~B C ~C"},
        {"a repeat across a part's end", abcTune("|: A2 B2 || c2 d2 :|"), "LA B C D LA B C D"},
        {"a repeat across a part's end, endings in the first part",
         abcTune("|: A2 B2 |[1 c4 |[2 d4 || e2 f2 | g4 :|"), "LA B C E F HG LA B D E F HG"},
        {"a repeat across a part's end, ending in the second part", abcTune("|: A2 B2 || c2 d2 |[1 e4 :|[2 f4 |]"),
         "LA B C D E LA B C D F"},
        {"a coda's two signs", abcTune("A2 B2 | c2 d2 !coda! | e2 f2 !D.C.alcoda! |]\n!coda! g2 a2 |]"),
         "LA B C D E F LA B C D HG HA"},
        {"a tie to another note strikes both", abcTune("A2- B2 | c4 |"), "LA B C"},
        {"! as the line break it is declared", abcTune("A2 B2 | c2 d2 |!e2 f2 | g4 |", "%%linebreak !\n"),
         "LA B C D E F HG"},
        {"a ! not closed on its line", abcTune("A2 B2 | c2 d2 !\ne2 f2 | g4 |"), "LA B C D E F HG"},
        {"a decoration still read as one", abcTune("A2 !fermata!B2 | !segno! c4 |"), "LA B C"},
        {"the melody voice of several", abcTune("V:1\nA2 B2 | c4 |\nV:2\nG2 G2 | G4 |\nV:1\nd2 e2 |",
                                                "V:1 name=\"Pipes\"\nV:2 name=\"Seconds\"\n"),
         "LA B C D E"},
        {"the voice named for the chanter", abcTune("[V:S] G2 G2 | G4 |\n[V:C] A2 B2 | c4 |", "V:S nm=Snare\nV:C nm=Chanter\n"),
         "LA B C"},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.what);
        const AbcImport imported = importWithRealMap(layout.abc);
        expectChecked(imported.tuneText);
        EXPECT_EQ(played(imported.tuneText), layout.notes) << imported.tuneText;
    }
}

TEST(AbcLayouts, ATieHoldsItsNoteInsteadOfMarkingASpan) {
    const AbcImport imported = importWithRealMap(abcTune("c2 d2- |\nd2 e2 |"));
    EXPECT_EQ(imported.tuneText.find("^ts"), std::string::npos);
    // The tie stands before the note it holds, in that note's bar.
    EXPECT_NE(imported.tuneText.find("\r\n& sharpf sharpc ^t D_4\tE_4 !I"), std::string::npos) << imported.tuneText;
    EXPECT_TRUE(imported.messages.empty()) << reported(imported.messages);
}

TEST(AbcLayouts, StringTemposAreKept) {
    const AbcImport bpm = importWithRealMap(abcTune("A2 B2 |", "Q:\"80 bpm\"\n"));
    EXPECT_NE(bpm.tuneText.find("TuneTempo,80\r\n"), std::string::npos) << bpm.tuneText;
    const AbcImport march = importWithRealMap(abcTune("A2 B2 |", "Q:1/4=80 \"Quick March\"\n"));
    EXPECT_NE(march.tuneText.find("TuneTempo,80\r\n"), std::string::npos) << march.tuneText;
    EXPECT_NE(march.tuneText.find("\"Quick March\",(Y,"), std::string::npos) << march.tuneText;
    EXPECT_TRUE(bpm.messages.empty() && march.messages.empty()) << reported(march.messages);
    // A tempo text in the music, or one beside a type already given, stands
    // over the next note.
    const AbcImport inside = importWithRealMap(abcTune("A2 [Q:\"Slowly\" 1/4=60] B2 |"));
    EXPECT_TRUE(inside.messages.empty()) << reported(inside.messages);
    EXPECT_NE(inside.tuneText.find("TuneTempo,60\t\"Slowly\",(I,L,0,0,Times New Roman,11,700,1,0,0,0,0,0) B_4"),
              std::string::npos) << inside.tuneText;
    const AbcImport typed = importWithRealMap(abcTune("A2 B2 |", "R:Air\nQ:1/4=60 \"Slow Air\"\n"));
    EXPECT_NE(typed.tuneText.find("\"Slow Air\",(I,L,0,0,Times New Roman,11,700,1,0,0,0,0,0) LA_4"), std::string::npos)
        << typed.tuneText;
}

TEST(AbcLayouts, LossesAreCountedPerTuneAndHarmlessThingsAreOnlyNoticed) {
    const AbcImport imported = importWithRealMap(
        "%%pagewidth 21cm\nX:1\nT:Harmless\nI:abc-charset utf-8\nM:2/4\nL:1/8\nK:D\n(AB) c2 |\n\n"
        "X:2\nT:Lossy\nM:2/4\nL:1/8\nV:1 name=\"Pipes\"\nV:2 name=\"Drums\"\nK:HP\nV:1\nA2 ^c2 | [ce]2 {Cg}B2 |\nV:2\nG4 |\n");
    ASSERT_EQ(imported.tuneReports.size(), 2u);
    EXPECT_FALSE(imported.tuneReports[0].lostAnything());
    const std::string notices = reported(imported.notices);
    for (const char* harmless : {"directive %%pagewidth 21cm skipped", "I: field skipped", "K:D is read as the pipe scale",
                                 "slur skipped"}) {
        EXPECT_NE(notices.find(harmless), std::string::npos) << harmless << "\n" << notices;
    }
    const AbcTuneReport& lossy = imported.tuneReports[1];
    EXPECT_EQ(lossy.title, "Lossy");
    EXPECT_EQ(lossy.firstLossLine, 15);
    EXPECT_EQ(describeLosses(lossy), "2 notes, 1 gracenote and 1 voice left out");
    EXPECT_EQ(std::count_if(imported.messages.begin(), imported.messages.end(),
                            [](const AbcMessage& m) { return m.loss == AbcLoss::Voice; }),
              1);
    EXPECT_EQ(describeLosses(AbcTuneReport{1, 3, "T", 0, 0, 0, 2}), "2 other changes");
}

}  // namespace
}  // namespace skirlo::test
