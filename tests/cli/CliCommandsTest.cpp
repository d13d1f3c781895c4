// skirlo-cli run as a user runs it, on real files.

#include "CliRunner.h"

namespace {

using namespace skirlo::clitest;

class CliCommandsTest : public CliTest {
protected:
    // Normalises `input` and returns the output text; `messages` gets stderr.
    std::string normalize(const std::string& text, std::string* messages = nullptr) {
        const std::string in = input(text);
        const fs::path out = work() / "out.tnz";
        CliRun result = run("normalize " + in + " -o " + out.string());
        EXPECT_EQ(result.status, 0) << result.err;
        if (messages) *messages = result.err;
        return readFile(out);
    }
};

const std::string kSettingsLines =
    "\r\nMIDINoteMappings,(54,56,58,59,61,63,64,66,68,56,58,60,61,63,65,66,68,70,55,57,59,60,62,64,65,67,69)\r\n"
    "\r\nFrequencyMappings,(370,415,466,494,554,622,659,740,831,415,466,523,554,622,699,740,831,932,392,440,494,"
    "523,587,659,699,784,880)\r\n"
    "\r\nInstrumentMappings,(71,71,45,33,1000,60,70)\r\n"
    "\r\nGracenoteDurations,(20,40,30,50,100,200,800,1200,250,250,250,500,200)\r\n"
    "\r\nFontSizes,(90,100,100,80,250)\r\n"
    "\r\nTuneFormat,(1,0,M,L,500,500,500,500,P,0,0)\r\n";

// Written after the TuneFormat line by the first performance build, with the
// tempo it played the first tune at.
std::string tempoLine(int tempo) { return "\r\nTuneTempo," + std::to_string(tempo) + "\r\n"; }

}  // namespace

TEST_F(CliCommandsTest, NormalizingAnEmptyFileWritesEverySettingsLineAndTheHeaderLine) {
    std::string messages;
    EXPECT_EQ(normalize("", &messages), "Chantrel:1.0\r\n" + kSettingsLines + tempoLine(90));
    EXPECT_EQ(messages, "Skirlo: in.tnz will be converted to the new file format.\n");
}

TEST_F(CliCommandsTest, NormalizingAHeaderLineAloneAddsTheSettingsAfterIt) {
    std::string messages;
    // TuneFormat is written first, before its anchor exists: it goes below
    // the header line, which stays the first line; the others come between.
    const std::string expected = "Chantrel:1.0\r\n" + kSettingsLines + tempoLine(90);
    EXPECT_EQ(normalize("Chantrel:1.0\r\n", &messages), expected);
    EXPECT_EQ(messages, "");
}

TEST_F(CliCommandsTest, NormalizingAnOlderFileConvertsClefsAndBareStrings) {
    std::string messages;
    const std::string older = "\"My Tune\"\r\n\"March\"\r\n& LA_4 ! B_4 !t";
    const std::string result = normalize(older, &messages);
    EXPECT_EQ(messages, "Skirlo: in.tnz will be converted to the new file format.\n");
    // A march without a tempo of its own plays at the march tempo.
    EXPECT_EQ(result, "Chantrel:1.0\r\n" + kSettingsLines + tempoLine(84) +
                          "\r\n\"My Tune\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n\r\n"
                          "\"March\",(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n\r\n"
                          "& sharpf sharpc LA_4 ! B_4 !t");
}

TEST_F(CliCommandsTest, NormalizingIsIdempotentAndSilentOnItsOwnOutput) {
    for (const std::string& input : {std::string(), std::string("Chantrel:1.0\r\n"),
                                     std::string("\"My Tune\"\r\n& LA_4 !t")}) {
        const std::string once = normalize(input);
        std::string messages;
        EXPECT_EQ(normalize(once, &messages), once);
        EXPECT_EQ(messages, "");
    }
}

TEST_F(CliCommandsTest, EveryExampleTuneIsCurrentAndFullyKnown) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(SKIRLO_RESOURCE_DIR "/examples")) {
        if (entry.path().extension() != ".tnz") continue;
        ++files;
        const std::string original = readFile(entry.path());
        std::string messages;
        EXPECT_EQ(normalize(original, &messages), original) << entry.path();
        EXPECT_EQ(messages, "") << entry.path();

        CliRun tree = run("tree " + entry.path().string());
        EXPECT_EQ(tree.status, 0) << entry.path();
        EXPECT_EQ(tree.err, "") << entry.path();
        EXPECT_EQ(tree.out.rfind("{\"tunes\":[{", 0), 0u) << entry.path();
    }
    EXPECT_EQ(files, 6);
}

TEST_F(CliCommandsTest, TwoTunesInOneFileAreSplitAtTheHeaderWord) {
    CliRun tree = run(std::string("tree ") + SKIRLO_RESOURCE_DIR "/examples/two-tunes.tnz");
    ASSERT_EQ(tree.status, 0);
    std::size_t tunes = 0;
    for (std::size_t at = tree.out.find("\"variationTempo\""); at != std::string::npos;
         at = tree.out.find("\"variationTempo\"", at + 1)) {
        ++tunes;
    }
    EXPECT_EQ(tunes, 2u);
    EXPECT_NE(tree.out.find("\"dacapo\":true"), std::string::npos);
}

TEST_F(CliCommandsTest, BadUsageAndMissingFilesFailWithAMessage) {
    EXPECT_EQ(run("tree").status, 1);
    CliRun missing = run("tree " + (work() / "nothing.tnz").string());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err, "");
    EXPECT_EQ(run("frobnicate").status, 1);
    EXPECT_EQ(run("normalize " + (work() / "nothing.tnz").string()).status, 1);
}

TEST_F(CliCommandsTest, TitlesWrittenInUtf8AreDrawnAsTheirWriterMeantThem) {
    const std::string music = "& LA_4 ! B_4 ! C_4 ! D_4 !t";
    const auto titled = [&](const std::string& title) {
        return "Chantrel:1.0\r\n\"" + title + "\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n" + music;
    };
    const std::string utf8 = input(titled("Br\xC3\xA0igh"), "utf8.tnz");
    const std::string windows1252 = input(titled("Br\xE0igh"), "windows1252.tnz");

    const CliRun tree = run("tree " + utf8);
    ASSERT_EQ(tree.status, 0) << tree.err;
    EXPECT_NE(tree.out.find("\"text\":\"Br\xC3\xA0igh\""), std::string::npos);
    EXPECT_EQ(tree.err, utf8 + ": texts written in UTF-8 are shown as UTF-8; the file keeps its bytes\n");

    // Drawn and measured as the same letters, the two pictures are the same bytes.
    const CliRun fromUtf8 = run("image " + utf8 + " -o " + (work() / "utf8.png").string());
    const CliRun fromWindows1252 = run("image " + windows1252 + " -o " + (work() / "windows1252.png").string());
    ASSERT_EQ(fromUtf8.status, 0) << fromUtf8.err;
    ASSERT_EQ(fromWindows1252.status, 0) << fromWindows1252.err;
    EXPECT_EQ(fromWindows1252.err, "");
    EXPECT_EQ(readFile(work() / "utf8.png"), readFile(work() / "windows1252.png"));
    EXPECT_EQ(readFile(utf8), titled("Br\xC3\xA0igh"));
}
