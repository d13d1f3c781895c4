#include "tunefile/TuneFileIO.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "tunefile/ScriptText.h"

using namespace skirlo;
namespace fs = std::filesystem;

namespace {

class TuneFileIOTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("skirlo_tunefile_io_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(folder, ignored);
    }
    std::string path(const std::string& name) const { return (folder / name).string(); }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }
    static void writeRaw(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    fs::path folder;
};

}  // namespace

TEST_F(TuneFileIOTest, EveryTextByteValueRoundTripsWithoutAddedLineEnd) {
    std::string bytes;
    for (int round = 0; round < 3; ++round) {
        for (int c = 1; c < 256; ++c) bytes += static_cast<char>(c);
    }
    bytes += "& sharpf sharpc";
    std::string error;
    ASSERT_TRUE(saveTuneFile(path("t.tnz"), bytes, error)) << error;
    EXPECT_EQ(fs::file_size(path("t.tnz")), bytes.size());
    TuneFileLoad loaded = loadTuneFile(path("t.tnz"));
    ASSERT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(loaded.bytes, bytes);
    EXPECT_EQ(entries(), 1u) << "no temporary file is left behind";
}

TEST_F(TuneFileIOTest, SizeLimitIsInclusiveAndLargerFilesAreRefused) {
    writeRaw(path("max.tnz"), std::string(ScriptText::kMaxSize, 'a'));
    EXPECT_TRUE(loadTuneFile(path("max.tnz")).ok);
    writeRaw(path("big.tnz"), std::string(ScriptText::kMaxSize + 1, 'a'));
    TuneFileLoad big = loadTuneFile(path("big.tnz"));
    EXPECT_FALSE(big.ok);
    EXPECT_EQ(big.error, "The file is too large to open.");
    EXPECT_TRUE(big.bytes.empty());
}

TEST_F(TuneFileIOTest, UnreadableFilesAreReportedNotLoaded) {
    TuneFileLoad missing = loadTuneFile(path("none.tnz"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find(path("none.tnz")), std::string::npos);
    TuneFileLoad directory = loadTuneFile(folder.string());
    EXPECT_FALSE(directory.ok);
    EXPECT_FALSE(directory.error.empty());
}

TEST_F(TuneFileIOTest, ReplacingKeepsTheOldFileWhenWritingFails) {
    std::string error;
    EXPECT_FALSE(saveTuneFile(path("no/such/folder/t.tnz"), "x", error));
    EXPECT_FALSE(error.empty());

    writeRaw(path("ro.tnz"), "original");
    fs::permissions(path("ro.tnz"), fs::perms::owner_read | fs::perms::group_read);
    error.clear();
    EXPECT_FALSE(saveTuneFile(path("ro.tnz"), "new", error));
    EXPECT_NE(error.find("read-only"), std::string::npos);
    EXPECT_EQ(loadTuneFile(path("ro.tnz")).bytes, "original");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(TuneFileIOTest, SavingOverAnExistingFileKeepsItsPermissions) {
    writeRaw(path("t.tnz"), "old contents that are longer");
    fs::permissions(path("t.tnz"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    std::string error;
    ASSERT_TRUE(saveTuneFile(path("t.tnz"), "new", error)) << error;
    EXPECT_EQ(loadTuneFile(path("t.tnz")).bytes, "new");
    EXPECT_EQ(fs::status(path("t.tnz")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
}
