// skirlo-cli print, checked through a PDF reader's tools: pages, paper and
// the titles' text; and the vector pictures of a book too tall for pixels.

#include <cstdio>
#include <regex>
#include <sstream>
#include <utility>

#include "CliRunner.h"

namespace {

using namespace skirlo::clitest;

std::string pdfPaper(const fs::path& pdf) {
    std::smatch match;
    const std::string info = shell("pdfinfo " + pdf.string() + " 2>/dev/null");
    return std::regex_search(info, match, std::regex("Page size:\\s+([0-9.]+ x [0-9.]+) pts")) ? match[1].str() : "";
}

// Fifty tunes of eight staves each, every one titled with its number.
std::string fiftyTunes() {
    std::string text;
    for (int n = 1; n <= 50; ++n) {
        if (n > 1) text += "\r\n\"Skirlo: next tune\"\r\n";
        text += "\r\n\"Book Tune " + std::to_string(n) + "\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n";
        for (int s = 0; s < 8; ++s) text += "& 2_4 I! LA_4 B_4 ! C_4 D_4 ! E_4 F_4 ! HG_4 HA_4 !t\r\n";
    }
    return text;
}

// The faces of a PDF that are embedded with their way back to characters,
// and those that are not.
std::pair<int, int> embeddedFaces(const fs::path& pdf) {
    std::istringstream lines(shell("pdffonts " + pdf.string()));
    std::string line;
    std::pair<int, int> faces;
    for (int header = 0; header < 2 && std::getline(lines, line); ++header) {}
    while (std::getline(lines, line)) {
        const bool whole = std::regex_search(line, std::regex("\\syes\\s+no\\s+yes\\s+\\d+\\s+\\d+$"));
        ++(whole ? faces.first : faces.second);
    }
    return faces;
}

class PrintCommandTest : public CliTest {};

TEST_F(PrintCommandTest, ATuneIsOnePageOfTheChosenPaperWithItsTitleAsText) {
    const std::string in = input(tune("& 2_4 I! LA_4 B_4 ! C_4 D_4 !t\r\n"));
    const fs::path a4 = work() / "a4.pdf";
    const CliRun run1 = run("print " + in + " -o " + a4.string());
    ASSERT_EQ(run1.status, 0) << run1.err;
    EXPECT_EQ(run1.out, a4.string() + ": 1 page\n");
    EXPECT_EQ(pdfPages(a4), 1);
    EXPECT_EQ(pdfPaper(a4), "595 x 842");
    EXPECT_NE(shell("pdftotext " + a4.string() + " -").find("A Tune"), std::string::npos);
    EXPECT_EQ(embeddedFaces(a4), std::make_pair(1, 0));

    const fs::path letter = work() / "letter.pdf";
    ASSERT_EQ(run("print " + in + " -o " + letter.string() + " --paper Letter --dpi 300").status, 0);
    EXPECT_EQ(pdfPaper(letter), "612 x 792");
}

TEST_F(PrintCommandTest, ABookRunsOnOverPagesAndEveryTitleIsPrintedOnce) {
    const std::string in = input(fiftyTunes());
    const fs::path out = work() / "book.pdf";
    const CliRun result = run("print " + in + " -o " + out.string());
    ASSERT_EQ(result.status, 0) << result.err;
    const int pages = pdfPages(out);
    EXPECT_GT(pages, 10);
    EXPECT_EQ(result.out, out.string() + ": " + std::to_string(pages) + " pages\n");
    const std::string text = shell("pdftotext " + out.string() + " -");
    for (int n = 1; n <= 50; ++n) {
        const std::string title = "Book Tune " + std::to_string(n) + "\n";
        const std::size_t first = text.find(title);
        EXPECT_NE(first, std::string::npos) << title;
        EXPECT_EQ(text.find(title, first + 1), std::string::npos) << title;
    }
}

TEST_F(PrintCommandTest, MistakesAreNamedAndLeaveNoFile) {
    const std::string in = input(tune("& LA_4 !t\r\n"));
    const fs::path out = work() / "out.pdf";
    const std::vector<std::pair<std::string, std::string>> mistakes = {
        {"print " + in + " -o " + out.string() + " --paper A5", "--paper takes A4, Letter or Legal"},
        {"print " + in + " -o " + out.string() + " --dpi 12", "--dpi takes a whole number"},
        {"print " + in + " -o " + out.string() + " --dpi 600x", "--dpi takes a whole number"},
        {"print " + in + " -o " + (work() / "out.png").string(), "the name must end in .pdf"},
        {"print " + (work() / "missing.tnz").string() + " -o " + out.string(), "missing.tnz"},
    };
    for (const auto& [arguments, message] : mistakes) {
        const CliRun result = run(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_NE(result.err.find(message), std::string::npos) << arguments << "\n" << result.err;
    }
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(workFiles().find(".pdf"), std::string::npos) << workFiles();
    // A folder that cannot be written to is reported, with nothing left behind.
    const CliRun unwritable = run("print " + in + " -o " + (work() / "no" / "such" / "out.pdf").string());
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("out.pdf"), std::string::npos) << unwritable.err;
}

TEST_F(PrintCommandTest, VectorPicturesOfABookHaveNoPixelLimitButRasterOnesDo) {
    const std::string in = input(fiftyTunes());
    const fs::path svg = work() / "book.svg";
    const fs::path pdf = work() / "book.pdf";
    const fs::path png = work() / "book.png";
    EXPECT_EQ(run("image " + in + " -o " + svg.string()).status, 0);
    EXPECT_EQ(run("image " + in + " -o " + pdf.string()).status, 0);
    EXPECT_NE(readFile(svg).find("</svg>"), std::string::npos);
    EXPECT_EQ(pdfPages(pdf), 1);
    const CliRun raster = run("image " + in + " -o " + png.string());
    EXPECT_EQ(raster.status, 1);
    EXPECT_NE(raster.err.find("smaller zoom"), std::string::npos) << raster.err;
    EXPECT_FALSE(fs::exists(png));
}

}  // namespace
