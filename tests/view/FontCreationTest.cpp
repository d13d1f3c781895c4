// Creating the nine fonts of a build over the real font files.

#include <gtest/gtest.h>

#include <filesystem>

#include "FontTestSupport.h"
#include "common/MessageSink.h"
#include "engraving/FontCreation.h"

namespace skirlo {
namespace {

constexpr int kX = 90;
constexpr int kY = 100;

TEST(FontCreation, EveryZoomGivesTheHighestHeightWithAWholeLineSpacing) {
    auto context = test::resourceContext();
    for (int zoom = 30; zoom <= 200; ++zoom) {
        const int b = zoom * 130 / 100;
        const int h = b * kY / 100;
        const int w = b * kX / 100;
        RecordingMessageSink messages;
        const FontSet set = createFontSet(*context, h, w, messages);
        ASSERT_TRUE(messages.messages().empty()) << "zoom " << zoom;
        ASSERT_LE(set.height, h);
        const int reference = set.fonts[0]->glyphBox(33).height;
        EXPECT_EQ(reference % 4, 0) << "zoom " << zoom;
        EXPECT_GT(reference, 0);
        // No height between the lowered one and the asked one would do.
        for (int higher = set.height + 1; higher <= h; ++higher) {
            const auto font = context->createMusicFont("QTN1", higher, 0);
            EXPECT_NE(font->glyphBox(33).height % 4, 0) << "zoom " << zoom << " height " << higher;
        }
        for (const auto& font : set.fonts) ASSERT_NE(font, nullptr) << "zoom " << zoom;
    }
}

TEST(FontCreation, ReferenceHeightKeepsTheLineSpacingOfTheStaff) {
    auto context = test::resourceContext();
    RecordingMessageSink messages;
    const FontSet set = createFontSet(*context, 130, 0, messages);
    EXPECT_EQ(set.height, 130);
    EXPECT_EQ(set.fonts[0]->glyphBox(33).height, 40);
    EXPECT_EQ(set.fonts[0]->height(), 130);
    EXPECT_EQ(set.fonts[0]->ascent() + (set.fonts[0]->height() - set.fonts[0]->ascent()), 130);
    // The text font's cell is 18/130 of the music font height, in bold.
    const Font* text = set.textFont();
    ASSERT_NE(text, nullptr);
    EXPECT_NEAR(text->height(), 130 * 18 / 130, 1);
    const auto* qtText = dynamic_cast<const QtTextFont*>(text);
    ASSERT_NE(qtText, nullptr);
    EXPECT_EQ(qtText->font().weight(), QFont::Bold);
}

TEST(FontCreation, WidthArgumentStretchesGlyphsButNotHeights) {
    auto context = test::resourceContext();
    RecordingMessageSink messages;
    const FontSet natural = createFontSet(*context, 130, 0, messages);
    const FontSet wide = createFontSet(*context, 130, 195, messages);  // X = 150
    ASSERT_TRUE(messages.messages().empty());
    for (int section = 1; section <= 8; ++section) {
        const Font& n = *natural.musicFont(section);
        const Font& w = *wide.musicFont(section);
        EXPECT_NEAR(w.averageCharWidth(), 195 * n.averageCharWidth() / 130, 1) << section;
        EXPECT_EQ(w.height(), n.height());
    }
    const Font& n2 = *natural.musicFont(2);
    const Font& w2 = *wide.musicFont(2);
    EXPECT_NEAR(w2.advanceWidth(33) * 2, n2.advanceWidth(33) * 3, 3);
    EXPECT_EQ(w2.glyphBox(33).height, n2.glyphBox(33).height);
}

TEST(FontCreation, MissingFontsAreReportedAndTheOthersStillMade) {
    const std::filesystem::path empty = std::filesystem::temp_directory_path() / "skirlo-no-fonts";
    std::filesystem::create_directories(empty);
    QtMeasuringContext context(empty);
    RecordingMessageSink messages;
    const FontSet set = createFontSet(context, 130, 117, messages);
    ASSERT_EQ(messages.messages().size(), 8u);
    EXPECT_EQ(messages.messages()[0].text, "Could not load the QTN1 font!\nInstall this font to proceed.");
    EXPECT_EQ(messages.messages()[7].text, "Could not load the QTN8 font!\nInstall this font to proceed.");
    EXPECT_EQ(messages.messages()[0].caption, "Skirlo");
    EXPECT_EQ(set.height, 130);
    for (int section = 1; section <= 8; ++section) EXPECT_EQ(set.musicFont(section), nullptr);
    EXPECT_NE(set.textFont(), nullptr);
}

TEST(FontCreation, TinyHeightsEndTheSearchInsteadOfLoopingBelowOne) {
    auto context = test::resourceContext();
    RecordingMessageSink messages;
    for (int h : {1, 2, 3, 5}) {
        const FontSet set = createFontSet(*context, h, 0, messages);
        EXPECT_GE(set.height, 1) << h;
        EXPECT_LE(set.height, h);
    }
    EXPECT_EQ(context->createMusicFont("QTN1", 0, 0), nullptr);
    EXPECT_EQ(context->createMusicFont("../QTN1", 130, 0), nullptr);
    EXPECT_EQ(context->createMusicFont("QTN9", 130, 0), nullptr);
}

}  // namespace
}  // namespace skirlo
