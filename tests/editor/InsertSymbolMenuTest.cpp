// The insert-symbol popup: every command once with its exact text, in its menu.

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "editor/InsertSymbolMenu.h"

using namespace skirlo;

namespace {

// Command id -> how often it appears and the menu path of its first appearance.
void collect(const QMenu& menu, const QString& path, std::map<int, std::pair<int, QString>>& found) {
    for (QAction* action : menu.actions()) {
        if (action->menu() != nullptr) {
            collect(*action->menu(), path + action->text() + " > ", found);
            continue;
        }
        auto& [count, where] = found[action->data().toInt()];
        if (count++ == 0) where = path + action->text();
    }
}

TEST(InsertSymbolMenu, HoldsEveryCommandOnceAndRepeatsTabAtTheTop) {
    const std::unique_ptr<QMenu> menu(createInsertSymbolMenu(nullptr));
    std::map<int, std::pair<int, QString>> found;
    collect(*menu, "", found);
    ASSERT_EQ(found.size(), 331u);
    EXPECT_EQ(found.begin()->first, 4045);
    EXPECT_EQ(found.rbegin()->first, 4375);
    for (const auto& [id, place] : found) EXPECT_EQ(place.first, id == kTabNextBeatCommand ? 2 : 1) << id;
    EXPECT_EQ(found[4045].second, "Melody Notes > Whole > Low G");
    EXPECT_EQ(found[4098].second, "Melody Notes > Eighth > Right Tail > High A");
    EXPECT_EQ(found[4206].second, "Embellishments > Gracenote Strikes > High G > D Light");
    EXPECT_EQ(found[4284].second, "Staff Formatting > Tab/Next Beat");
    EXPECT_EQ(found[4336].second, "Time Lines > End of time line");
    EXPECT_EQ(found[4348].second, "New Staff");
    EXPECT_EQ(found[4350].second, "Ceol Mor > Crunluaths > Crunluath");
    EXPECT_EQ(found[4375].second, "Ceol Mor > Marks > Trebling");
}

TEST(InsertSymbolMenu, TextsEndInOneBlankExceptWhereTheyMustNot) {
    const std::map<int, std::string> exceptions = {
        {4284, "\t"},
        {4287, "!t"},
        {4289, "!I"},
        {4291, "''!I"},
        {4341, "\"Title\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"},
        {4342, "\"Type\",(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n"},
        {4343, "\"Composer/Arranger\",(M,R,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n"},
        {4344, "\"Footer\",(F,R,0,0,Times New Roman,10,400,0,0,18,0,0,0)\r\n"},
    };
    for (int id = kFirstInsertSymbolCommand; id <= kLastInsertSymbolCommand; ++id) {
        const std::string text(insertSymbolText(id));
        if (const auto exact = exceptions.find(id); exact != exceptions.end()) {
            EXPECT_EQ(text, exact->second) << id;
            continue;
        }
        ASSERT_GE(text.size(), 2u) << id;
        EXPECT_EQ(text.back(), ' ') << id;
        EXPECT_NE(text[text.size() - 2], ' ') << id;
    }
    // Spot checks across the table, where a slipped id would show.
    EXPECT_EQ(insertSymbolText(4081), "LGl_8 ");
    EXPECT_EQ(insertSymbolText(4152), "HAr_32 ");
    EXPECT_EQ(insertSymbolText(4161), "'ha ");
    EXPECT_EQ(insertSymbolText(4169), "tg ");
    EXPECT_EQ(insertSymbolText(4207), "gste ");
    EXPECT_EQ(insertSymbolText(4260), "ggrpdb ");
    EXPECT_EQ(insertSymbolText(4279), "hgrpha ");
    EXPECT_EQ(insertSymbolText(4312), "C_ ");
    EXPECT_EQ(insertSymbolText(4334), "'224 ");
    EXPECT_EQ(insertSymbolText(4345), "\"In-Line\",(I,L,0,0,Times New Roman,11,700,0,0,0,0,0,0) ");
    EXPECT_EQ(insertSymbolText(4346), "\"Fixed\",(X,L,1000,1000,Times New Roman,12,400,0,0,0,0,0,0) ");
    EXPECT_EQ(insertSymbolText(4347), "\"Comment\" ");
    EXPECT_EQ(insertSymbolText(4348), "& sharpf sharpc ");
    EXPECT_EQ(insertSymbolText(4349), "TuneTempo,90 ");
    EXPECT_EQ(insertSymbolText(4044), "");
    EXPECT_EQ(insertSymbolText(4350), "crun ");
    EXPECT_EQ(insertSymbolText(4368), "cadgE ");
    EXPECT_EQ(insertSymbolText(4376), "");
}

}  // namespace
