// The shipped profile's symbol map against the names the builder treats by
// their letters, and the bundled example tunes against the shipped map.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/NotationTestSupport.h"

namespace skirlo {
namespace {

const std::string kResources = SKIRLO_RESOURCE_DIR;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(DefaultProfile, MapHoldsTheNamesWithFixedMeaning) {
    RecordingMessageSink sink;
    SymbolMap map;
    map.load(*IniProfile::open(kResources + "/QTN32.INI"), sink);
    EXPECT_TRUE(sink.messages().empty());
    const std::vector<std::pair<std::string_view, std::int32_t>> fixed = {
        {"&", CAT_G_CLEF},          {"!", CAT_BAR},          {"^ts", CAT_TIES_START},
        {"^te", CAT_TIES_END},      {"^3s", CAT_RUNS_OF_3_START}, {"^3e", CAT_RUNS_OF_3_END},
        {"fine", CAT_SIGN_REPEAT},  {"coda", CAT_SIGN_REPEAT},    {"dalsegno", CAT_SIGN_REPEAT},
        {"dacapoalfine", CAT_SIGN_REPEAT}, {"dacapoalcoda", CAT_SIGN_REPEAT}, {"_'", CAT_END_TIMELINE},
    };
    for (const auto& [name, category] : fixed) {
        const SymbolMap::Lookup found = map.find(name);
        ASSERT_NE(found.entry, nullptr) << name;
        EXPECT_EQ(found.entry->category, category) << name;
    }
    for (std::string_view name : {"'1", "'2", "'22", "'28", "'224", "'intro"}) {
        const SymbolMap::Lookup found = map.find(name);
        ASSERT_NE(found.entry, nullptr) << name;
        EXPECT_EQ(found.entry->category, CAT_START_TIMELINE) << name;
    }
    for (std::string_view name : {"!t", "I!", "!I", "I!''", "''!I", "codasection"}) {
        EXPECT_NE(map.find(name).entry, nullptr) << name;
    }
    EXPECT_EQ(map.find("_bs").entry, nullptr);
}

TEST(DefaultProfile, ExampleTunesUseOnlyMappedNames) {
    RecordingMessageSink loading;
    test::NotationBuild build;
    build.symbols.load(*IniProfile::open(kResources + "/QTN32.INI"), loading);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kResources + "/examples")) {
        if (entry.path().extension() != ".tnz") continue;
        ++files;
        build.messages.clear();
        const auto tunes = build.build(readFile(entry.path()));
        ASSERT_FALSE(tunes.empty()) << entry.path();
        for (const auto& tune : tunes) EXPECT_FALSE(tune->parts.empty()) << entry.path();
        for (const auto& message : build.messages.messages()) ADD_FAILURE() << entry.path() << ": " << message.text;
    }
    EXPECT_GE(files, 1);
}

}  // namespace
}  // namespace skirlo
