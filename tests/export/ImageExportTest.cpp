// The example tunes drawn and written as every image format, read back by
// programs we did not write (ImageMagick, poppler), and the image command.

#include <gtest/gtest.h>

#include <QBuffer>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/ImageCommand.h"
#include "common/MessageSink.h"
#include "export/ExportProgress.h"
#include "export/ImageWriters.h"
#include "engraving/InkBoxes.h"
#include "export/MusicImage.h"
#include "support/EngravingTestSupport.h"
#include "support/FileTestSupport.h"

namespace skirlo {
namespace {

namespace fs = std::filesystem;


std::vector<fs::path> exampleTunes() {
    std::vector<fs::path> tunes;
    for (const auto& entry : fs::directory_iterator(fs::path(SKIRLO_RESOURCE_DIR) / "examples")) {
        if (entry.path().extension() == ".tnz") tunes.push_back(entry.path());
    }
    std::sort(tunes.begin(), tunes.end());
    return tunes;
}

bool haveProgram(const char* name) {
    return std::system((std::string("command -v ") + name + " > /dev/null 2>&1").c_str()) == 0;
}

// The picture as ImageMagick reads it, as a binary PBM (1 = black).
struct Pbm {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;
    bool black(int x, int y) const {
        const std::size_t row = (static_cast<std::size_t>(width) + 7) / 8;
        return (bits[static_cast<std::size_t>(y) * row + static_cast<std::size_t>(x / 8)] >> (7 - x % 8) & 1) != 0;
    }
};

Pbm readBack(const fs::path& image, const fs::path& pbm) {
    const std::string command = "convert '" + image.string() + "' pbm:'" + pbm.string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    const std::string data = test::readFile(pbm);
    // Binary PBM: "P4", width, height, one blank, then rows of packed bits.
    Pbm result;
    std::size_t at = 2;
    int numbers[2] = {0, 0};
    if (data.compare(0, 2, "P4") != 0) return result;
    for (int& number : numbers) {
        while (at < data.size() && std::isspace(static_cast<unsigned char>(data[at]))) ++at;
        while (at < data.size() && std::isdigit(static_cast<unsigned char>(data[at])))
            number = number * 10 + (data[at++] - '0');
    }
    ++at;  // the single blank before the bits
    result.width = numbers[0];
    result.height = numbers[1];
    const std::size_t size = (static_cast<std::size_t>(result.width) + 7) / 8 * static_cast<std::size_t>(result.height);
    if (at + size > data.size()) return Pbm{};
    result.bits.assign(data.begin() + static_cast<std::ptrdiff_t>(at),
                       data.begin() + static_cast<std::ptrdiff_t>(at + size));
    return result;
}

int differencesFrom(const Pbm& read, const MonoBitmap& bitmap) {
    if (read.width != bitmap.width || read.height != bitmap.height) return -1;
    int differences = 0;
    for (int y = 0; y < bitmap.height; ++y) {
        for (int x = 0; x < bitmap.width; ++x) differences += read.black(x, y) == bitmap.isWhite(x, y) ? 1 : 0;
    }
    return differences;
}

class ImageExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("skirlo-export-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    const LaidOutMusic& layOutExample(const fs::path& tune) { return engraving.layOut(test::readFile(tune)); }

    fs::path folder;
    test::Engraving engraving;
    MusicRenderer renderer{0x0000FF};
};

TEST_F(ImageExportTest, BitmapsOfEveryExampleReadBackPixelForPixel) {
    if (!haveProgram("convert")) GTEST_SKIP() << "ImageMagick is not installed";
    const std::vector<fs::path> tunes = exampleTunes();
    ASSERT_FALSE(tunes.empty());
    for (const fs::path& tune : tunes) {
        const LaidOutMusic& music = layOutExample(tune);
        const MonoBitmap bitmap = renderMonoBitmap(music.tunes, music.extent, renderer);
        ASSERT_EQ(bitmap.width, music.extent.width);
        ASSERT_EQ(bitmap.height, music.extent.height);
        int blackPixels = 0;
        for (int y = 0; y < bitmap.height; ++y) {
            for (int x = 0; x < bitmap.width; ++x) blackPixels += bitmap.isWhite(x, y) ? 0 : 1;
        }
        // Music, not a blank page, and not a black one.
        EXPECT_GT(blackPixels, bitmap.width * bitmap.height / 50) << tune;
        EXPECT_LT(blackPixels, bitmap.width * bitmap.height / 3) << tune;

        for (const char* extension : {".bmp", ".pcx"}) {
            const fs::path image = folder / (tune.stem().string() + extension);
            SilentProgress progress;
            RecordingMessageSink messages;
            std::string error;
            ASSERT_EQ(writeMonoImage(bitmap, imageFormatForPath(image.string()), image, PcxDevice{}, progress, messages,
                                     error),
                      WriteOutcome::Written)
                << error;
            const Pbm read = readBack(image, folder / "read.pbm");
            ASSERT_EQ(read.width, bitmap.width) << image;
            ASSERT_EQ(read.height, bitmap.height) << image;
            const int differences = differencesFrom(read, bitmap);
            if (std::string(extension) == ".bmp") {
                EXPECT_EQ(differences, 0) << image;
            } else {
                // ImageMagick 6 ignores the palette of a 1-bit PCX and shows
                // set bits black: the same pixels, every one inverted.
                EXPECT_TRUE(differences == 0 || differences == bitmap.width * bitmap.height) << image;
            }
            if (std::string(extension) == ".pcx" && haveProgram("pcxtoppm")) {
                // Netpbm reads the palette: bit 1 is white, as we write it.
                const fs::path ppm = folder / "netpbm.ppm";
                const std::string command = "pcxtoppm '" + image.string() + "' > '" + ppm.string() + "' 2>/dev/null";
                ASSERT_EQ(std::system(command.c_str()), 0);
                EXPECT_EQ(differencesFrom(readBack(ppm, folder / "netpbm.pbm"), bitmap), 0) << image;
            }
        }
    }
}

TEST_F(ImageExportTest, CommandWritesEveryFormatOfEveryExample) {
    const bool identify = haveProgram("identify");
    for (const fs::path& tune : exampleTunes()) {
        const fs::path copy = folder / tune.filename();
        fs::copy_file(tune, copy);
        for (const char* extension : {".png", ".svg", ".pdf", ".pcx", ".bmp"}) {
            const fs::path out = folder / (tune.stem().string() + extension);
            ASSERT_EQ(runRasterImage({copy.string(), "-o", out.string()}), 0) << out;
            const std::string bytes = test::readFile(out);
            ASSERT_GT(bytes.size(), 100u) << out;
            const std::string ext = extension;
            if (ext == ".png") {
                EXPECT_EQ(bytes.substr(1, 3), "PNG");
            }
            if (ext == ".svg") {
                EXPECT_NE(bytes.find("<svg"), std::string::npos);
            }
            if (ext == ".pdf") {
                EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
            }
            if (ext == ".bmp") {
                EXPECT_EQ(bytes.substr(0, 2), "BM");
            }
            if (ext == ".pcx") {
                EXPECT_EQ(bytes[0], '\x0A') << out;
            }
        }
        if (identify) {
            const LaidOutMusic& music = layOutExample(copy);
            const std::string command = "identify -format '%w %h' '" +
                                        (folder / (tune.stem().string() + ".png")).string() + "' > '" +
                                        (folder / "size.txt").string() + "'";
            ASSERT_EQ(std::system(command.c_str()), 0);
            const Extent picture = pictureSize(music.tunes, music.extent);
            EXPECT_EQ(test::readFile(folder / "size.txt"),
                      std::to_string(picture.width) + " " + std::to_string(picture.height));
        }
    }
}

TEST_F(ImageExportTest, PicturesHaveAWhiteMarginOfTwoStaffSpacesAndBitmapsNone) {
    for (const fs::path& tune : exampleTunes()) {
        const LaidOutMusic& music = layOutExample(tune);
        const StaffLayout& staff = *test::stavesOf(*music.tunes.front()).front();
        const int margin = 2 * (staff.lineY[1] - staff.lineY[0]);
        const QImage picture = renderPicture(music.tunes, music.extent, renderer);
        ASSERT_EQ(picture.width(), music.extent.width + 2 * margin) << tune;
        ASSERT_EQ(picture.height(), music.extent.height + 2 * margin) << tune;
        // Nothing in the margin, and the music's first row of ink (the title)
        // just inside it.
        int firstInk = -1;
        for (int y = 0; y < picture.height() && firstInk < 0; ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (qGray(picture.pixel(x, y)) < 128) {
                    firstInk = y;
                    break;
                }
            }
        }
        EXPECT_GE(firstInk, margin) << tune;
        EXPECT_LT(firstInk, margin + staff.lineY[1] - staff.lineY[0]) << tune;
        const MonoBitmap bitmap = renderMonoBitmap(music.tunes, music.extent, renderer);
        EXPECT_EQ(bitmap.width, music.extent.width) << tune;
    }
}

// Every ceol mor movement is drawn as one beamed group, at zoom 100 and 200:
// above its notes a row of ink runs unbroken across nearly its whole width,
// from its first gracenote's stem to its last (gracenotes flagged one by one
// leave no such row).
TEST_F(ImageExportTest, EveryCeolMorMovementIsOneBeamedGroup) {
    const std::vector<std::string> movements{"crun",    "crunb",   "crunlg",    "crunamb",   "crunamc",  "crunamd",
                                             "crunfosgb", "crunfosgc", "crunfosgd", "taramb", "taramc", "taramd",
                                             "tarlg",   "dre",     "dare",      "bari"};
    std::string text = "Chantrel:1.0\r\n\r\n& sharpf sharpc 4_4 I!";
    for (const std::string& name : movements) text += " " + name + " E_4";
    text += " !I\r\n";
    for (const int zoom : {100, 200}) {
        LayoutSettings settings;
        settings.zoom = zoom;
        const LaidOutMusic& music = engraving.layOut(text, settings);
        const QImage picture = renderPicture(music.tunes, music.extent, renderer);
        std::size_t checked = 0;
        for (const StaffLayout* staff : test::stavesOf(*music.tunes.front())) {
            const int margin = 2 * (staff->lineY[1] - staff->lineY[0]);
            for (const auto& bar : staff->bars) {
                for (std::size_t index = 0; index < bar->symbols.size(); ++index) {
                    const std::string& name = bar->symbols[index]->name;
                    if (std::find(movements.begin(), movements.end(), name) == movements.end()) continue;
                    ++checked;
                    Rect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
                    for (const Rect& r : inkOf(renderer, *bar, index, *staff).all) {
                        box = {std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
                               std::max(box.bottom, r.bottom)};
                    }
                    int longest = 0;
                    for (int y = box.top; y < box.bottom; ++y) {
                        int run = 0;
                        for (int x = box.left; x < box.right; ++x) {
                            run = qGray(picture.pixel(x + margin, y + margin)) < 128 ? run + 1 : 0;
                            longest = std::max(longest, run);
                        }
                    }
                    EXPECT_GE(longest * 10, (box.right - box.left) * 7) << name << " at zoom " << zoom;
                }
            }
        }
        EXPECT_EQ(checked, movements.size()) << "zoom " << zoom;
    }
}

TEST_F(ImageExportTest, PdfPageIsTheMusicExtentWithItsMargin) {
    if (!haveProgram("pdfinfo")) GTEST_SKIP() << "poppler is not installed";
    const fs::path tune = exampleTunes().front();
    const fs::path out = folder / "tune.pdf";
    ASSERT_EQ(runRasterImage({tune.string(), "-o", out.string()}), 0);
    const LaidOutMusic& music = layOutExample(tune);
    const std::string command =
        "pdfinfo '" + out.string() + "' | grep 'Page size' > '" + (folder / "info.txt").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string info = test::readFile(folder / "info.txt");
    double width = 0, height = 0;
    ASSERT_EQ(std::sscanf(info.c_str(), "Page size: %lf x %lf", &width, &height), 2) << info;
    // 96 pixels to the inch, the page in whole points.
    const Extent page = pictureSize(music.tunes, music.extent);
    EXPECT_NEAR(width, page.width * 0.75, 1.0);
    EXPECT_NEAR(height, page.height * 0.75, 1.0);
}

TEST_F(ImageExportTest, CommandRefusesWhatCannotBeDrawn) {
    const fs::path tune = exampleTunes().front();
    const fs::path out = folder / "huge.pcx";
    // An enormous zoom is refused before any bitmap is made.
    EXPECT_EQ(runRasterImage({tune.string(), "-o", out.string(), "--zoom", "100000"}), 1);
    EXPECT_EQ(runRasterImage({tune.string(), "-o", out.string(), "--zoom", "0"}), 1);
    // At the largest zoom allowed a long tune is still too large to make.
    const fs::path longTune = folder / "long.tnz";
    std::string text = "\"Long\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n";
    for (int i = 0; i < 400; ++i) text += "& LA_4 B_4 C_4 D_4 !t\r\n";
    std::ofstream(longTune, std::ios::binary) << text;
    EXPECT_EQ(runRasterImage({longTune.string(), "-o", out.string(), "--zoom", "1000"}), 1);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(runRasterImage({tune.string()}), 1);
    EXPECT_EQ(runRasterImage({(folder / "missing.tnz").string(), "-o", out.string()}), 1);
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(ImageExportTest, BadTunesStillMakeAPicture) {
    const std::vector<std::string> bodies = {
        "& fermat ^t ^te ^3e segno fermat !t",       // marks with nothing to hang on
        "& '1 LA_4 ! '2 B_4 ! '1 C_4 ''!I",          // time lines never closed
        "& ^t LA_4 ^te ^3 !t & ^ts ^te ^3s ^3e !t",  // ties and triplets at the very start
        "& !I !I I! !t !t",                          // nothing but bar lines
    };
    for (const std::string& body : bodies) {
        const LaidOutMusic& music = engraving.layOut("\"T\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n" + body);
        ASSERT_TRUE(imageSizeProblem(music.extent).empty()) << body;
        const MonoBitmap bitmap = renderMonoBitmap(music.tunes, music.extent, renderer);
        EXPECT_EQ(bitmap.width, music.extent.width) << body;
        std::string error;
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        EXPECT_TRUE(drawPng(music.tunes, music.extent, renderer, png, error)) << error;
    }
}

}  // namespace
}  // namespace skirlo
