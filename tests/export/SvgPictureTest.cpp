// The SVG picture: drawn by a renderer we did not write (rsvg-convert), it
// looks like our own PNG of the same music; and it is compact, well-formed
// XML that names itself after the tune.

#include <gtest/gtest.h>

#include <QImage>
#include <QXmlStreamReader>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include "export/MusicImage.h"
#include "export/SvgSurface.h"
#include "export/VectorPicture.h"
#include "PictureComparison.h"
#include "support/EngravingTestSupport.h"
#include "support/FileTestSupport.h"

namespace skirlo {
namespace {

namespace fs = std::filesystem;

class SvgPictureTest : public test::PictureTest {
protected:
    std::string svgOf(const LaidOutMusic& music) {
        return svgPicture(music.tunes, music.extent, renderer).value_or("");
    }
};

TEST_F(SvgPictureTest, EveryExampleRasterizesLikeOurPng) {
    if (!test::haveProgram("rsvg-convert")) GTEST_SKIP() << "rsvg-convert is not installed";
    expectExamplesRasterizeLikeOurPng(
        ".svg", [this](const LaidOutMusic& music) { return svgOf(music); },
        [](const fs::path& svg, const fs::path& png) {
            return "rsvg-convert -b white '" + svg.string() + "' -o '" + png.string() + "'";
        });
}

TEST_F(SvgPictureTest, EachGlyphIsDefinedOnceAndEveryDefinitionIsUsed) {
    const LaidOutMusic& music =
        engraving.layOut(test::readFile(fs::path(SKIRLO_RESOURCE_DIR) / "examples" / "highland-laddie.tnz"));
    const std::string svg = svgOf(music);
    std::multiset<std::string> defined;
    std::set<std::string> used;
    const std::regex definition("<path id=\"([^\"]+)\"");
    const std::regex use("xlink:href=\"#([^\"]+)\"");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), definition); it != std::sregex_iterator(); ++it) {
        defined.insert((*it)[1]);
    }
    int uses = 0;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), use); it != std::sregex_iterator(); ++it, ++uses) {
        used.insert((*it)[1]);
    }
    EXPECT_EQ(std::set<std::string>(defined.begin(), defined.end()).size(), defined.size());
    EXPECT_EQ(std::set<std::string>(defined.begin(), defined.end()), used);
    // Notes recur: far more uses than shapes.
    EXPECT_GT(uses, 4 * static_cast<int>(defined.size()));
}

TEST_F(SvgPictureTest, TitleAndTextsAreWellFormedWhateverTheTuneHolds) {
    // A title with markup characters and a control byte, a UTF-8 composer
    // and a Windows-1252 type.
    const std::string tune =
        "\"Fish & <Chips> \x01\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
        "\"Caf\xc3\xa9 Reel\",(M,R,0,0,Times New Roman,14,400,1,0,18,0,0,255)\r\n"
        "\"March \xab\xe9\xbb\",(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n"
        "& sharpf sharpc 2_4 LA_4 B_4 !I\r\n";
    const std::string svg = svgOf(engraving.layOut(tune));
    QXmlStreamReader xml(QByteArray::fromStdString(svg));
    QString title;
    QStringList texts;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"title") title = xml.readElementText();
        if (xml.isStartElement() && xml.name() == u"text") texts << xml.readElementText();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString() << "\n" << svg;
    EXPECT_EQ(title.toStdString(), "Fish & <Chips> ");
    EXPECT_TRUE(texts.contains(QString::fromUtf8("Caf\xc3\xa9 Reel"))) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.contains(QString::fromUtf8("March \xc2\xab\xc3\xa9\xc2\xbb"))) << texts.join('|').toStdString();
    // The font is named with a generic fallback, and the composer keeps its italic and its red.
    EXPECT_NE(svg.find("font-family=\"'Times New Roman', serif\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("font-style=\"italic\" fill=\"#ff0000\">Caf"), std::string::npos) << svg;
}

TEST(SvgSurface, RectanglesOfOneColourShareAPathAndKeepTheirOrderAmongColours) {
    SvgSurface surface({10, 20});
    surface.fillRect({0, 0, 5, 2}, kBlack);
    surface.fillRect({1, 1, 2, 9}, kBlack);
    surface.fillRect({3, 3, 3, 9}, kBlack);  // empty: nothing drawn
    surface.fillRect({0, 0, 1, 1}, 0x0000FF);
    surface.fillRect({4, 4, 6, 6}, kBlack);
    surface.frameRect({-3, -21, 2, -16}, kBlack, kWhite);
    const std::string svg = surface.document(100, 50, "T").value_or("");
    const std::string body = svg.substr(svg.find("</title>\n") + 9);
    EXPECT_EQ(body,
              "<path d=\"M10 20h5v2h-5zM11 21h1v8h-1z\"/>\n"
              "<path d=\"M10 20h1v1h-1z\" fill=\"#ff0000\"/>\n"
              "<path d=\"M14 24h2v2h-2z\"/>\n"
              "<rect x=\"7.5\" y=\"-0.5\" width=\"4\" height=\"4\" fill=\"#ffffff\" stroke=\"#000000\"/>\n"
              "</svg>\n");
    EXPECT_NE(svg.find("width=\"100\" height=\"50\" viewBox=\"0 0 100 50\""), std::string::npos);
}

// A large picture's body is kept and written in pieces; every element comes
// out once, whole and in order, across the joins, and a write that fails
// stops the document.
TEST(SvgSurface, ALargeBodyComesOutWholeInOrderAndAFailedWriteStopsIt) {
    SvgSurface surface;
    constexpr int kFrames = 60000;  // about 4 MB of elements
    for (int i = 0; i < kFrames; ++i) surface.frameRect({i, 0, i + 3, 3}, kBlack, kWhite);
    std::vector<std::string> pieces;
    ASSERT_TRUE(surface.writeDocument(10, 10, "T", [&](std::string_view piece) {
        pieces.emplace_back(piece);
        return true;
    }));
    EXPECT_GT(pieces.size(), 4U);
    std::string svg;
    for (const std::string& piece : pieces) svg += piece;
    std::size_t at = 0;
    for (int i = 0; i < kFrames; ++i) {
        at = svg.find("<rect x=\"" + std::to_string(i) + ".5\"", at);
        ASSERT_NE(at, std::string::npos) << "frame " << i;
    }
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    int writes = 0;
    EXPECT_FALSE(surface.writeDocument(10, 10, "T", [&writes](std::string_view) { return ++writes < 3; }));
    EXPECT_EQ(writes, 3);
}

}  // namespace
}  // namespace skirlo
