#pragma once
// Our vector pictures beside our own PNG: each example tune drawn as a
// vector file, rasterized by another program and compared pixel by pixel.

#include <gtest/gtest.h>

#include <QImage>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "export/MusicImage.h"
#include "support/EngravingTestSupport.h"
#include "support/FileTestSupport.h"

namespace skirlo::test {

inline bool haveProgram(const std::string& name) {
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

// Pixels whose grey levels differ by more than half the range: a line or a
// glyph that is in one picture and not in the other, not a softer edge.
inline int inkDifferences(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int differences = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            differences += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 128 ? 1 : 0;
        }
    }
    return differences;
}

// A fixture with a folder of its own for the files it writes.
class PictureTest : public ::testing::Test {
protected:
    using Picture = std::function<std::string(const LaidOutMusic&)>;
    // The shell command that rasterizes `file` into `png` at 96 dpi.
    using Rasterizer = std::function<std::string(const std::filesystem::path& file, const std::filesystem::path& png)>;

    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("skirlo-picture-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Every example tune drawn by `picture` into music`extension` and
    // rasterized must be our PNG of it but for a few pixels, where
    // anti-aliasing shades edges differently; `check` may look at each file.
    void expectExamplesRasterizeLikeOurPng(const std::string& extension, const Picture& picture,
                                           const Rasterizer& rasterize,
                                           const std::function<void(const std::filesystem::path&)>& check = {}) {
        int examples = 0;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(SKIRLO_RESOURCE_DIR) /
                                                                      "examples")) {
            if (entry.path().extension() != ".tnz") continue;
            ++examples;
            const LaidOutMusic& music = engraving.layOut(readFile(entry.path()));
            const std::filesystem::path file = folder / ("music" + extension);
            const std::filesystem::path png = folder / "music.png";
            std::ofstream(file, std::ios::binary) << picture(music);
            const std::string command = rasterize(file, png);
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            const QImage drawn(QString::fromStdString(png.string()));
            const QImage ours = renderPicture(music.tunes, music.extent, renderer);
            ASSERT_EQ(drawn.size(), ours.size()) << entry.path();
            EXPECT_LE(inkDifferences(drawn, ours), 5) << entry.path();
            if (check) check(file);
        }
        EXPECT_GE(examples, 5);
    }

    std::filesystem::path folder;
    Engraving engraving;
    MusicRenderer renderer{0x0000FF};
};

}  // namespace skirlo::test
