// Printing on a 600 dpi printer of A4 paper: margins, the staff-height font,
// the fitted layout, stacking and pages, and what each page draws.

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engraving/FontCreation.h"
#include "engraving/MusicPrinting.h"
#include "engraving/MusicRenderer.h"
#include "support/EngravingTestSupport.h"

namespace skirlo {
namespace {

using test::stavesOf;

constexpr int kDpi = 600;
constexpr int kA4Width = 4960;  // 8.27 x 11.69 inches at 600 dpi
constexpr int kA4Height = 7014;

const std::string kHeader =
    "Chantrel:1.0\r\n\r\nFontSizes,(100,100,100,100,STAFF)\r\n\r\nTuneFormat,(1,0,OPTION,L,500,500,500,500,P,0,0)\r\n";

std::string tuneText(int number, int staves) {
    std::string text = "\r\n\"Title " + std::to_string(number) + "\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n" +
                       "\r\n\"Footer " + std::to_string(number) + "\",(F,R,0,0,Times New Roman,10,400,0,0,18,0,0,0)\r\n";
    for (int s = 0; s < staves; ++s) text += "& 2_4 I! LA_4 B_4 ! C_4 D_4 ! E_4 F_4 ! HG_4 HA_4 !t\r\n";
    return text;
}

std::string book(int tunes, int staves, char option, int staffHeight) {
    std::string text = kHeader;
    text.replace(text.find("STAFF"), 5, std::to_string(staffHeight));
    text.replace(text.find("OPTION"), 6, std::string(1, option));
    for (int t = 1; t <= tunes; ++t) {
        if (t > 1) text += "\r\n\"Skirlo: next tune\"\r\n";
        text += tuneText(t, staves);
    }
    return text;
}

// Texts and staff lines as a page draws them.
class PageRecorder final : public Surface {
public:
    SurfaceKind kind() const override { return SurfaceKind::Printer; }
    void glyph(const Font&, int code, int x, int y, Colour) override { glyphs.push_back({code, x, y}); }
    void fillRect(const Rect& rect, Colour) override { lowest = std::max(lowest, rect.bottom); }
    void fillPolygon(const std::vector<OutlinePoint>&, Colour) override {}
    void frameRect(const Rect&, Colour, Colour) override {}
    void text(const Font& font, std::string_view bytes, int x, int y, Colour) override {
        texts[std::string(bytes)] = {x, y + font.height()};
    }
    bool isVisible(const Rect&) const override { return true; }
    Point toDevice(Point logical) const override { return logical; }

    std::map<std::string, Point> texts;  // bottom-left corner of each
    std::vector<std::array<int, 3>> glyphs;  // code, x, y
    int lowest = 0;
};

class PrintLayoutTest : public ::testing::Test {
protected:
    PrintLayoutTest() : printer(SKIRLO_RESOURCE_DIR, kDpi, kDpi, true) {}

    PrintedMusic print(const std::string& text, PageSink* sink = nullptr) {
        script = std::make_unique<ScriptText>(text);
        TuneSettings settings;
        TuneSettingsLines lines(*script, settings);
        lines.readFontSizes();
        lines.readTuneFormat();
        script->setModified(false);
        PrintSettings print;
        print.tune = settings;
        return layOutForPrinting(*script, engraving.symbols, printer, engraving.messages, print, device, sink);
    }

    PageRecorder drawPage(PrintedMusic& printed, int number) {
        PageRecorder recorder;
        drawPrintedPage(printed, MusicRenderer(kBlack), recorder, number);
        return recorder;
    }

    test::Engraving engraving;
    QtMeasuringContext printer;
    PrintDevice device{kDpi, kDpi, kA4Width, kA4Height, 0, 0};
    std::unique_ptr<ScriptText> script;
};

TEST(PrintAreaTest, MarginsAreConvertedLessThePhysicalOffsetExceptAZeroMargin) {
    TuneFormat format;
    PrintDevice device{kDpi, kDpi, kA4Width, kA4Height, 0, 0};
    const PrintArea plain = printArea(format, device);
    EXPECT_EQ(plain.left, 300);
    EXPECT_EQ(plain.right, 300);
    EXPECT_EQ(plain.top, 300);
    EXPECT_EQ(plain.bottom, 300);
    EXPECT_EQ(plain.width, kA4Width - 600);
    EXPECT_EQ(plain.height, kA4Height - 600);

    format.leftMargin = 0;
    device.offsetX = 50;
    device.offsetY = 40;
    const PrintArea offset = printArea(format, device);
    EXPECT_EQ(offset.left, 0);
    EXPECT_EQ(offset.right, 250);
    EXPECT_EQ(offset.top, 260);

    format.leftMargin = format.rightMargin = 9000;  // wider than the paper
    EXPECT_EQ(printArea(format, device).width, 1);
}

TEST_F(PrintLayoutTest, AStaffHeightGrowsTheFontUntilTheReferenceBarLineIsThatTall) {
    const int h = fixedFontHeight(printer, 500);
    ASSERT_GE(h, 300);
    auto barLine = [&](int height) { return printer.createMusicFont("QTN1", height, 0)->glyphBox(33).height; };
    EXPECT_GE(barLine(h), 300);
    if (h > 300) {
        EXPECT_LT(barLine(h - 1), 300);
    }
}

TEST_F(PrintLayoutTest, FittingScalesAShortTuneToTheWidthOrHeightInElevenPasses) {
    for (const char option : {'F', 'M'}) {
        PrintedMusic printed = print(book(1, 2, option, 0));
        ASSERT_EQ(printed.music.tunes.size(), 1u);
        EXPECT_LE(printed.fittingPasses, kMaxFittingPasses);
        const int width = printed.music.tunes[0]->width;
        EXPECT_LE(std::abs(width - printed.area.width), printed.area.width / 100) << option << " " << width;
        EXPECT_EQ(printed.pageCount, 1);
    }
    // Many staves fit to the height with `F`, and nothing passes the bottom
    // margin (as long as they stay legible; more go on over pages).
    PrintedMusic tall = print(book(1, 12, 'F', 0));
    const StaffLayout& last = *stavesOf(*tall.music.tunes[0]).back();
    const int contentBottom = last.y + last.height + tall.music.tunes[0]->footerBandHeight;
    EXPECT_LE(contentBottom, tall.area.top + tall.area.height);
    EXPECT_GE(contentBottom, tall.area.top + tall.area.height * 97 / 100);
    EXPECT_EQ(tall.pageCount, 1);
}

TEST_F(PrintLayoutTest, ALongTuneContinuesAtTheTopMarginWithItsFooterOnEveryPage) {
    PrintedMusic printed = print(book(1, 30, 'M', 250));
    ASSERT_GE(printed.pageCount, 2);
    const std::vector<StaffLayout*> staves = stavesOf(*printed.music.tunes[0]);
    int page = 1;
    for (const StaffLayout* staff : staves) {
        const int on = printed.staffPage.at(staff);
        ASSERT_TRUE(on == page || on == page + 1);
        if (on != page) {
            EXPECT_EQ(staff->y, printed.area.top) << "page " << on;
        }
        EXPECT_LE(staff->y + staff->height, printed.area.top + printed.area.height);
        page = on;
    }
    EXPECT_EQ(page, printed.pageCount);
    // The staves are spread to the printable width.
    EXPECT_EQ(staves.front()->width + printed.music.tunes[0]->overhang, printed.area.width);

    for (int p = 1; p <= printed.pageCount; ++p) {
        const PageRecorder drawn = drawPage(printed, p);
        EXPECT_EQ(drawn.texts.count("Title 1"), p == 1 ? 1u : 0u) << "page " << p;
        ASSERT_EQ(drawn.texts.count("Footer 1"), 1u) << "page " << p;
        const int footer = drawn.texts.at("Footer 1").y;
        EXPECT_GE(footer, drawn.lowest) << "the footer stands under the page's last staff";
        EXPECT_LE(footer, printed.area.top + printed.area.height);
    }
    EXPECT_TRUE(drawPage(printed, printed.pageCount + 1).texts.empty());
    EXPECT_FALSE(script->modified()) << "printing builds from a copy of the text";
}

TEST_F(PrintLayoutTest, ABookStacksItsTunesAndStartsEachWhereTheFirstStaffFits) {
    PrintedMusic printed = print(book(50, 4, 'M', 250));
    const auto& tunes = printed.music.tunes;
    ASSERT_EQ(tunes.size(), 50u);
    const int spacing = 250 * kDpi / 1000;
    const int bottom = printed.area.top + printed.area.height;
    for (std::size_t t = 0; t < tunes.size(); ++t) {
        const std::vector<StaffLayout*> staves = stavesOf(*tunes[t]);
        const StaffLayout& first = *staves.front();
        EXPECT_EQ(printed.firstPage[t], printed.staffPage.at(&first));
        if (t == 0) continue;
        const StaffLayout& previous = *stavesOf(*tunes[t - 1]).back();
        const int previousPage = printed.staffPage.at(&previous);
        if (printed.firstPage[t] == previousPage) {
            EXPECT_EQ(tunes[t]->y, previous.y + previous.height + spacing) << "tune " << t + 1;
        } else {
            // A new page only when the staff would have passed the bottom margin.
            EXPECT_EQ(printed.firstPage[t], previousPage + 1);
            EXPECT_EQ(tunes[t]->y, printed.area.top);
            const int wouldEnd = previous.y + previous.height + spacing + (first.y - tunes[t]->y) + first.height +
                                 tunes[t]->footerBandHeight;
            EXPECT_GT(wouldEnd, bottom) << "tune " << t + 1;
        }
    }
    EXPECT_GT(printed.pageCount, 5);
}

// A page's texts with where they stand, comparable as a whole.
std::map<std::string, std::pair<int, int>> textPlaces(const PageRecorder& page) {
    std::map<std::string, std::pair<int, int>> places;
    for (const auto& [text, at] : page.texts) places[text] = {at.x, at.y};
    return places;
}

// Records each page as it is handed over, and what is still held then.
class PageCollector final : public PageSink {
public:
    PageCollector(int first, int last) : first_(first), last_(last) {}

    bool pageFinished(PrintedMusic& printed, int page) override {
        handedOver.push_back(page);
        int staves = 0;
        for (std::size_t t = 0; t < printed.music.tunes.size(); ++t) {
            const std::vector<StaffLayout*> tuneStaves = stavesOf(*printed.music.tunes[t]);
            staves += static_cast<int>(tuneStaves.size());
            const int lastPage = printed.staffPage.at(tuneStaves.back());
            // Only a tune still to be drawn on this page or a later one is held.
            EXPECT_GE(lastPage, page) << "page " << page;
        }
        EXPECT_EQ(printed.staffPage.size(), static_cast<std::size_t>(staves)) << "page " << page;
        mostTunesHeld = std::max(mostTunesHeld, printed.music.tunes.size());
        if (page >= first_) {
            pages.emplace_back();
            drawPrintedPage(printed, MusicRenderer(kBlack), pages.back(), page);
        }
        return page < last_;
    }

    std::vector<int> handedOver;
    std::vector<PageRecorder> pages;
    std::size_t mostTunesHeld = 0;

private:
    int first_;
    int last_;
};

TEST_F(PrintLayoutTest, PagesHandedOverAsTheyAreFinishedDrawAsTheWholeTreeDoesAndPrintedTunesAreLetGo) {
    // Tunes of seven staves: some run over onto the next page.
    const std::string text = book(30, 7, 'M', 250);
    PrintedMusic whole = print(text);
    ASSERT_GT(whole.pageCount, 4);
    PageCollector collector(1, INT_MAX);
    const PrintedMusic streamed = print(text, &collector);
    EXPECT_EQ(streamed.pageCount, whole.pageCount);
    ASSERT_EQ(collector.pages.size(), static_cast<std::size_t>(whole.pageCount));
    for (int p = 1; p <= whole.pageCount; ++p) {
        const PageRecorder expected = drawPage(whole, p);
        const PageRecorder& got = collector.pages[static_cast<std::size_t>(p - 1)];
        EXPECT_EQ(textPlaces(got), textPlaces(expected)) << "page " << p;
        EXPECT_EQ(got.glyphs, expected.glyphs) << "page " << p;
        EXPECT_EQ(got.lowest, expected.lowest) << "page " << p;
    }
    EXPECT_LE(collector.mostTunesHeld, 4u) << "a page holds at most three of these tunes, and the next is stacked";

    // A sink that wants pages 2 and 3 ends the print there: nothing after is laid out.
    PageCollector range(2, 3);
    const PrintedMusic part = print(text, &range);
    EXPECT_EQ(range.handedOver, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(range.pages.size(), 2u);
    EXPECT_EQ(textPlaces(range.pages[0]), textPlaces(drawPage(whole, 2)));
    EXPECT_EQ(range.pages[1].glyphs, drawPage(whole, 3).glyphs);
    EXPECT_LT(part.pageCount, whole.pageCount);

    // A page fitted and spread to the bottom margin is handed over once the last tune is in.
    std::string spread = book(3, 2, 'F', 0);
    spread.replace(spread.find("(1,0,F"), 6, "(1,1,F");
    PrintedMusic spreadWhole = print(spread);
    PageCollector spreadPages(1, INT_MAX);
    print(spread, &spreadPages);
    ASSERT_EQ(spreadPages.pages.size(), 1u);
    EXPECT_EQ(spreadPages.pages[0].glyphs, drawPage(spreadWhole, 1).glyphs);
    EXPECT_EQ(spreadPages.pages[0].lowest, drawPage(spreadWhole, 1).lowest);
}

}  // namespace
}  // namespace skirlo
