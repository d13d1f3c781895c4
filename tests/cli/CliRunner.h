#pragma once
// skirlo-cli run as a user runs it, in a folder of its own per test.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace skirlo::clitest {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// A tune of one title and the given music.
inline std::string tune(const std::string& music) {
    return "\"A Tune\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n" + music;
}

// The output of a shell command.
inline std::string shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// The page count pdfinfo reads; -1 when it cannot read the file.
inline int pdfPages(const fs::path& pdf) {
    std::smatch match;
    const std::string info = shell("pdfinfo " + pdf.string() + " 2>/dev/null");
    return std::regex_search(info, match, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(match[1]) : -1;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("skirlo-cli-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "work");
        fs::create_directories(dir_ / "tmp");
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs `sh -c "SHELL_PREFIX skirlo-cli ARGUMENTS --profile ..."`; the
    // output is captured outside the working folder `work()`, temporary
    // files go to a folder of their own.
    CliRun run(const std::string& arguments, const std::string& shellPrefix = "") {
        const fs::path out = dir_ / "stdout";
        const fs::path err = dir_ / "stderr";
        // The profile goes right after the command word, so that the arguments
        // end as the test wrote them.
        const std::size_t word = std::min(arguments.find(' '), arguments.size());
        const std::string command = shellPrefix + " TMPDIR=" + (dir_ / "tmp").string() + " " + SKIRLO_CLI + " " +
                                    arguments.substr(0, word) + " --profile " + profile_ + arguments.substr(word) +
                                    " >" + out.string() + " 2>" + err.string();
        CliRun result;
        const int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = readFile(out);
        result.err = readFile(err);
        return result;
    }

    // Writes `text` as a tune file in the working folder; returns its path.
    std::string input(const std::string& text, const std::string& name = "in.tnz") {
        writeFile(work() / name, text);
        return (work() / name).string();
    }

    // The names in the working folder (or another), sorted.
    std::string workFiles(const fs::path& folder = {}) const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.empty() ? work() : folder)) {
            names.insert(entry.path().filename().string());
        }
        std::string list;
        for (const std::string& name : names) list += name + " ";
        return list;
    }

    fs::path work() const { return dir_ / "work"; }

    fs::path dir_;
    std::string profile_ = SKIRLO_RESOURCE_DIR "/QTN32.INI";
};

}  // namespace skirlo::clitest
