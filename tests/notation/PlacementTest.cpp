// What the tune build hands a placement, and how it uses the answers.

#include <gtest/gtest.h>

#include "notation/SymbolPlacement.h"
#include "support/NotationTestSupport.h"

namespace skirlo {
namespace {

using test::findSymbol;

std::string nameOf(const Symbol* symbol) { return symbol != nullptr ? symbol->name : "-"; }

// Gives every symbol an advance of 10 and a height of 5; a dot first moves
// the running x 3 to the left, as dot placement does.
class RecordingPlacement final : public SymbolPlacement {
public:
    void place(Symbol& symbol, const PlacementInput& input, int& runningX) override {
        calls += symbol.name + "(" + nameOf(input.previous) + "," + nameOf(input.currentNote) + "," +
                 nameOf(input.lastNoteOfBar) + "," + (input.previousBar != nullptr ? "b" : "-") + "," +
                 std::to_string(input.bar.symbols.size()) + ") ";
        if (symbol.category == CAT_DOTS) runningX -= 3;
        symbol.x = runningX;
        symbol.advanceWidth = 10;
        symbol.centreX = runningX + 5;
        symbol.height = 5;
        if (symbol.tieTarget && input.previous != nullptr) tieCompletedBeforePlacing = input.previous->forwardLink == &symbol;
    }
    void beginTune(Tune& tune) override {
        hooks += "tune ";
        tune.headerBandHeight = 11;
    }
    void beginStaff(StaffLayout& staff) override {
        hooks += "staff ";
        staff.ballBandHeight = 7;
    }
    void finishStaff(StaffLayout& staff) override { hooks += "/staff(" + std::to_string(staff.height) + ") "; }
    void finishTune(Tune& tune) override {
        hooks += "/tune ";
        tune.height += 100;
    }

    std::string calls;
    std::string hooks;
    bool tieCompletedBeforePlacing = false;
};

TEST(Placement, ReceivesTheBarStateAndMovesTheRunningX) {
    test::NotationBuild build;
    RecordingPlacement placement;
    const auto tunes = build.build("& LA_4 'la\tB_4 ! tie C_4 !t", &placement);
    ASSERT_EQ(tunes.size(), 1u);
    EXPECT_EQ(placement.calls,
              "!(-,-,-,-,0) &(!,-,-,-,1) LA_4(&,-,-,-,2) 'la(LA_4,LA_4,LA_4,-,3) _bs('la,LA_4,LA_4,-,4) "
              "B_4('la,-,LA_4,-,5) !(B_4,B_4,B_4,-,6) "
              "tie(-,-,-,b,0) C_4(tie,tie,-,b,1) !t(C_4,C_4,C_4,b,2) ");
    EXPECT_TRUE(placement.tieCompletedBeforePlacing);

    const Tune& tune = *tunes[0];
    const StaffLayout& staff = *tune.parts.at(0)->staves.at(0);
    ASSERT_EQ(staff.bars.size(), 2u);
    // Seven advances of 10, less the dot's move of 3.
    EXPECT_EQ(staff.bars[0]->width, 67);
    EXPECT_EQ(findSymbol(tune, "'la")->x, 27);
    EXPECT_EQ(findSymbol(tune, "B_4")->x, 47);
    EXPECT_EQ(staff.bars[1]->x, 67);
    EXPECT_EQ(findSymbol(tune, "C_4")->x, 77);
    EXPECT_EQ(staff.width, 97);

    // Bars stand below the ball band, parts below the header band.
    EXPECT_EQ(tune.parts[0]->y, 11);
    EXPECT_EQ(staff.y, 11);
    EXPECT_EQ(staff.bars[1]->y, 18);
    EXPECT_EQ(findSymbol(tune, "C_4")->y, 18);
    EXPECT_EQ(staff.height, 12);
    EXPECT_EQ(placement.hooks, "tune staff /staff(12) /tune ");
    EXPECT_EQ(tune.height, 11 + 12 + 100);
}

}  // namespace
}  // namespace skirlo
