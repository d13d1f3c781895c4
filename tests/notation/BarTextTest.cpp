// Splitting bar text into tokens and staff-line text into bars.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notation/BarBuilder.h"
#include "notation/MusicCutter.h"

namespace skirlo {
namespace {

std::vector<std::string> tokens(std::string_view bar) {
    std::vector<std::string> out;
    for (std::string_view token : tokenizeBar(bar)) out.emplace_back(token);
    return out;
}

using Tokens = std::vector<std::string>;

TEST(Tokenizer, BlanksTabsAndLineEndsSeparate) {
    EXPECT_EQ(tokens("LG_4 HA_8"), (Tokens{"LG_4", "HA_8"}));
    EXPECT_EQ(tokens("  LG_4\r\n\tHA_8  "), (Tokens{"LG_4", "HA_8"}));
    EXPECT_EQ(tokens("    "), Tokens{});
    EXPECT_EQ(tokens(""), Tokens{});
}

TEST(Tokenizer, QuotedRecordStaysOneToken) {
    const std::string record = "\"In-Line\",(I,L,0,0,Times New Roman,11,700,0,0,0,0,0,0)";
    EXPECT_EQ(tokens(record + " LA_4"), (Tokens{record, "LA_4"}));
    // A quote not followed by a comma closes the run.
    EXPECT_EQ(tokens("\"a comment\" LA_4"), (Tokens{"\"a comment\"", "LA_4"}));
    // Blanks only split again once it closed.
    EXPECT_EQ(tokens("\"ab\" cd"), (Tokens{"\"ab\"", "cd"}));
}

TEST(Tokenizer, UnclosedQuoteSwallowsNamesUntilTabOrLineEnd) {
    EXPECT_EQ(tokens("\"open text LA_4 B_4\r\nC_4"), (Tokens{"\"open text LA_4 B_4", "C_4"}));
    EXPECT_EQ(tokens("\"open LA_4\tB_4 C_4"), (Tokens{"\"open LA_4", "B_4 C_4"}));
    // A ')' closes the run; a quote at the very end keeps it open.
    EXPECT_EQ(tokens("\"x\",(I a) B_4"), (Tokens{"\"x\",(I a)", "B_4"}));
    EXPECT_EQ(tokens("a \"b c\""), (Tokens{"a", "\"b c\""}));
}

std::vector<std::string> bars(std::string_view text) {
    std::vector<std::string> out;
    std::string bar;
    std::size_t rest = 0;
    while (nextBar(text, rest, text.size(), bar)) out.push_back(bar);
    return out;
}

TEST(BarCutting, BarLinesWithTheirMarkerLetters) {
    EXPECT_EQ(bars("& 4_4 I! LA_4 ! B_4 !t"), (Tokens{"& 4_4 I!", " LA_4 !", " B_4 !t"}));
    EXPECT_EQ(bars("C_4 ''!I x"), (Tokens{"C_4 ''!I", " x"}));
    EXPECT_EQ(bars("a !'1 b !'"), (Tokens{"a !'1", " b !'"}));
    EXPECT_EQ(bars("no bar line"), Tokens{"no bar line"});
    // A '!' inside a quoted text ends the bar as well.
    EXPECT_EQ(bars("\"hi!\",(I) x"), (Tokens{"\"hi!", "\",(I) x"}));
    EXPECT_EQ(bars(""), Tokens{});
}

TEST(BarCutting, TabRunsBecomeOneBeatSeparator) {
    EXPECT_EQ(bars("LG_4\t\tHA_8"), Tokens{"LG_4\t_bs\t\tHA_8"});
    EXPECT_EQ(tokens(bars("LG_4\t\tHA_8\tB_4 !")[0]), (Tokens{"LG_4", "_bs", "HA_8", "_bs", "B_4", "!"}));
}

TEST(BarCutting, DirectionsStayWithTheBarLineBeforeThem) {
    EXPECT_EQ(bars("a ''!I dalsegno x !"), (Tokens{"a ''!I dalsegno", " x !"}));
    EXPECT_EQ(bars("a ! \r\n dalsegno dacapoalfine\tdacapoalcoda b !"),
              (Tokens{"a ! \r\n dalsegno dacapoalfine\tdacapoalcoda", " b !"}));
    // Each word at most once and in order.
    EXPECT_EQ(bars("a ! dacapoalfine dalsegno !"), (Tokens{"a ! dacapoalfine", " dalsegno !"}));
    EXPECT_EQ(bars("a ! dalsegno dalsegno !"), (Tokens{"a ! dalsegno", " dalsegno !"}));
}

TEST(BarCutting, DirectionSkipStopsAtTheLimit) {
    const std::string_view text = "! dalsegno";
    EXPECT_EQ(skipDirections(text, 1, text.size()), text.size());
    EXPECT_EQ(skipDirections(text, 1, 6), 1u);  // the word does not fit before the limit
    EXPECT_EQ(skipDirections(text, 1, 1), 1u);
    // Bytes of 128 and above are skipped like blanks.
    EXPECT_EQ(skipDirections("!\xA0\x80" "dalsegno", 1, 11), 11u);
}

}  // namespace
}  // namespace skirlo
