// The engraving style chosen in the View menu: every open tune is laid out
// again in it at once, and the profile remembers it for the next start.

#include <gtest/gtest.h>

#include <QMenuBar>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "common/MessageSink.h"
#include "document/TuneDocument.h"
#include "editor/Application.h"
#include "editor/MainWindow.h"
#include "editor/TuneWindow.h"
#include "notation/TuneTree.h"

using namespace skirlo;
namespace fs = std::filesystem;

namespace {

class EngravingStyleMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("skirlo_engraving_menu_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::copy_file(SKIRLO_RESOURCE_DIR "/QTN32.INI", folder / "QTN32.INI");
        fs::copy_file(SKIRLO_RESOURCE_DIR "/examples/highland-laddie.tnz", folder / "laddie.tnz");
    }
    void TearDown() override {
        application.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    MainWindow& start() {
        application.reset();
        Application::Options options;
        options.files = {QString::fromStdString((folder / "laddie.tnz").string())};
        options.profile = QString::fromStdString((folder / "QTN32.INI").string());
        options.messages = &messages;
        application = std::make_unique<Application>(options);
        EXPECT_TRUE(application->start());
        return *application->mainWindow();
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

    fs::path folder;
    RecordingMessageSink messages;
    std::unique_ptr<Application> application;
};

}  // namespace

TEST_F(EngravingStyleMenuTest, ModernLeavesTheSecondEndingRaggedAndIsRememberedForTheNextStart) {
    MainWindow& window = start();
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

    MainWindow& again = start();
    ASSERT_NE(modernItem(again), nullptr);
    EXPECT_TRUE(modernItem(again)->isChecked());
    EXPECT_EQ(staffWidths(again), ragged);

    modernItem(again)->trigger();
    EXPECT_EQ(staffWidths(again), classic);
    EXPECT_NE(profileText().find("EngravingStyle=Classic"), std::string::npos);
}
