// The PDF picture: drawn by a renderer we did not write (poppler's pdftoppm),
// it looks like our own PNG of the same music; its cross-reference table
// finds every object; each glyph is one form placed wherever it recurs; and
// texts are drawn where the layout measured them.

#include <gtest/gtest.h>

#include <QImage>

#include <zlib.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "export/MusicImage.h"
#include "export/PdfSurface.h"
#include "export/VectorPicture.h"
#include "PictureComparison.h"
#include "support/EngravingTestSupport.h"
#include "support/FileTestSupport.h"

namespace skirlo {
namespace {

namespace fs = std::filesystem;

// The streams of a file, inflated, in the order they are written.
std::vector<std::string> streamsOf(const std::string& pdf) {
    std::vector<std::string> streams;
    for (std::size_t at = pdf.find(">>\nstream\n"); at != std::string::npos; at = pdf.find(">>\nstream\n", at)) {
        at += 10;
        const std::size_t end = pdf.find("\nendstream", at);
        std::string inflated(1 << 22, '\0');
        uLongf size = inflated.size();
        EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size,
                             reinterpret_cast<const Bytef*>(pdf.data() + at), end - at),
                  Z_OK);
        inflated.resize(size);
        streams.push_back(inflated);
        at = end;
    }
    return streams;
}

class PdfPictureTest : public test::PictureTest {
protected:
    std::string pdfOf(const LaidOutMusic& music) {
        return pdfPicture(music.tunes, music.extent, renderer).value_or("");
    }
};

TEST_F(PdfPictureTest, EveryExampleRasterizesLikeOurPngAndPassesAStructureCheck) {
    if (!test::haveProgram("pdftoppm")) GTEST_SKIP() << "poppler is not installed";
    const bool qpdf = test::haveProgram("qpdf");
    expectExamplesRasterizeLikeOurPng(
        ".pdf", [this](const LaidOutMusic& music) { return pdfOf(music); },
        [](const fs::path& pdf, const fs::path& png) {
            return "pdftoppm -r 96 -png -singlefile '" + pdf.string() + "' '" + png.parent_path().string() + "/" +
                   png.stem().string() + "'";
        },
        [qpdf](const fs::path& pdf) {
            if (qpdf) {
                EXPECT_EQ(std::system(("qpdf --check '" + pdf.string() + "' > /dev/null").c_str()), 0);
            }
        });
}

TEST_F(PdfPictureTest, CrossReferencesFindEveryObjectAndEachGlyphIsOneFormUsedOften) {
    const std::string pdf = pdfOf(
        engraving.layOut(test::readFile(fs::path(SKIRLO_RESOURCE_DIR) / "examples" / "highland-laddie.tnz")));
    ASSERT_EQ(pdf.substr(0, 9), "%PDF-1.4\n");
    EXPECT_GE(static_cast<unsigned char>(pdf[10]), 128);  // the comment that marks the file binary
    const std::smatch tail = [&] {
        std::smatch m;
        EXPECT_TRUE(std::regex_search(pdf, m, std::regex("startxref\n(\\d+)\n%%EOF\n$")));
        return m;
    }();
    ASSERT_FALSE(tail.empty());
    const std::size_t xref = std::stoul(tail[1]);
    ASSERT_EQ(pdf.compare(xref, 7, "xref\n0 "), 0);
    const int objects = std::stoi(pdf.substr(xref + 7));
    const std::size_t entries = pdf.find('\n', xref + 7) + 1;
    for (int i = 1; i < objects; ++i) {
        const std::string entry = pdf.substr(entries + 20 * static_cast<std::size_t>(i), 20);
        ASSERT_EQ(entry.substr(10), " 00000 n \n") << i;
        const std::string header = std::to_string(i) + " 0 obj\n";
        EXPECT_EQ(pdf.compare(std::stoul(entry.substr(0, 10)), header.size(), header), 0) << i;
    }
    EXPECT_EQ(pdf.compare(entries + 20 * static_cast<std::size_t>(objects), 8, "trailer\n"), 0);

    const std::vector<std::string> streams = streamsOf(pdf);
    ASSERT_FALSE(streams.empty());
    const std::string& page = streams.front();
    const std::set<std::string> forms(streams.begin() + 1, streams.end());
    EXPECT_EQ(forms.size(), streams.size() - 1) << "a glyph outline written twice";
    std::set<std::string> used;
    int uses = 0;
    const std::regex placing("q 1 0 0 1 -?[.\\d]+ -?[.\\d]+ cm (/G\\d+) Do Q\n");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), placing); it != std::sregex_iterator(); ++it) {
        used.insert((*it)[1]);
        ++uses;
    }
    EXPECT_EQ(used.size(), forms.size());
    EXPECT_GT(uses, 4 * static_cast<int>(forms.size()));
}

TEST(PdfTextString, PlainAsciiIsLiteralAndEscapedAnythingElseIsUtf16WithItsMark) {
    EXPECT_EQ(pdfTextString("Fish (& Chips) \\ 2"), "(Fish \\(& Chips\\) \\\\ 2)");
    EXPECT_EQ(pdfTextString("Caf\xc3\xa9 \xe2\x82\xac"), "<FEFF00430061006600E9002020AC>");
    EXPECT_EQ(pdfTextString("\xf0\x9d\x84\x9e"), "<FEFFD834DD1E>");  // beyond 16 bits: a surrogate pair
    EXPECT_EQ(pdfTextString("a\x01"), "<FEFF00610001>");             // no raw control byte in the file
}

// A text font of UTF-8 characters 7 units wide, "Ca" kerned 2 closer, whose
// glyphs are squares; it notes the codes asked for.
class SquaresFont final : public Font {
public:
    Extent textExtent(std::string_view text) const override {
        const auto characters = std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
        return {7 * static_cast<int>(characters) - (text.find("Ca") != std::string_view::npos ? 2 : 0), 12};
    }
    GlyphBox glyphBox(int) const override { return {}; }
    int advanceWidth(int) const override { return 7; }
    std::vector<Contour> outline(int) const override { return {}; }
    int ascent() const override { return 9; }
    int height() const override { return 12; }
    int externalLeading() const override { return 0; }
    int averageCharWidth() const override { return 7; }
    GlyphPath glyphPath(int code) const override {
        asked.push_back(code);
        if (code == ' ') return {};
        const double side = code / 100.0;
        using Kind = PathElement::Kind;
        return {{Kind::Move, {0, 0}, {}, {}}, {Kind::Line, {side, 0}, {}, {}}, {Kind::Line, {side, side}, {}, {}}};
    }
    const TextFace* textFace() const override { return &face; }

    TextFace face{"Serif", 12, 400, false, true, false};
    mutable std::vector<int> asked;
};

TEST(PdfSurface, TextsAreGlyphsWhereTheLayoutMeasuredThemAndRectanglesKeepTheirOrder) {
    PdfSurface surface({10, 20});
    SquaresFont font;
    surface.fillRect({0, 0, 5, 2}, kBlack);
    surface.fillRect({1, 1, 2, 9}, kBlack);
    surface.fillRect({3, 3, 3, 9}, kBlack);  // empty: nothing drawn
    surface.fillRect({0, 0, 1, 1}, 0x0000FF);
    // UTF-8: each character where the text through it ends, less its own
    // advance, so that the kerned pair keeps its kerning; the accented letter
    // drawn with its Windows-1252 code, the space not at all.
    surface.text(font, "Ca\xc3\xa9 a", 100, 50, 0x0000FF);
    surface.fillRect({4, 4, 6, 6}, kBlack);
    EXPECT_EQ(font.asked, (std::vector<int>{'C', 'a', 0xE9, ' '}));
    const std::string pdf = surface.document(40, 20, "T").value_or("");
    const std::string page = streamsOf(pdf).front();
    EXPECT_EQ(page,
              ".75 0 0 -.75 0 15 cm\n2 j\n"
              "10 20 5 2 re\n11 21 1 8 re\nf\n"
              "1 0 0 rg\n10 20 1 1 re\nf\n"
              "q 1 0 0 1 110 70 cm /G0 Do Q\n"
              "q 1 0 0 1 115 70 cm /G1 Do Q\n"
              "q 1 0 0 1 122 70 cm /G2 Do Q\n"
              "q 1 0 0 1 136 70 cm /G1 Do Q\n"
              "110 80 33 1 re f\n"  // the underline, as wide as the text measures
              "0 0 0 rg\n14 24 2 2 re\nf\n");
    EXPECT_NE(pdf.find("/MediaBox [0 0 30 15]"), std::string::npos);
    EXPECT_NE(pdf.find("/BBox [0 0 3 3]"), std::string::npos);  // the square of code 233 is 2.33 a side
}

}  // namespace
}  // namespace skirlo
