// Usage mistakes named, help for every command, and nothing on standard
// error that the user did not ask for.

#include "CliRunner.h"

namespace {

using namespace skirlo::clitest;

const std::string kExample = SKIRLO_RESOURCE_DIR "/examples/heather-brae.tnz";

class CliUsageTest : public CliTest {
protected:
    // Runs a command that must fail as a usage mistake; returns its first line.
    std::string mistake(const std::string& arguments) {
        const CliRun result = run(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("\nusage: skirlo-cli "), std::string::npos) << result.err;
        EXPECT_EQ(workFiles(), "") << arguments;
        return result.err.substr(0, result.err.find('\n'));
    }
};

TEST_F(CliUsageTest, EachMistakeIsNamed) {
    const std::string out = " -o " + (work() / "x.png").string();
    EXPECT_EQ(mistake("image " + kExample + out + " --zom 50"), "skirlo-cli image: Unknown option 'zom'.");
    EXPECT_EQ(mistake("image " + kExample + out + " extra.tnz"), "skirlo-cli image: unexpected argument 'extra.tnz'");
    EXPECT_EQ(mistake("image " + out), "skirlo-cli image: missing FILE");
    EXPECT_EQ(mistake("image " + kExample), "skirlo-cli image: missing -o OUT");
    EXPECT_EQ(mistake("image " + kExample + out + " --zoom"), "skirlo-cli image: Missing value after '--zoom'.");
    for (const std::string zoom : {"0.5", "abc", "nan", "1e9", "0", "1001", "50x", " 50"}) {
        EXPECT_EQ(mistake("image " + kExample + out + " --zoom '" + zoom + "'"),
                  "skirlo-cli image: --zoom takes a whole percent from 1 to 1000, not '" + zoom + "'");
    }
    EXPECT_EQ(mistake("wav " + kExample + " -o x.wav --volumes 127,77"),
              "skirlo-cli wav: --volumes takes three numbers 0-127, as in 127,77,38, not '127,77'");
    EXPECT_EQ(mistake("devices extra"), "skirlo-cli devices: unexpected argument 'extra'");
}

TEST_F(CliUsageTest, AnOptionWithAnEqualsSignIsTakenAsItsValue) {
    const CliRun result = run("image " + kExample + " --zoom=50 --output=" + (work() / "x.png").string());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(fs::exists(work() / "x.png"));
}

TEST_F(CliUsageTest, EveryCommandDescribesItselfAndEachOption) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
        {"tree", {}},
        {"normalize", {"--output"}},
        {"events", {"--speaker"}},
        {"midi", {"--output"}},
        {"image", {"--output", "--zoom", "--format"}},
        {"wav", {"--output", "--volumes"}},
        {"devices", {}},
        {"play", {"--device"}},
        {"print", {"--output", "--paper", "--dpi"}},
        {"specimen", {"--output", "--zoom"}}};
    for (const auto& [command, options] : commands) {
        const CliRun help = run(command + " --help");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.err, "");
        EXPECT_EQ(help.out.rfind("usage: skirlo-cli " + command, 0), 0u) << help.out;
        for (const std::string& option : options) EXPECT_NE(help.out.find(option), std::string::npos) << command;
        EXPECT_NE(help.out.find("--profile FILE"), std::string::npos);
        // The program's own list names every command.
        EXPECT_NE(run("--help").out.find("skirlo-cli " + command), std::string::npos) << command;
    }
    const CliRun version = run("--version");
    EXPECT_EQ(version.out.rfind("skirlo-cli ", 0), 0u);
}

TEST_F(CliUsageTest, TheExamplesPrintNothingButWhatWasAskedFor) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(SKIRLO_RESOURCE_DIR "/examples")) {
        if (entry.path().extension() != ".tnz") continue;
        ++files;
        const std::string in = entry.path().string();
        const std::vector<std::string> runs = {"tree " + in, "events " + in, "midi " + in + " -o x.mid",
                                               "image " + in + " -o x.svg", "image " + in + " -o x.pcx",
                                               "normalize " + in + " -o x.tnz"};
        for (const std::string& arguments : runs) {
            // Without a desktop session, as on a server.
            const CliRun result = run(arguments, "cd " + work().string() + " && env -u XDG_RUNTIME_DIR -u DISPLAY");
            EXPECT_EQ(result.status, 0) << arguments;
            EXPECT_EQ(result.err, "") << arguments;
        }
    }
    EXPECT_EQ(files, 6);
}

TEST_F(CliUsageTest, TheReadmeListsEveryCommandAsTheProgramDescribesIt) {
    const std::string readme = readFile(SKIRLO_SOURCE_DIR "/README.md");
    std::istringstream help(run("--help").out);
    int commands = 0;
    for (std::string line; std::getline(help, line);) {
        if (line.rfind("  skirlo-cli ", 0) != 0) continue;
        ++commands;
        // A table cell spells the usage with its bars escaped.
        std::string cell;
        for (char c : line.substr(2)) cell += c == '|' ? std::string("\\|") : std::string(1, c);
        EXPECT_NE(readme.find("| `" + cell + "` |"), std::string::npos) << "README lacks the row of: " << line;
    }
    EXPECT_GE(commands, 10);
}

}  // namespace
