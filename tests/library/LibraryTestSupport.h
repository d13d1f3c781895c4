#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
// A library in a scratch folder, read with the real profile's symbol map.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

#include "GeneratedTunes.h"
#include "common/MessageSink.h"
#include "library/LibraryIndex.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"

namespace skirlo::test {

inline const SymbolMap& realSymbols() {
    static const SymbolMap* map = [] {
        auto* symbols = new SymbolMap;
        RecordingMessageSink sink;
        symbols->load(*IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI"), sink);
        return symbols;
    }();
    return *map;
}

class LibraryFixture : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::temp_directory_path() /
               ("skirlo-library-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "tunes");
        tunes = (root / "tunes").string();
        database = (root / "library.sqlite").string();
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    std::unique_ptr<LibraryIndex> openIndex() { return std::make_unique<LibraryIndex>(database, realSymbols()); }

    std::filesystem::path root;
    std::string tunes;
    std::string database;
};

}  // namespace skirlo::test

namespace skirlo::test {

inline std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs skirlo-cli with the arguments; standard error joins standard output, after it.
struct CliRun {
    int status = -1;
    std::string out;
};
inline CliRun runCli(const std::string& arguments) {
    CliRun run;
    const std::string command = std::string(SKIRLO_CLI) + " " + arguments + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace skirlo::test
