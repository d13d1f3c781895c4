// skirlo-cli musicxml, from-abc and from-musicxml run as a user runs them.

#include <zip.h>

#include <utility>
#include <vector>

#include "cli/CliRunner.h"

namespace skirlo::clitest {
namespace {

class InterchangeCommands : public CliTest {
protected:
    // A zip archive of the named entries in the work folder, written with minizip.
    std::string zipOf(const std::vector<std::pair<std::string, std::string>>& entries, const std::string& name) {
        const std::string path = (work() / name).string();
        zipFile archive = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
        EXPECT_NE(archive, nullptr);
        for (const auto& [entry, bytes] : entries) {
            EXPECT_EQ(zipOpenNewFileInZip64(archive, entry.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                            Z_DEFAULT_COMPRESSION, 0),
                      ZIP_OK);
            zipWriteInFileInZip(archive, bytes.data(), static_cast<unsigned>(bytes.size()));
            zipCloseFileInZip(archive);
        }
        zipClose(archive, nullptr);
        return path;
    }
};

TEST_F(InterchangeCommands, FromAbcSaysPerTuneWhatWasLostAndWritesTheRest) {
    const std::string abc = input("X:1\nT:Odd\nK:D\nA2 B2 ^c | [ce] |\n\nX:2\nT:Fine\nK:HP\n(AB) c2 |\n\n"
                                  "X:3\nT:Voices\nV:1\nV:2 name=\"Seconds\"\nK:HP\nV:1\nA2 |\nV:2\nB2 |\n",
                                  "odd.abc");
    const std::string out = (work() / "odd.tnz").string();
    const CliRun done = run("from-abc " + abc + " -o " + out);
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(done.err, abc + ":4: \"Odd\": 2 notes left out (see --verbose)\n" + abc +
                            ":14: \"Voices\": 1 voice left out (see --verbose)\n" + abc +
                            ": 2 of 3 tunes lost or changed something: 2 notes and 1 voice left out\n");
    EXPECT_NE(readFile(out).find("& sharpf sharpc I! LA_4\tB_4 !I\r\n"), std::string::npos);
    EXPECT_EQ(run("check " + out).status, 0);

    // --verbose names every place, the harmless ones too, in the file's order.
    const CliRun verbose = run("from-abc --verbose " + abc + " -o " + out);
    EXPECT_TRUE(verbose.err.starts_with(abc + ":3:1: K:D is read as the pipe scale (K:HP)\n" + abc +
                                        ":4:7: note ^c is not on the chanter; skipped\n" + abc +
                                        ":4:12: chord [ce] skipped\n" + abc + ":9:1: slur skipped\n"))
        << verbose.err;
    EXPECT_NE(verbose.err.find(":4: \"Odd\": 2 notes left out\n"), std::string::npos) << verbose.err;

    // --strict: any loss fails and nothing is written.
    std::filesystem::remove(out);
    const CliRun strict = run("from-abc --strict " + abc + " -o " + out);
    EXPECT_EQ(strict.status, 1);
    EXPECT_NE(strict.err.find("(--strict); nothing written"), std::string::npos) << strict.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    const std::string clean = input("X:1\nT:Clean\nK:HP\n(AB) c2 |\n", "clean.abc");
    const CliRun strictClean = run("from-abc --strict " + clean + " -o " + out);
    EXPECT_EQ(strictClean.status, 0) << strictClean.err;
    EXPECT_EQ(strictClean.err, "");
}

TEST_F(InterchangeCommands, FromMusicXmlCountsWhatItLeavesOutAndRefusesWhatItCannotRead) {
    const std::string score = SKIRLO_MUSICXML_DIR "/score-editor-march.musicxml";
    const std::string out = (work() / "march.tnz").string();
    const CliRun done = run("from-musicxml " + score + " -o " + out);
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(done.err, score + ": left out: 1 chord notes (the first note of each chord kept)\n" + score +
                            ": left out: 1 parts besides the chanter's (only the chanter's is read)\n");
    EXPECT_EQ(run("check " + out).status, 0);
    // Compressed, as score editors save it: the container names the score.
    const std::string plain = readFile(out);
    const std::string mxl = zipOf({{"META-INF/container.xml", "<container><rootfiles><rootfile full-path=\"a/jig.xml\"/>"
                                                               "</rootfiles></container>"},
                                   {"a/jig.xml", readFile(score)}},
                                  "jig.mxl");
    EXPECT_EQ(run("from-musicxml " + mxl + " -o " + out).status, 0);
    EXPECT_EQ(readFile(out), plain);
    EXPECT_NE(run("from-musicxml --verbose " + score + " -o " + out).err.find("changes nothing heard or seen: 2 slurs"),
              std::string::npos);

    std::filesystem::remove(out);
    const CliRun strict = run("from-musicxml --strict " + score + " -o " + out);
    EXPECT_EQ(strict.status, 1);
    EXPECT_NE(strict.err.find("something was left out (--strict); nothing written"), std::string::npos) << strict.err;
    const CliRun notZip = run("from-musicxml " + input("PK\x03\x04", "score.mxl") + " -o " + out);
    EXPECT_EQ(notZip.status, 1);
    EXPECT_NE(notZip.err.find("score.mxl: not a compressed MusicXML score (no zip archive); nothing written"),
              std::string::npos) << notZip.err;
    const std::string bare = zipOf({{"score.musicxml", readFile(score)}}, "bare.mxl");
    EXPECT_NE(run("from-musicxml " + bare + " -o " + out).err.find("the archive holds no META-INF/container.xml"),
              std::string::npos);
    const CliRun garbage = run("from-musicxml " + input("Chantrel:1.0\r\n", "tune.xml") + " -o " + out);
    EXPECT_EQ(garbage.status, 1);
    EXPECT_NE(garbage.err.find("tune.xml: not well-formed XML (line 1: syntax error); nothing written"),
              std::string::npos) << garbage.err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(InterchangeCommands, NothingIsWrittenWithoutMusicOrWithAWrongName) {
    const std::string empty = input("X:1\nT:None\nK:HP\n", "none.abc");
    const CliRun none = run("from-abc " + empty + " -o " + (work() / "none.tnz").string());
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("holds no tune with music; nothing written"), std::string::npos) << none.err;

    const std::string tnz = input(tune("& sharpf sharpc 2_4 I! LA_4 B_4 !I\r\n"));
    const CliRun wrongName = run("musicxml " + tnz + " -o " + (work() / "out.pdf").string());
    EXPECT_EQ(wrongName.status, 1);
    EXPECT_NE(wrongName.err.find("must end in .musicxml or .xml"), std::string::npos) << wrongName.err;
    const CliRun noOutput = run("musicxml " + tnz);
    EXPECT_NE(noOutput.err.find("missing -o OUT.musicxml"), std::string::npos) << noOutput.err;
    EXPECT_EQ(workFiles(), "in.tnz none.abc ");
}

TEST_F(InterchangeCommands, MusicXmlGoesToStandardOutputAndNamesWhatItLeavesOut) {
    const CliRun done = run("musicxml " SKIRLO_RESOURCE_DIR "/examples/round-the-sign.tnz -o -");
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_TRUE(done.out.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\""));
    EXPECT_TRUE(done.out.ends_with("</score-partwise>\n"));
    EXPECT_EQ(done.err, SKIRLO_RESOURCE_DIR "/examples/round-the-sign.tnz: not in the MusicXML: the variation tempo\n");
}

}  // namespace
}  // namespace skirlo::clitest
