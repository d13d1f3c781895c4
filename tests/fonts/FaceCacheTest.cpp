// Text faces found through fontconfig are remembered between runs, and only
// while nothing they depend on has changed.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "fonts/FaceLookup.h"

namespace skirlo {
namespace {

namespace fs = std::filesystem;

// Runs each test with a home folder of its own, where a user's fontconfig
// files would be, and puts the real one back afterwards.
class FaceCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("skirlo-faces-" + std::to_string(::getpid()));
        fs::create_directories(folder / "home");
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "FC_LANG"}) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
        ::setenv("HOME", (folder / "home").c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1); else ::unsetenv(name.c_str());
        }
        fs::remove_all(folder);
    }

    // A new lookup, as a new run of a command makes: the face found, and
    // whether fontconfig's configuration had to be read for it.
    std::pair<std::optional<FaceLocation>, bool> lookUp(const std::string& family = "Times New Roman") {
        FaceLookup lookup(cacheFile());
        const std::optional<FaceLocation> face = lookup.find(family, 700, false);
        return {face, lookup.readConfiguration()};
    }
    fs::path cacheFile() const { return folder / "cache" / "faces"; }

    fs::path folder;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST_F(FaceCacheTest, AFaceIsFoundOnceAndThenTakenFromTheCacheUntilWhatItDependsOnChanges) {
    const auto [first, readFirst] = lookUp();
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(readFirst);
    const auto [again, readAgain] = lookUp();
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->file, first->file);
    EXPECT_FALSE(readAgain) << "the cache was not used";

    // Another family is asked of fontconfig and joins the cache.
    EXPECT_TRUE(lookUp("DejaVu Sans").second);
    EXPECT_FALSE(lookUp("DejaVu Sans").second);
    EXPECT_FALSE(lookUp().second);

    // A user configuration that appears, or a language asked for, may
    // change every answer.
    fs::create_directories(folder / "home" / ".config" / "fontconfig" / "conf.d");
    EXPECT_TRUE(lookUp().second);
    EXPECT_FALSE(lookUp().second);
    ::setenv("FC_LANG", "de", 1);
    EXPECT_TRUE(lookUp().second);
}

TEST_F(FaceCacheTest, AnUnreadableCacheIsIgnoredAndWrittenAnew) {
    const std::optional<FaceLocation> expected = lookUp().first;
    ASSERT_TRUE(expected.has_value());
    for (const std::string& garbage : {std::string("skirlo face cache 1\nenv HOME=/elsewhere\n"),
                                      std::string("skirlo face cache 1\n\0\0\0", 23), std::string("face\tpath\n")}) {
        std::ofstream(cacheFile(), std::ios::binary | std::ios::trunc) << garbage;
        const auto [face, read] = lookUp();
        ASSERT_TRUE(face.has_value());
        EXPECT_EQ(face->file, expected->file);
        EXPECT_TRUE(read);
        EXPECT_FALSE(lookUp().second) << "the cache was not written anew";
    }
}

}  // namespace
}  // namespace skirlo
