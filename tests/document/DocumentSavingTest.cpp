// Saving under the naming rules, the files the program remembers, and the
// script pane's settings written back only where they changed.

#include "document/DocumentSaving.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "common/MessageSink.h"
#include "document/FileHistory.h"
#include "document/ProgramConfiguration.h"
#include "document/TuneDocument.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"
#include "support/FileTestSupport.h"

using namespace skirlo;
using namespace skirlo::test;
namespace fs = std::filesystem;

namespace {

class DocumentSavingTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("skirlo_saving_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        profile = IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI");
        symbols.load(*profile, messages);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::string path(const std::string& name) const { return (folder / name).string(); }

    std::unique_ptr<TuneDocument> opened(const std::string& name, const std::string& text) {
        std::ofstream(path(name), std::ios::binary) << text;
        TuneDocument::Opening opening = TuneDocument::open(path(name));
        EXPECT_TRUE(opening.document) << opening.error;
        return std::move(opening.document);
    }
    std::unique_ptr<TuneDocument> untitled(const std::string& text) {
        auto document = TuneDocument::createNew(1);
        document->script().load(text);
        document->rebuildStructure(symbols, messages);
        return document;
    }

    fs::path folder;
    std::unique_ptr<IniProfile> profile;
    SymbolMap symbols;
    RecordingMessageSink messages;
    ScriptedSaveDialog dialog;
};

const std::string kTune = "\"Heather Brae\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n& sharpf sharpc LA_4 !t";

}  // namespace

TEST_F(DocumentSavingTest, AnUntitledTuneProposesItsTitleAndRefusesOneThatIsNoFileName) {
    auto document = untitled(kTune);
    dialog.answer = {false, path("chosen.tnz")};
    ASSERT_TRUE(saveDocument(*document, dialog, messages).saved);
    EXPECT_EQ(dialog.titles, std::vector<std::string>{"Save As"});
    EXPECT_EQ(dialog.proposals, std::vector<std::string>{"Heather Brae.tnz"});
    EXPECT_EQ(readFile(path("chosen.tnz")), document->script().text()) << "the bytes of the script, header line included";
    EXPECT_EQ(document->path(), path("chosen.tnz"));
    EXPECT_FALSE(document->modified());

    for (const char* title : {"Reel: The Drunken Piper", "Who Stole?"}) {
        auto colon = untitled("\"" + std::string(title) + "\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n&");
        colon->script().setModified(true);
        messages.clear();
        dialog.proposals.clear();
        EXPECT_FALSE(saveDocument(*colon, dialog, messages).saved) << title;
        EXPECT_TRUE(dialog.proposals.empty()) << "a refused proposal never reaches the dialog";
        ASSERT_EQ(messages.messages().size(), 1u);
        EXPECT_EQ(messages.messages()[0].caption, "File Save Error");
        EXPECT_EQ(messages.messages()[0].text, "Illeagal file name, \"" + std::string(title) +
                                                   ".tnz\".\nPlease change the title name or copy the tune to a new file.");
        EXPECT_TRUE(colon->modified());
    }

    auto noTitle = untitled("& LA_4 !t");
    dialog.proposals.clear();
    dialog.answer = {};
    EXPECT_FALSE(saveDocument(*noTitle, dialog, messages).saved) << "cancelled";
    EXPECT_EQ(dialog.proposals, std::vector<std::string>{".tnz"});
}

TEST_F(DocumentSavingTest, TheExtensionDecidesWhetherTheDialogIsAsked) {
    for (const char* name : {"a.tnz", "b.TNZ", "c.Tnz"}) {
        auto document = opened(name, kTune);
        document->script().load(kTune + " HA_4");
        EXPECT_TRUE(saveDocument(*document, dialog, messages).saved) << name;
        EXPECT_EQ(readFile(path(name)), kTune + " HA_4");
    }
    EXPECT_TRUE(dialog.proposals.empty());

    auto other = opened("tune.txt", kTune);
    auto bare = opened("tune", kTune);
    dialog.answer = {false, path("typed")};
    ASSERT_TRUE(saveDocument(*other, dialog, messages).saved);
    ASSERT_TRUE(saveDocument(*bare, dialog, messages).saved);
    EXPECT_EQ(dialog.proposals, (std::vector<std::string>{path("tune.tnz"), path("tune.tnz")}));
    EXPECT_EQ(other->path(), path("typed")) << "the typed name is used as it is";
    EXPECT_TRUE(fs::exists(path("typed")));

    // The next save of "typed" proposes it with the extension added.
    dialog.proposals.clear();
    dialog.answer = {};
    EXPECT_FALSE(saveDocument(*other, dialog, messages).saved);
    EXPECT_EQ(dialog.proposals, std::vector<std::string>{path("typed.tnz")});

    // A dot in a folder's name is not the file's extension.
    fs::create_directories(folder / "pipes.d");
    auto inDottedFolder = opened("pipes.d/march", kTune);
    dialog.proposals.clear();
    saveDocument(*inDottedFolder, dialog, messages);
    EXPECT_EQ(dialog.proposals, std::vector<std::string>{path("pipes.d/march.tnz")});
}

TEST_F(DocumentSavingTest, AReadOnlyFileGoesToTheDialogAndAFailedWriteKeepsTheOldFile) {
    auto document = opened("locked.tnz", kTune);
    fs::permissions(path("locked.tnz"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    document->script().load(kTune + " B_4");
    document->script().setModified(true);
    dialog.answer = {false, path("copy.tnz")};
    ASSERT_TRUE(saveDocument(*document, dialog, messages).saved);
    EXPECT_EQ(dialog.proposals, std::vector<std::string>{path("locked.tnz")});
    EXPECT_EQ(readFile(path("locked.tnz")), kTune);

    // Writing into a folder that is gone fails: the message, no file, still modified.
    document->script().setModified(true);
    dialog.answer = {false, path("gone/x.tnz")};
    messages.clear();
    EXPECT_FALSE(saveDocumentAs(*document, "", true, dialog, messages).saved);
    EXPECT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(document->modified());
    EXPECT_EQ(document->path(), path("copy.tnz"));
}

TEST_F(DocumentSavingTest, OpeningRefusesWhatIsNoTuneFileWithAClearMessage) {
    std::ofstream(path("big.tnz"), std::ios::binary) << std::string(1'048'576, 'x');
    EXPECT_EQ(TuneDocument::open(path("big.tnz")).error, "The file is too large to open.");
    std::ofstream(path("limit.tnz"), std::ios::binary) << std::string(1'048'575, 'x');
    EXPECT_TRUE(TuneDocument::open(path("limit.tnz")).document);
    const std::string missing = TuneDocument::open(path("missing.tnz")).error;
    EXPECT_NE(missing.find("No such file"), std::string::npos) << missing;
    const std::string directory = TuneDocument::open(folder.string()).error;
    EXPECT_NE(directory.find("Is a directory"), std::string::npos) << directory;
}

TEST_F(DocumentSavingTest, TheTuneFolderIsWrittenOncePerNewFolderAndRecentFilesKeepFour) {
    auto written = IniProfile::fromText("");
    TuneFolder folderMemory(*written);
    folderMemory.remember(path("a.tnz"), *written);
    const std::string afterFirst = written->text();
    folderMemory.remember(path("b.tnz"), *written);
    EXPECT_EQ(written->text(), afterFirst) << "a second tune of the same folder writes nothing";
    EXPECT_EQ(TuneFolder(*written).folder(), folder.string() + "/");

    RecentFiles recent(*written);
    for (const char* name : {"1", "2", "3", "4", "5", "3"}) recent.add(name);
    EXPECT_EQ(recent.paths(), (std::vector<std::string>{"3", "5", "4", "2"}));
    recent.save(*written);
    EXPECT_EQ(RecentFiles(*written).paths(), recent.paths());
    const std::string saved = written->text();
    RecentFiles(*written).save(*written);
    EXPECT_EQ(written->text(), saved);
}

TEST_F(DocumentSavingTest, ScriptSettingsAreWrittenOnlyWhereTheyChanged) {
    auto profileText = IniProfile::fromText(
        "[Settings]\r\nTabStops = 32\r\n[Font]\r\nHeight=-13\r\nWeight=400\r\n"
        "FaceName=A face name that is much longer than thirty-one characters\r\n");
    ScriptViewSettings loaded = readScriptViewSettings(*profileText);
    EXPECT_EQ(loaded.font.faceName, "A face name that is much longer");
    EXPECT_FALSE(loaded.printFont.stored());
    EXPECT_EQ(loaded.printFont.faceName, "System");

    writeChangedScriptViewSettings(*profileText, loaded, loaded);
    const std::string unchanged = profileText->text();
    EXPECT_EQ(unchanged.find("WordWrap"), std::string::npos);
    EXPECT_NE(unchanged.find("TabStops = 32"), std::string::npos) << "an untouched key keeps its spelling";

    ScriptViewSettings now = loaded;
    now.wordWrap = true;
    now.font.weight = 700;
    writeChangedScriptViewSettings(*profileText, loaded, now);
    EXPECT_EQ(readScriptViewSettings(*profileText), now);
    EXPECT_NE(profileText->text().find("TabStops = 32"), std::string::npos);
    EXPECT_EQ(profileText->text().find("[PrintFont]"), std::string::npos);
}
