// skirlo-cli print never cuts music: staves wider than the paper at their
// staff height are scaled to the printable width, and "To Fit" goes on to
// further pages when one page cannot hold the tune at a readable size.
// Checked through a PDF reader's text and pixels.

#include <cstdio>
#include <regex>

#include "CliRunner.h"

namespace {

using namespace skirlo::clitest;

// Page `page` at 50 dots per inch, grey, as rows of bytes (0 black, 255 white).
struct Greys {
    int width = 0;
    int height = 0;
    std::string pixels;
    bool inkInColumns(int from, int to) const {
        for (int y = 0; y < height; ++y) {
            for (int x = from; x < to; ++x) {
                if (static_cast<unsigned char>(pixels[static_cast<std::size_t>(y * width + x)]) < 128) return true;
            }
        }
        return false;
    }
};

Greys pageGreys(const fs::path& pdf, int page) {
    const std::string pgm = shell("pdftoppm -r 50 -gray -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                  " " + pdf.string() + " 2>/dev/null");
    Greys greys;
    std::smatch match;
    if (!std::regex_search(pgm, match, std::regex("^P5\\s+(\\d+)\\s+(\\d+)\\s+255\\s"))) return greys;
    greys.width = std::stoi(match[1]);
    greys.height = std::stoi(match[2]);
    greys.pixels = pgm.substr(static_cast<std::size_t>(match[0].length()));
    if (greys.pixels.size() < static_cast<std::size_t>(greys.width * greys.height)) greys.width = greys.height = 0;
    return greys;
}

// A bar of four embellished crotchets, named by an in-line text.
std::string namedBar(const std::string& name) {
    return "\"" + name + "\",(I,L,0,0,Times New Roman,11,700,0,0,0,0,0,0) dbla LA_4 grp B_4 dbc C_4 thrd D_4 ! ";
}

const std::string kHeader = "Chantrel:1.0\r\nFontSizes,(90,100,100,80,250)\r\n";
const std::string kTitles = "\"Wide Tune\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
                            "\"Right Hand Composer\",(M,R,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n";

class PrintNoMusicLostTest : public CliTest {};

TEST_F(PrintNoMusicLostTest, StavesWiderThanThePageAreScaledToThePrintableWidth) {
    // Eight bars a staff at a quarter-inch staff: twice as wide as A4.
    std::string music;
    int bar = 0;
    for (int staff = 0; staff < 3; ++staff) {
        music += "& sharpf sharpc 4_4 I! ";
        for (int b = 0; b < 8; ++b) music += namedBar("Bar " + std::to_string(++bar));
        music += "!t\r\n";
    }
    const std::string in = input(kHeader + "TuneFormat,(1,0,M,L,500,500,500,500,P,0,0)\r\n" + kTitles + music);
    const fs::path out = work() / "wide.pdf";
    const CliRun result = run("print " + in + " -o " + out.string() + " --dpi 300");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::regex said(": the staves are wider than the page at the chosen staff height; printed at (\\d+) % to "
                          "fit the width\n");
    std::smatch percent;
    ASSERT_TRUE(std::regex_search(result.out, percent, said)) << result.out;
    EXPECT_LT(std::stoi(percent[1]), 70);
    EXPECT_EQ(result.out.find("printed at"), result.out.rfind("printed at")) << "said once";

    const std::string text = shell("pdftotext " + out.string() + " -");
    for (int n = 1; n <= bar; ++n) EXPECT_NE(text.find("Bar " + std::to_string(n) + "\n"), std::string::npos) << n;
    EXPECT_NE(text.find("Right Hand Composer"), std::string::npos);
    // A4 at 50 dpi is 413 or 414 pixels wide; the right margin is half an
    // inch, 25 pixels. Nothing is drawn in it, and the staves reach up to it.
    const Greys page = pageGreys(out, 1);
    ASSERT_NEAR(page.width, 413, 1);
    EXPECT_FALSE(page.inkInColumns(page.width - 23, page.width));
    EXPECT_TRUE(page.inkInColumns(page.width - 45, page.width - 27));
}

TEST_F(PrintNoMusicLostTest, ToFitOfALongTuneGoesOnOverPagesWithEveryLine) {
    for (const std::string staffHeight : {"250", "0"}) {
        SCOPED_TRACE("staff height " + staffHeight);
        std::string music;
        for (int line = 1; line <= 40; ++line) {
            music += "& sharpf sharpc 4_4 I! " + namedBar("Line " + std::to_string(line)) + "LA_4 B_4 C_4 D_4 !t\r\n";
        }
        const std::string in = input("Chantrel:1.0\r\nFontSizes,(90,100,100,80," + staffHeight + ")\r\n"
                                     "TuneFormat,(1,0,F,L,500,500,500,500,P,0,0)\r\n" + kTitles + music);
        const fs::path out = work() / "long.pdf";
        const CliRun result = run("print " + in + " -o " + out.string() + " --dpi 300");
        ASSERT_EQ(result.status, 0) << result.err;
        const int pages = pdfPages(out);
        EXPECT_GT(pages, 1);
        EXPECT_EQ(result.out, out.string() + ": " + std::to_string(pages) + " pages\n" + out.string() +
                                  ": one page cannot hold the music legibly; printed over several pages\n");
        const std::string text = shell("pdftotext " + out.string() + " -");
        for (int n = 1; n <= 40; ++n) EXPECT_NE(text.find("Line " + std::to_string(n) + "\n"), std::string::npos) << n;
    }
}

}  // namespace
