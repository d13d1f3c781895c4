// The Library pane in the running program: folders added through its menu
// are scanned off the window thread, the table filters as the user types and
// opening a row shows that tune of its file.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QUrl>
#include <cstdlib>
#include <memory>

#include "GeneratedTunes.h"
#include "editor/LibraryPane.h"
#include "editor/RunningProgram.h"
#include "editor/ScriptView.h"
#include "document/TuneDocument.h"

namespace skirlo {
namespace {

QAction* menuItem(QMainWindow& window, const QString& menu, const QString& item) {
    for (QAction* top : window.menuBar()->actions()) {
        if (top->text() != menu || top->menu() == nullptr) continue;
        for (QAction* action : top->menu()->actions()) {
            if (action->text() == item) return action;
        }
    }
    return nullptr;
}

QStringList column(const QTableWidget& table, int column) {
    QStringList values;
    for (int row = 0; row < table.rowCount(); ++row) values << table.item(row, column)->text();
    return values;
}

class LibraryPaneTest : public test::RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        // The program's default library, kept in the test's own folder.
        ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
        test::writeTuneFile(folder / "tunes" / "set.tnz",
                            {{"Br\xE0igh Loch Iall", "Air", "Traditional", "", "3_4"},
                             {"Mrs MacPherson of Inveran", "Reel", "J. Wilson"},
                             {"The Kilt Is My Delight", "Jig", "Anonymous", "", "6_8"}});
        test::writeTuneFile(folder / "tunes" / "march.tnz", {{"Abercairney Highlanders", "March", "Zed", "", "2_4"}});
    }
};

TEST_F(LibraryPaneTest, AddsAFolderFiltersAsTypedAndOpensTheTuneChosen) {
    start();
    LibraryPane* pane = window->libraryPane();
    ASSERT_NE(pane, nullptr);
    EXPECT_FALSE(pane->isVisible());
    QAction* add = menuItem(*window, "&Library", "&Add Folder...");
    ASSERT_NE(add, nullptr);
    ASSERT_NE(menuItem(*window, "&Library", "&Show Library"), nullptr);
    EXPECT_EQ(window->menuBar()->actions().last()->text(), "&Help");

    QSignalSpy finished(pane, &LibraryPane::scanFinished);
    pane->setFolderDialog([this] { return QString::fromStdString((folder / "tunes").string()); });
    add->trigger();
    EXPECT_TRUE(pane->isVisible());
    while (finished.count() == 0) ASSERT_TRUE(finished.wait(10'000));
    QTableWidget& table = *pane->table();
    EXPECT_EQ(column(table, 0), (QStringList{"Abercairney Highlanders", "Br\u00e0igh Loch Iall",
                                             "Mrs MacPherson of Inveran", "The Kilt Is My Delight"}));
    EXPECT_EQ(column(table, 2), (QStringList{"2/4", "3/4", "4/4", "6/8"}));
    EXPECT_TRUE(pane->status()->text().startsWith("4 tunes")) << pane->status()->text().toStdString();

    // Sorting by composer.
    table.sortByColumn(3, Qt::AscendingOrder);
    EXPECT_EQ(column(table, 3), (QStringList{"Anonymous", "J. Wilson", "Traditional", "Zed"}));

    QTest::keyClicks(pane->searchBox(), "brai");
    EXPECT_EQ(column(table, 0), QStringList{"Br\u00e0igh Loch Iall"});
    pane->searchBox()->clear();
    pane->typeFilter()->setCurrentIndex(pane->typeFilter()->findText("Jig"));
    EXPECT_EQ(column(table, 0), QStringList{"The Kilt Is My Delight"});
    pane->typeFilter()->setCurrentIndex(0);

    // Dragged out, the chosen tunes are their files, each once.
    table.selectAll();
    std::unique_ptr<QMimeData> dragged(table.model()->mimeData(table.selectionModel()->selectedIndexes()));
    ASSERT_NE(dragged, nullptr);
    QStringList files;
    for (const QUrl& url : dragged->urls()) files << url.toLocalFile();
    files.sort();
    QStringList expected;
    for (const auto& file : std::filesystem::directory_iterator(folder / "tunes")) expected << QString::fromStdString(file.path().string());
    expected.sort();
    EXPECT_EQ(files, expected);
    EXPECT_EQ(table.model()->supportedDragActions(), Qt::CopyAction);

    pane->timeFilter()->setCurrentIndex(pane->timeFilter()->findText("4/4"));
    EXPECT_EQ(column(table, 0), QStringList{"Mrs MacPherson of Inveran"});

    // The second tune of its file: its title selected in the text.
    pane->openRow(0);
    TuneWindow* opened = window->activeTune();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->document().path(), (folder / "tunes" / "set.tnz").string());
    EXPECT_TRUE(opened->scriptView()->textCursor().selectedText().contains("Mrs MacPherson of Inveran"));
    pane->openRow(0);
    EXPECT_EQ(window->tunes().size(), 1);

    // The library follows the folders by itself: a file written into a
    // folder under a library folder, then that file removed.
    pane->timeFilter()->setCurrentIndex(0);
    test::writeTuneFile(folder / "tunes" / "new" / "lament.tnz", {{"Lament for the Tests", "Lament"}});
    while (!column(table, 0).contains("Lament for the Tests")) ASSERT_TRUE(finished.wait(10'000));
    std::filesystem::remove(folder / "tunes" / "new" / "lament.tnz");
    while (column(table, 0).contains("Lament for the Tests")) ASSERT_TRUE(finished.wait(10'000));
    EXPECT_EQ(table.rowCount(), 4);
}

// Tunes selected one by one make a set in the order of selection, whatever
// the table's order: a new untitled document holding their texts.
TEST_F(LibraryPaneTest, MakesASetOfTheTunesInTheOrderSelected) {
    start();
    LibraryPane* pane = window->libraryPane();
    QAction* makeSet = menuItem(*window, "&Library", "&Make Set");
    ASSERT_NE(makeSet, nullptr);
    makeSet->trigger();
    EXPECT_TRUE(pane->status()->text().startsWith("Select the tunes")) << pane->status()->text().toStdString();
    EXPECT_TRUE(window->tunes().isEmpty());

    QSignalSpy finished(pane, &LibraryPane::scanFinished);
    pane->addFolders({QString::fromStdString((folder / "tunes").string())});
    while (finished.count() == 0) ASSERT_TRUE(finished.wait(10'000));
    QTableWidget& table = *pane->table();
    ASSERT_EQ(table.rowCount(), 4);
    // By title: Abercairney, Braigh, Mrs MacPherson, The Kilt. Chosen: the
    // jig, then the march, then the reel.
    auto choose = [&](int row) {
        table.selectionModel()->select(table.model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    choose(3);
    choose(0);
    choose(2);
    ASSERT_EQ(pane->chosenTunes().size(), 3u);
    table.sortByColumn(0, Qt::DescendingOrder);  // sorting keeps the order chosen
    makeSet->trigger();

    ASSERT_EQ(window->tunes().size(), 1);
    const TuneDocument& set = window->tunes().front()->document();
    EXPECT_EQ(set.path(), "");
    const std::string text = set.script().text();
    const std::size_t jig = text.find("The Kilt Is My Delight");
    const std::size_t march = text.find("Abercairney Highlanders");
    const std::size_t reel = text.find("Mrs MacPherson of Inveran");
    EXPECT_LT(jig, march);
    EXPECT_LT(march, reel);
    EXPECT_NE(reel, std::string::npos);
    EXPECT_EQ(text.find("Br\xE0igh"), std::string::npos);
    ASSERT_EQ(set.tunes().size(), 3u);

    // Deselecting a tune takes it out of the set.
    table.selectionModel()->select(table.model()->index(table.rowCount() - 1, 0),
                                   QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    EXPECT_EQ(pane->chosenTunes().size(), 2u);
}

}  // namespace
}  // namespace skirlo
