// The engraving style chosen in the View menu: every open tune is laid out
// again in it at once, and the profile remembers it for the next start.

#include <QMenuBar>

#include <fstream>
#include <sstream>

#include "document/TuneDocument.h"
#include "editor/RunningProgram.h"
#include "notation/TuneTree.h"

namespace skirlo::test {
namespace {

class EngravingStyleMenuTest : public RunningProgram {
protected:
    MainWindow& startOnLaddie() {
        application.reset();  // the program before writes its profile first
        start({example("highland-laddie.tnz")});
        return *window;
    }
    static QAction* modernItem(MainWindow& window) {
        for (QAction* menu : window.menuBar()->actions()) {
            if (menu->text() != "&View" || menu->menu() == nullptr) continue;
            for (QAction* item : menu->menu()->actions()) {
                if (item->text() == "&Modern Engraving") return item;
            }
        }
        return nullptr;
    }
    // The widths of the first tune's staves as now laid out on screen.
    static std::vector<int> staffWidths(MainWindow& window) {
        std::vector<int> widths;
        for (const auto& part : window.tunes().front()->document().music().tunes.front()->parts) {
            for (const auto& staff : part->staves) widths.push_back(staff->width);
        }
        return widths;
    }
    std::string profileText() const {
        std::ifstream in(folder / "QTN32.INI");
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

};

TEST_F(EngravingStyleMenuTest, ModernLeavesTheSecondEndingRaggedAndIsRememberedForTheNextStart) {
    MainWindow& window = startOnLaddie();
    QAction* modern = modernItem(window);
    ASSERT_NE(modern, nullptr);
    EXPECT_FALSE(modern->isChecked());
    std::vector<int> classic = staffWidths(window);
    ASSERT_GE(classic.size(), 3u);
    EXPECT_EQ(classic[2], classic[0]);  // Classic spreads the one-line second ending over the whole width

    modern->trigger();
    const std::vector<int> ragged = staffWidths(window);
    EXPECT_LT(ragged[2], ragged[0] * 3 / 4);
    EXPECT_NE(profileText().find("EngravingStyle=Modern"), std::string::npos);

    MainWindow& again = startOnLaddie();
    ASSERT_NE(modernItem(again), nullptr);
    EXPECT_TRUE(modernItem(again)->isChecked());
    EXPECT_EQ(staffWidths(again), ragged);

    modernItem(again)->trigger();
    EXPECT_EQ(staffWidths(again), classic);
    EXPECT_NE(profileText().find("EngravingStyle=Classic"), std::string::npos);
}

}  // namespace
}  // namespace skirlo::test
