// skirlo-cli musicxml and from-abc run as a user runs them.

#include "cli/CliRunner.h"

namespace skirlo::clitest {
namespace {

using InterchangeCommands = CliTest;

TEST_F(InterchangeCommands, FromAbcReportsWhereItSkipsAndWritesTheRest) {
    const std::string abc = input("X:1\nT:Odd\nK:HP\nA2 B2 ^c | [ce] |\n", "odd.abc");
    const CliRun done = run("from-abc " + abc + " -o " + (work() / "odd.tnz").string());
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(done.err, abc + ":4:7: note ^c is not on the chanter; skipped\n" + abc + ":4:12: chord [ce] skipped\n");
    EXPECT_NE(readFile(work() / "odd.tnz").find("& sharpf sharpc I! LA_4\tB_4 !I\r\n"), std::string::npos);
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
