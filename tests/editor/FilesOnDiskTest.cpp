// One file is one tab however it is reached, and a change another program
// makes to an open file is noticed without losing the edits made here.

#include <QFile>
#include <QTextDocument>

#include <filesystem>
#include <fstream>

#include "document/TuneDocument.h"
#include "editor/RunningProgram.h"
#include "editor/ScriptView.h"

namespace skirlo::test {
namespace {

class FilesOnDiskTest : public RunningProgram {
protected:
    void write(const std::filesystem::path& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    }
    const std::string& text() const { return tune->document().script().text(); }

    const std::string original = "Chantrel:1.0\r\n\"Reel\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
                                 "& sharpf sharpc LA_4 B_4 C_4 D_4 !I";
};

TEST_F(FilesOnDiskTest, AFileOpenedThroughALinkActivatesItsTab) {
    const std::filesystem::path file = folder / "reel.tnz";
    write(file, original);
    std::filesystem::create_directory(folder / "links");
    std::filesystem::create_symlink(file, folder / "links" / "same.tnz");
    start({QString::fromStdString(file.string())});
    window->openTune(QString::fromStdString((folder / "links" / "same.tnz").string()));
    window->openTune(QString::fromStdString((folder / "links" / ".." / "reel.tnz").string()));
    EXPECT_EQ(window->tunes().size(), 1);
}

TEST_F(FilesOnDiskTest, AChangedFileIsOfferedForReloadAndTheEditsHereComeBackWithUndo) {
    const std::filesystem::path file = folder / "reel.tnz";
    write(file, original);
    start({QString::fromStdString(file.string())});
    ASSERT_NE(tune, nullptr);
    // Saved once, the file holds everything the program adds on opening.
    ASSERT_TRUE(tune->save(saveDialog));
    const std::string saved = text();
    ScriptView* script = tune->scriptView();
    script->setFocus();
    QTest::keyClick(script, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(script, " E_4");
    const std::string edited = text();

    // Nothing changed on disk: nothing is asked.
    window->checkFilesOnDisk();
    EXPECT_TRUE(messages.messages().empty());

    const std::string theirs = saved + " F_4 !t";
    write(file, theirs);
    messages.setAnswer(MessageAnswer::No);
    window->checkFilesOnDisk();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages()[0].text.starts_with(file.string() +
                                                        " has been changed by another program. Reload it?"))
        << messages.messages()[0].text;
    EXPECT_EQ(text(), edited);
    window->checkFilesOnDisk();  // asked once per change
    EXPECT_EQ(messages.messages().size(), 1u);

    write(file, theirs + " ");
    messages.setAnswer(MessageAnswer::Yes);
    window->checkFilesOnDisk();
    EXPECT_EQ(text(), theirs + " ");
    EXPECT_FALSE(tune->document().modified());
    script->undo();
    EXPECT_EQ(text(), edited);
    EXPECT_TRUE(tune->document().modified());
}

}  // namespace
}  // namespace skirlo::test
