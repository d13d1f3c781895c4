// A print's PDF: pages written as each ends, texts as text in embedded
// faces, read back by poppler, which we did not write.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "export/PdfSurface.h"
#include "fonts/FreeTypeMeasuringContext.h"
#include "PictureComparison.h"

namespace skirlo {
namespace {

namespace fs = std::filesystem;

std::string pageText(const fs::path& pdf, int page) {
    const fs::path out = pdf.parent_path() / "page.txt";
    const std::string command = "pdftotext -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" +
                                pdf.string() + "' '" + out.string() + "'";
    return std::system(command.c_str()) == 0 ? test::readFile(out) : std::string();
}

std::size_t occurrences(const std::string& text, std::string_view what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

TEST(PdfBook, EachPageKeepsItsWordsAndAFaceIsEmbeddedOnceAtEverySize) {
    if (!test::haveProgram("pdftotext")) GTEST_SKIP() << "poppler is not installed";
    FreeTypeMeasuringContext measuring(SKIRLO_RESOURCE_DIR, 600, 600, true);
    FontDescription description;
    description.weight = 400;
    description.heightTenthsOfPoint = 120;
    const std::unique_ptr<Font> small = measuring.createTextFont(description);
    description.heightTenthsOfPoint = 240;
    const std::unique_ptr<Font> large = measuring.createTextFont(description);
    ASSERT_NE(small->fontProgram(), nullptr) << "the serif face cannot be embedded";

    std::string pdf;
    PdfSurface surface({}, SurfaceKind::Printer);
    PdfBook book(surface, [&pdf](std::string_view piece) { pdf += piece; return true; }, 72.0 / 600);
    surface.text(*small, "First page", 600, 600, kBlack);
    ASSERT_TRUE(book.endPage(595, 842));
    surface.text(*large, "Caf\xe9 on the second", 600, 900, kBlack);  // Windows-1252
    surface.text(*small, "and small", 600, 1500, kBlack);
    ASSERT_TRUE(book.endPage(595, 842));
    ASSERT_TRUE(book.finish("Book"));
    EXPECT_EQ(book.pages(), 2);

    const fs::path folder = fs::temp_directory_path() / ("skirlo_pdf_book_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path file = folder / "book.pdf";
    std::ofstream(file, std::ios::binary) << pdf;
    const std::string first = pageText(file, 1), second = pageText(file, 2);
    EXPECT_EQ(first, "First page\n\n\f");
    EXPECT_NE(second.find("Caf\xc3\xa9 on the second\n"), std::string::npos) << second;
    EXPECT_NE(second.find("and small\n"), std::string::npos) << second;
    EXPECT_EQ(occurrences(pdf, "/FontFile2"), 1u);
    if (test::haveProgram("qpdf")) {
        EXPECT_EQ(std::system(("qpdf --check '" + file.string() + "' >/dev/null").c_str()), 0);
    }
    fs::remove_all(folder);
}

TEST(PdfBook, AWriteRefusedIsSaid) {
    PdfSurface surface({}, SurfaceKind::Printer);
    PdfBook book(surface, [](std::string_view) { return false; }, 1);
    surface.fillRect({0, 0, 5, 5}, kBlack);
    book.endPage(10, 10);
    EXPECT_FALSE(book.finish("Refused"));
}

}  // namespace
}  // namespace skirlo
