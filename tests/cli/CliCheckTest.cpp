// skirlo-cli check: the problems of many files at their places on disk.

#include "cli/CliRunner.h"

namespace skirlo::clitest {
namespace {

using CliCheckTest = CliTest;

TEST_F(CliCheckTest, EveryExampleIsClean) {
    std::string files;
    for (const auto& entry : fs::directory_iterator(SKIRLO_RESOURCE_DIR "/examples")) {
        if (entry.path().extension() == ".tnz") files += " " + entry.path().string();
    }
    ASSERT_FALSE(files.empty());
    const CliRun result = run("check" + files);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
}

TEST_F(CliCheckTest, EachProblemAtItsLineAndColumnInTheFileOnDisk) {
    const std::string clean = input("Chantrel:1.0\r\n" + tune("& LA_4 '1 B_4 _' !t\r\n"), "clean.tnz");
    const std::string bad = input("Chantrel:1.0\r\n" +
                                      tune("& LA_4 Bx_4 ! '1 C_4 ^ts D_4 ! E_4\tzzz F_4 !t\r\n"
                                           "& LA_4 Bx_4 ^t ! ^3s LA_4 B_4 C_4 ! D_4 ! E_4 ''!I\r\n"),
                                  "bad.tnz");
    // Opening an older file adds the header line, settings lines and key
    // signatures: the places are still those of the file as written.
    const std::string old = input("\"Old\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n& LA_4 Bx_4 !t\r\n"
                                  "& B_4 qq !t\r\n",
                                  "old.tnz");
    const CliRun result = run("check " + clean + " " + bad + " " + old);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              bad + ":3:8: Symbol Error: Symbol Bx_4 could not be found in map!\n" +
              bad + ":3:15: Time Line Error: Time line '1 is not closed before the end of its part.\n" +
              bad + ":3:22: Tie Error: Tie ^ts has no end in its bar or the next.\n" +
              bad + ":3:36: Symbol Error: Symbol zzz could not be found in map!\n" +
              bad + ":4:8: Symbol Error: Symbol Bx_4 could not be found in map!\n" +
              bad + ":4:13: Tie Error: Tie ^t has no note after it in its bar.\n" +
              bad + ":4:18: Triplet Error: Triplet ^3s has no end in its bar or the next.\n" +
              old + ":2:8: Symbol Error: Symbol Bx_4 could not be found in map!\n" +
              old + ":3:7: Symbol Error: Symbol qq could not be found in map!\n");
    EXPECT_EQ(run("check " + clean).status, 0);
    EXPECT_EQ(run("check " + clean + " " + (work() / "missing.tnz").string()).status, 1);
}

TEST_F(CliCheckTest, WordsAfterTheLastBarLineAreReportedOnceEachAndTheMusicIsUnchanged) {
    // A direction misspelt at the very end of a tune, a note after it, and a
    // word glued to a direction inside the music.
    const std::string stray = input("Chantrel:1.0\r\n" + tune("& LA_4 segnodbe B_4 ! C_4 !I dalsegn LA_4\r\n"),
                                    "stray.tnz");
    const std::string fixed = input("Chantrel:1.0\r\n" + tune("& LA_4 B_4 ! C_4 !I\r\n"), "fixed.tnz");
    const CliRun result = run("check " + stray);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              stray + ":3:8: Symbol Error: Symbol segnodbe could not be found in map!\n" +
              stray + ":3:30: Symbol Error: Symbol dalsegn could not be found in map!\n" +
              stray + ":3:38: Symbol Error: LA_4 stands after the tune's last bar line: it is neither shown nor played.\n");
    // The build is as it was: the words after the end play nothing.
    const auto notes = [this](const std::string& file) {
        const std::string events = run("events " + file).out;
        std::size_t count = 0;
        for (std::size_t at = events.find("\"pitch\""); at != std::string::npos; at = events.find("\"pitch\"", at + 1)) ++count;
        return count;
    };
    EXPECT_EQ(notes(stray), notes(fixed));
}

}  // namespace
}  // namespace skirlo::clitest
