// An ABC file opened in the desktop program: a new untitled document, and
// one message for what was skipped.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "InterchangeTestSupport.h"
#include "common/MessageSink.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/ImportOpening.h"

namespace skirlo::test {
namespace {

class AbcOpening : public ::testing::Test {
protected:
    AbcOpening() {
        workspace.profile = IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI");
        std::string pattern = (std::filesystem::temp_directory_path() / "abc-opening-XXXXXX").string();
        folder = mkdtemp(pattern.data());
    }
    ~AbcOpening() override { std::filesystem::remove_all(folder); }

    std::string write(const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::filesystem::path folder;
    Workspace workspace;
    RecordingMessageSink messages;
};

TEST_F(AbcOpening, TheTunesBecomeAnUntitledUnsavedDocument) {
    EXPECT_TRUE(isAbcPath("/x/Book.ABC"));
    EXPECT_FALSE(isAbcPath("/x/book.tnz"));
    const std::string abc = readFile(std::filesystem::path(SKIRLO_ABC_DIR) / "two-tunes.abc");
    const auto document = importAbcDocument(write("book.abc", abc), 3, workspace, messages);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->title(), "QTN323");
    EXPECT_TRUE(document->path().empty());
    EXPECT_TRUE(document->modified());
    EXPECT_EQ(document->script().text(), importWithRealMap(abc).tuneText);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(AbcOpening, SkippedPartsAreSaidOnceAndAFileWithoutMusicOpensNothing) {
    std::string abc = "X:1\nT:Odd\nK:HP\n";
    for (int i = 0; i < 25; ++i) abc += "A2 ^c2 |\n";
    ASSERT_NE(importAbcDocument(write("odd.abc", abc), 1, workspace, messages), nullptr);
    ASSERT_EQ(messages.messages().size(), 1u);
    const std::string& text = messages.messages()[0].text;
    EXPECT_TRUE(text.starts_with("Parts of odd.abc were not read:\n4:4: note ^c2 is not on the chanter; skipped\n"));
    EXPECT_TRUE(text.ends_with("\nand 5 more.")) << text;

    messages.clear();
    EXPECT_EQ(importAbcDocument(write("empty.abc", "X:1\nT:None\nK:HP\n"), 2, workspace, messages), nullptr);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "No tune with music was found in empty.abc.");
}

TEST_F(AbcOpening, AMusicXmlScoreOpensTheSameWaySayingWhatItLeftOut) {
    EXPECT_TRUE(isMusicXmlPath("/x/Jig.MusicXML"));
    EXPECT_TRUE(isMusicXmlPath("/x/jig.xml"));
    EXPECT_TRUE(isMusicXmlPath("/x/jig.mxl"));
    EXPECT_FALSE(isMusicXmlPath("/x/jig.tnz"));
    const std::string xml = readFile(std::filesystem::path(SKIRLO_MUSICXML_DIR) / "score-editor-march.musicxml");
    const auto document = importMusicXmlDocument(write("jig.musicxml", xml), 4, workspace, messages);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->title(), "QTN324");
    EXPECT_TRUE(document->path().empty());
    EXPECT_NE(document->script().text().find("\"The Test Jig\""), std::string::npos);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Parts of jig.musicxml were not read:\n1 chord notes (the first note of "
                                           "each chord kept)\n1 parts besides the chanter's (only the chanter's is read)");
    messages.clear();
    EXPECT_EQ(importMusicXmlDocument(write("bad.xml", "<html/>"), 5, workspace, messages), nullptr);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "bad.xml could not be read: not a MusicXML score (no score-partwise element).");
}

}  // namespace
}  // namespace skirlo::test
