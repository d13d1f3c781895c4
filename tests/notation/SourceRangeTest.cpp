// Every symbol and placed text knows where it was written in the script,
// and the problems of a text are found at those places.

#include <gtest/gtest.h>

#include "notation/TuneProblems.h"
#include "support/NotationTestSupport.h"
#include "tunefile/TextRecord.h"

namespace skirlo {
namespace {

using test::allSymbols;
using test::NotationBuild;

std::string_view at(const std::string& text, SourceRange range) {
    return std::string_view(text).substr(range.begin, range.size());
}

TEST(SourceRange, EverySymbolCoversItsOwnToken) {
    NotationBuild build;
    // A bare header record is completed in the live script while it is read
    // (a converted file), which moves the music behind it.
    const std::string text =
        "\"Title\"\r\n& LA_4\t\t B_4 '1 ^3 C_4 _' !I\r\n"
        "\"In-Line\",(I,L,0,0,Times New Roman,11,700,0,0,0,0,0,0) & LAr_8\tBl_8 unknown ! Cr_8 ''!I";
    build.script.load(text);
    TuneBuildContext context{build.symbols, build.measuring, build.fonts, build.messages, 130};
    const auto tunes = buildTunes(build.script, true, context);
    const std::string& live = build.script.text();
    ASSERT_NE(live, text);
    ASSERT_EQ(tunes.size(), 1u);
    std::string tokens;
    for (const Symbol* symbol : allSymbols(*tunes[0])) tokens += "[" + std::string(at(live, symbol->source)) + "]";
    // The bar line before each clef is empty; a tab run's beat separator is its first tab; ^3 is drawn as
    // ^3e but written ^3.
    EXPECT_EQ(tokens, "[][&][LA_4][\t][B_4]['1][^3][C_4][_'][!I][][&][LAr_8][\t][Bl_8][unknown][!][Cr_8][''!I]");

    const auto& texts = tunes[0]->header.texts;
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(at(live, texts[0]->source), "\"Title\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)");
    EXPECT_EQ(at(live, texts[1]->source), "\"In-Line\",(I,L,0,0,Times New Roman,11,700,0,0,0,0,0,0)");
}

class TuneProblemsTest : public ::testing::Test {
protected:
    std::string problems(std::string text) {
        const auto tunes = build_.build(text);
        std::string out;
        for (const TuneProblem& problem : findTuneProblems(tunes)) {
            out += std::to_string(problem.source.begin) + " " + std::string(at(text, problem.source)) + ": " +
                   problem.caption + ": " + problem.text + "\n";
        }
        return out;
    }
    NotationBuild build_;
};

TEST_F(TuneProblemsTest, ClosedTimeLinesTiesAndTripletsAreNoProblem) {
    EXPECT_EQ(problems("& LA_4 tie B_4 ! '1 C_4 _' ! ^ts B_4 ! C_4 ^te ! ^3s LA_4 B_4 C_4 ^3e !I"), "");
    // An open 'bis outlives the end of the line inside it and closes at the next.
    EXPECT_EQ(problems("& 'bis '1 LA_4 _' ! B_4 _' !I"), "");
}

TEST_F(TuneProblemsTest, EachOpenSpanAndUnknownNameAtItsToken) {
    EXPECT_EQ(problems("& LA_4 xyz '2 B_4 ! C_4 tie !I & LA_4 !I"),
                       "7 xyz: Symbol Error: Symbol xyz could not be found in map!\n"
                       "11 '2: Time Line Error: Time line '2 is not closed before the end of its part.\n"
                       "24 tie: Tie Error: Tie tie has no note after it in its bar.\n");
    // A start whose end comes two bars later is not reached by it.
    EXPECT_EQ(problems("& ^ts LA_4 ! B_4 ! C_4 ^te ! ^3s LA_4 !t"),
                       "2 ^ts: Tie Error: Tie ^ts has no end in its bar or the next.\n"
                       "29 ^3s: Triplet Error: Triplet ^3s has no end in its bar or the next.\n");
    // 'bis stays open when only it is left.
    EXPECT_EQ(problems("& 'bis '1 LA_4 _' !I"),
                       "2 'bis: Time Line Error: Time line 'bis is not closed before the end of its part.\n");
}

}  // namespace
}  // namespace skirlo
