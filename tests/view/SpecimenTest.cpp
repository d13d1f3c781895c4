// The specimen sheet over the real fonts and default profile.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <filesystem>
#include <fstream>
#include <string>

#include "FontTestSupport.h"
#include "common/MessageSink.h"
#include "engraving/FontCreation.h"
#include "tunefile/Profile.h"
#include "view/Specimen.h"

namespace skirlo {
namespace {

std::filesystem::path scratch(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "skirlo-view-test";
    std::filesystem::create_directories(dir);
    return dir / name;
}

// Dark pixels inside a rectangle of the image.
int inkIn(const QImage& image, int x0, int y0, int width, int height) {
    int ink = 0;
    for (int y = std::max(y0, 0); y < std::min(y0 + height, image.height()); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x0 + width, image.width()); ++x) {
            if (qGray(image.pixel(x, y)) < 100) ++ink;
        }
    }
    return ink;
}

TEST(Specimen, EntriesFollowSectionAndCodeOrderAndSkipEmptyValues) {
    const auto profile = IniProfile::fromText(
        "[FontMap2]\r\n40=B_4 (CAT_MELODY_NO_TAIL,B,N,4) melody b4\r\n33=LG_4 (x) melody g4\r\n"
        "34=\r\n128=HA_4 (x) melody A4\r\n[FontMap1]\r\n171=sharpha (x) no_sound #A\r\n172=beyond (x)\r\n");
    const std::vector<SpecimenEntry> entries = specimenEntries(*profile);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "sharpha");
    EXPECT_EQ(entries[0].section, 1);
    EXPECT_EQ(entries[0].code, 171);
    EXPECT_EQ(entries[1].name, "LG_4");
    EXPECT_EQ(entries[2].name, "B_4");
    EXPECT_EQ(entries[2].code, 40);
}

TEST(Specimen, PngShowsEveryGlyphOfTheDefaultMap) {
    const auto profile = IniProfile::open(std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI");
    const std::vector<SpecimenEntry> entries = specimenEntries(*profile);
    ASSERT_GT(entries.size(), 300u);
    const std::filesystem::path out = scratch("specimen.png");
    std::string error;
    ASSERT_TRUE(writeSpecimen(out, SKIRLO_RESOURCE_DIR, entries, 100, EngravingStyle::Classic, error)) << error;
    QImage image(QString::fromStdString(out.string()));
    ASSERT_FALSE(image.isNull());

    auto context = test::resourceContext();
    RecordingMessageSink messages;
    const FontSet fonts = createFontSet(*context, 130, 0, messages);
    const SpecimenLayout layout = specimenLayout(fonts, entries.size());
    EXPECT_EQ(image.width(), layout.width);
    EXPECT_EQ(image.height(), layout.height);
    // Every cell shows more ink than the staff lines alone, which is what the
    // cell of the blank beat separator shows.
    auto cellInk = [&](std::size_t i) {
        const int column = static_cast<int>(i % static_cast<std::size_t>(layout.columns));
        const int row = static_cast<int>(i / static_cast<std::size_t>(layout.columns));
        return inkIn(image, column * layout.cellWidth, layout.titleHeight + row * layout.rowHeight,
                     layout.cellWidth, fonts.height);
    };
    std::size_t blank = entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].name == "_sep") blank = i;
    }
    ASSERT_LT(blank, entries.size());
    const int staffOnly = cellInk(blank);
    EXPECT_GT(staffOnly, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i != blank) {
            EXPECT_GT(cellInk(i), staffOnly) << entries[i].name;
        }
    }
}

// Modern draws gracenotes sturdier than their glyphs; a melody note is the
// same in both styles.
TEST(Specimen, ModernDrawsTheGracenotesAsItEngravesThem) {
    const auto profile = IniProfile::open(std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI");
    std::vector<SpecimenEntry> entries;
    for (const SpecimenEntry& entry : specimenEntries(*profile)) {
        if (entry.name == "dbc" || entry.name == "B_4") entries.push_back(entry);
    }
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name == "dbc", entries[0].gracenotes);
    EXPECT_EQ(entries[1].name == "dbc", entries[1].gracenotes);
    auto context = test::resourceContext();
    RecordingMessageSink messages;
    const FontSet fonts = createFontSet(*context, 130, 0, messages);
    const SpecimenLayout layout = specimenLayout(fonts, entries.size());
    const auto inkOfEach = [&](EngravingStyle style) {
        QImage image(layout.width, layout.height, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            drawSpecimen(painter, fonts, entries, layout, style);
        }
        std::vector<int> ink;
        for (int i = 0; i < 2; ++i) ink.push_back(inkIn(image, i * layout.cellWidth, layout.titleHeight, layout.cellWidth, fonts.height));
        return ink;
    };
    const std::vector<int> classic = inkOfEach(EngravingStyle::Classic);
    const std::vector<int> modern = inkOfEach(EngravingStyle::Modern);
    for (std::size_t i = 0; i < 2; ++i) {
        if (entries[i].gracenotes) {
            EXPECT_GT(modern[i], classic[i] * 11 / 10) << entries[i].name;
        } else {
            EXPECT_EQ(modern[i], classic[i]) << entries[i].name;
        }
    }
}

TEST(Specimen, RefusesUnknownFormatsAndZooms) {
    std::string error;
    const std::vector<SpecimenEntry> entries = {{"!", 1, 33}};
    EXPECT_FALSE(writeSpecimen(scratch("specimen.gif"), SKIRLO_RESOURCE_DIR, entries, 100, EngravingStyle::Classic, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(writeSpecimen(scratch("specimen.png"), SKIRLO_RESOURCE_DIR, entries, kMinimumZoom - 1, EngravingStyle::Classic, error));
    EXPECT_FALSE(writeSpecimen(scratch("specimen.png"), SKIRLO_RESOURCE_DIR, entries, kMaximumZoom + 1, EngravingStyle::Classic, error));
    EXPECT_FALSE(writeSpecimen(scratch("specimen.png"), "/nonexistent", entries, 100, EngravingStyle::Classic, error));
    EXPECT_EQ(error, "Could not load the QTN1 font!\nInstall this font to proceed.");
}

TEST(Specimen, PdfIsWritten) {
    const std::filesystem::path out = scratch("specimen.pdf");
    std::filesystem::remove(out);
    std::string error;
    ASSERT_TRUE(writeSpecimen(out, SKIRLO_RESOURCE_DIR, {{"dbhg", 4, 57}, {"!", 1, 33}}, 50, EngravingStyle::Classic, error)) << error;
    std::ifstream file(out, std::ios::binary);
    std::string head(5, '\0');
    file.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
}

}  // namespace
}  // namespace skirlo
