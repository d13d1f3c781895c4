// What skirlo-cli leaves on disk: the file asked for, complete, or nothing
// at all, with an exit status and a message that say so.

#include <sys/stat.h>

#include <csignal>
#include <thread>

#include "CliRunner.h"

namespace {

using namespace skirlo::clitest;

const std::string kExample = SKIRLO_RESOURCE_DIR "/examples/heather-brae.tnz";

std::string commandFor(const std::string& out) {
    const std::string extension = fs::path(out).extension().string();
    return extension == ".mid" ? "midi" : extension == ".wav" ? "wav" : extension == ".tnz" ? "normalize" : "image";
}

class CliOutputTest : public CliTest {};

TEST_F(CliOutputTest, AFullDiskFailsEveryFormatAndLeavesNothing) {
    // Two kilobytes: less than any of these files needs.
    for (const std::string out : {"x.svg", "x.pdf", "x.png", "x.pcx", "x.bmp", "x.mid", "x.wav"}) {
        const fs::path path = work() / out;
        const CliRun result = run(commandFor(out) + " " + kExample + " -o " + path.string(), "ulimit -f 4;");
        EXPECT_EQ(result.status, 1) << out;
        EXPECT_NE(result.err.find("Unable to write to " + path.string() + ": File too large."), std::string::npos)
            << result.err;
        EXPECT_EQ(result.err.find("Write Error"), std::string::npos) << result.err;
        EXPECT_EQ(workFiles(), "") << out;
    }
}

TEST_F(CliOutputTest, AFailedReplacementKeepsTheOldFile) {
    const fs::path path = work() / "x.svg";
    writeFile(path, "the old picture");
    EXPECT_EQ(run("image " + kExample + " -o " + path.string(), "ulimit -f 4;").status, 1);
    EXPECT_EQ(readFile(path), "the old picture");
    EXPECT_EQ(workFiles(), "x.svg ");
}

TEST_F(CliOutputTest, ReplacingKeepsALinkAndThePermissionsOfItsFile) {
    fs::create_directory(work() / "real");
    for (const std::string out : {"x.svg", "x.pcx", "x.mid", "x.tnz"}) {
        const fs::path real = work() / "real" / out;
        const fs::path link = work() / out;
        writeFile(real, "old");
        fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
        fs::create_symlink(real, link);
        const CliRun result = run(commandFor(out) + " " + kExample + " -o " + link.string());
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(fs::is_symlink(link)) << out;
        EXPECT_NE(readFile(real), "old") << out;
        struct stat info {};
        ASSERT_EQ(::stat(real.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << out;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(work() / "real"), {}), 4);
}

TEST_F(CliOutputTest, AnExtensionThatNamesNoFormatIsAUsageMistake) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"image", "x.jpg"}, {"image", "x"}, {"midi", "x.wav"}, {"wav", "x.mp3"}};
    for (const auto& [command, out] : cases) {
        const CliRun result = run(command + " " + kExample + " -o " + (work() / out).string());
        EXPECT_EQ(result.status, 1) << out;
        EXPECT_NE(result.err.find("cannot tell the format of '" + (work() / out).string() + "'"), std::string::npos);
        EXPECT_NE(result.err.find(command == "image" ? ".pcx, .bmp, .png, .svg or .pdf"
                                  : command == "midi" ? ".mid or .midi"
                                                      : ".wav"),
                  std::string::npos)
            << result.err;
        EXPECT_EQ(workFiles(), "") << out;
    }
}

TEST_F(CliOutputTest, DashWritesToStandardOutputAndLeavesNoTemporary) {
    const fs::path file = work() / "x.svg";
    ASSERT_EQ(run("image " + kExample + " -o " + file.string()).status, 0);
    const CliRun svg = run("image " + kExample + " -o - --format svg");
    EXPECT_EQ(svg.status, 0) << svg.err;
    EXPECT_EQ(svg.out, readFile(file));
    EXPECT_EQ(svg.err, "");
    const CliRun midi = run("midi " + kExample + " -o -");
    EXPECT_EQ(midi.out.substr(0, 4), "MThd");
    const CliRun text = run("normalize " + kExample + " -o -");
    EXPECT_EQ(text.out, readFile(kExample));
    EXPECT_EQ(workFiles(), "x.svg ");
    EXPECT_EQ(workFiles(dir_ / "tmp").find("skirlo-cli-"), std::string::npos);
}

TEST_F(CliOutputTest, FilesWithoutMusicMakeNoPictureAndNoPerformance) {
    for (const std::string text : {"", "X:1\nT:A Reel\nK:D\n|:ABcd efge:|\n", "Dear Sir,\r\nThe pipes came.\r\n"}) {
        const std::string in = input(text);
        for (const std::string out : {"x.png", "x.mid", "x.wav"}) {
            const CliRun result = run(commandFor(out) + " " + in + " -o " + (work() / out).string());
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.err, in + ": no music found\n");
        }
        EXPECT_EQ(workFiles(), "in.tnz ");
        // The commands that show the file as it is still take it.
        EXPECT_EQ(run("tree " + in).status, 0);
    }
}

TEST_F(CliOutputTest, AnUnknownSymbolIsShownOnceAtEachPlaceAndNothingIsWritten) {
    const std::string in = input("Chantrel:1.0\r\n" + tune("& LA_4 ! ZZZ_4 ! B_4 ! ZZZ_4 !t"));
    for (const std::string out : {"x.png", "x.mid"}) {
        const CliRun result = run(commandFor(out) + " " + in + " -o " + (work() / out).string());
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, in + ":3:10: Symbol Error: Symbol ZZZ_4 could not be found in map!\n" + in +
                                  ":3:24: Symbol Error: Symbol ZZZ_4 could not be found in map!\nskirlo-cli: " +
                                  (work() / out).string() + " not written: the music of " + in + " has errors\n");
    }
    EXPECT_EQ(workFiles(), "in.tnz ");
}

TEST_F(CliOutputTest, InterruptingALongWavLeavesNoTemporary) {
    // A drone introduction of twenty minutes renders for a good while.
    std::string text = readFile(kExample);
    const std::string instruments = "InstrumentMappings,(71,71,45,33,1000,";
    text.replace(text.find(instruments), instruments.size(), "InstrumentMappings,(71,71,45,33,1200000,");
    const std::string in = input(text);
    const fs::path out = work() / "long.wav";
    for (int signal : {SIGINT, SIGTERM}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::execl(SKIRLO_CLI, SKIRLO_CLI, "wav", in.c_str(), "-o", out.c_str(), "--profile", profile_.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Until the temporary is there and growing.
        for (int i = 0; i < 200 && workFiles().find("long.wav.") == std::string::npos; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_NE(workFiles().find("long.wav."), std::string::npos);
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        EXPECT_EQ(workFiles(), "in.tnz ");
    }
}

TEST_F(CliOutputTest, AWavOfHoursShowsItsProgressOnATerminalAndStopsAtTheDiskLimit) {
    // A drone introduction of 24,000 seconds: four gigabytes of sound, far
    // more than the one megabyte this run may write.
    std::string text = readFile(kExample);
    const std::string instruments = "InstrumentMappings,(71,71,45,33,1000,";
    text.replace(text.find(instruments), instruments.size(), "InstrumentMappings,(71,71,45,33,24000000,");
    const std::string in = input(text);
    const fs::path out = work() / "long.wav";
    const fs::path log = dir_ / "terminal";
    // `script` gives the command a terminal, where progress is shown.
    const std::string command = "ulimit -f 1024; TMPDIR=" + (dir_ / "tmp").string() + " script -qec '" SKIRLO_CLI
                                " wav " + in + " -o " + out.string() + " --profile " + profile_ + "' /dev/null >" +
                                log.string() + " 2>&1";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    const std::string shown = readFile(log);
    EXPECT_NE(shown.find("Saving \"long.wav\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("Saving Progress [0%]"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Unable to write to " + out.string() + ": File too large."), std::string::npos) << shown;
    EXPECT_EQ(workFiles(), "in.tnz ");
}

TEST_F(CliOutputTest, DevicesSaysInOneLineWhenThereIsNoSequencer) {
    const CliRun result = run("devices");
    EXPECT_EQ(result.status, 0) << result.err;
    // The built-in synthesizer and the speaker are there with or without ALSA MIDI.
    EXPECT_NE(result.out.find("PC Speaker\n"), std::string::npos) << result.out;
    const bool sequencer = fs::exists("/dev/snd/seq");
    EXPECT_EQ(result.err, sequencer ? "" : "skirlo-cli: no ALSA sequencer, so no MIDI ports are listed; the devices "
                                           "above still play\n");
}

}  // namespace
