// Arbitrary text never crashes, hangs or leaves links outside the tree.

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "support/NotationTestSupport.h"
#include "tunefile/TextRecord.h"

namespace skirlo {
namespace {

// Every link of every symbol points at a symbol of the same tune, every
// staff reference at one of its staff lines and every text into its list.
void expectClosedTree(const Tune& tune) {
    const std::vector<Symbol*> symbols = test::allSymbols(tune);
    const std::set<const Symbol*> inTree(symbols.begin(), symbols.end());
    std::set<const StaffLayout*> staves;
    for (const auto& part : tune.parts)
        for (const auto& staff : part->staves) staves.insert(staff.get());
    std::set<const TextRecord*> texts;
    for (const auto& text : tune.header.texts) texts.insert(text.get());
    for (const Symbol* symbol : symbols) {
        for (const Symbol* link : {symbol->backLink, symbol->forwardLink, symbol->spanStart, symbol->previousSymbol}) {
            EXPECT_TRUE(link == nullptr || inTree.count(link) == 1) << symbol->name;
        }
        EXPECT_EQ(staves.count(symbol->staff), 1u) << symbol->name;
        EXPECT_TRUE(symbol->inlineText == nullptr || texts.count(symbol->inlineText) == 1) << symbol->name;
        EXPECT_GE(symbol->category, 0);
        EXPECT_LE(symbol->category, CAT_TEMPO_MARK);
    }
}

void buildAndCheck(test::NotationBuild& build, std::string text) {
    const std::size_t size = text.size();
    const auto tunes = build.build(std::move(text));
    EXPECT_LE(tunes.size(), size);
    for (const auto& tune : tunes) expectClosedTree(*tune);
}

TEST(Robustness, RandomBytes) {
    test::NotationBuild build;
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int length = 1 + round * 10;
        for (int i = 0; i < length; ++i) text.push_back(static_cast<char>(byte(random)));
        buildAndCheck(build, text);
    }
}

TEST(Robustness, RandomTokensOfTheVocabulary) {
    const std::vector<std::string> pieces = {
        "& ", "!", "!t", "!I", "''!I", "I!", "I!''", "\"", ",(", ")", "(I,L,0,0,a,9,400,0,0,0,0,0,0)", "'1",
        "'bis", "_'", "_'bis", "tie", "^ts", "^te", "^3s", "^3e", "^3", "fine", "coda", "codasection",
        "dalsegno", "dacapoalcoda", "Skirlo", "Chantrel", "LAr_8", "Bl_8", "LA_4", "dbe", "fermat", "overnext",
        "underprev", "sign", "'la", "\t", "\t\t", " ", "\r\n", "TuneTempo,", "VariationTempo,(1,2)", "bogus"};
    test::NotationBuild build;
    std::mt19937 random(5);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int i = 0; i < round; ++i) text += pieces[pick(random)] + (i % 3 == 0 ? " " : "");
        buildAndCheck(build, text);
    }
}

TEST(Robustness, DegenerateTexts) {
    test::NotationBuild build;
    buildAndCheck(build, std::string(20000, '!'));
    buildAndCheck(build, "& " + std::string(20000, '!') + "t");
    buildAndCheck(build, "& " + std::string(5000, '"') + " !t");
    buildAndCheck(build, "& " + std::string(5000, '(') + std::string(5000, ')') + " !t");
    buildAndCheck(build, "& \"never closed,(I,L LA_4 B_4 !t & C_4 !I");
    buildAndCheck(build, "& LA_4 !" + std::string(10000, '\t') + "B_4 !t");
    buildAndCheck(build, "& LA_4 !t" + std::string(10000, '\xA0') + "dalsegn");
    buildAndCheck(build, std::string(3000, '&') + "!I");
    buildAndCheck(build, "& !'");
    buildAndCheck(build, "Skirlo & Skirlo !I Skirlo & !I");
}

TEST(Robustness, OnlyBarLinesMakeEmptyBarsOrNothing) {
    test::NotationBuild build;
    const auto none = build.build(std::string(1000, '!'));
    ASSERT_EQ(none.size(), 1u);
    EXPECT_TRUE(none[0]->parts.empty());

    const auto tunes = build.build("& " + std::string(999, '!') + "t");
    ASSERT_EQ(tunes.size(), 1u);
    const auto& bars = tunes[0]->parts.at(0)->staves.at(0)->bars;
    ASSERT_EQ(bars.size(), 999u);
    EXPECT_EQ(bars.front()->symbols.size(), 3u);  // the clef's bar line, the clef, a bar line
    EXPECT_EQ(bars.back()->symbols.back()->name, "!t");
}

TEST(Robustness, HeaderWordInsideTheInLineTextAtTheBodyStartEnds) {
    // The body starts at the in-line record, whose text holds a header word.
    test::NotationBuild build;
    const auto tunes = build.build("\"Skirlo\",(I,L,0,0,Times New Roman,11,700,0,0,0,0,0,0) & LA_4 !t & B_4 !t");
    ASSERT_FALSE(tunes.empty());
    ASSERT_FALSE(tunes[0]->parts.empty());
    EXPECT_NE(test::findSymbol(*tunes[0], "LA_4"), nullptr);
}

}  // namespace
}  // namespace skirlo
