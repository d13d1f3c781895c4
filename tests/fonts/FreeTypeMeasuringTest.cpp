// The FreeType context against the Qt one: every number measuring reports,
// for music fonts, text fonts and whole laid-out tunes, must be the same.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/FileTestSupport.h"
#include "support/EngravingTestSupport.h"
#include "fonts/FreeTypeMeasuringContext.h"
#include "view/QtMeasuring.h"

namespace skirlo {
namespace {

std::string pathDifference(const GlyphPath& a, const GlyphPath& b) {
    if (a.size() != b.size()) return "element counts " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    const auto near = [](PathPoint p, PathPoint q) { return std::abs(p.x - q.x) <= 0.01 && std::abs(p.y - q.y) <= 0.01; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        const bool cubic = a[i].kind == PathElement::Kind::Cubic;
        if (a[i].kind != b[i].kind || !near(a[i].to, b[i].to) ||
            (cubic && (!near(a[i].control1, b[i].control1) || !near(a[i].control2, b[i].control2)))) {
            return "element " + std::to_string(i);
        }
    }
    return {};
}

bool sameContours(const std::vector<Contour>& a, const std::vector<Contour>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].size() != b[i].size()) return false;
        for (std::size_t j = 0; j < a[i].size(); ++j) {
            if (a[i][j].x != b[i][j].x || a[i][j].y != b[i][j].y) return false;
        }
    }
    return true;
}

std::string boxText(const GlyphBox& b) {
    return std::to_string(b.width) + "x" + std::to_string(b.height) + "@" + std::to_string(b.originX) + "," +
           std::to_string(b.originY);
}

// Collects mismatches and reports the first few, each naming what differed.
class Mismatches {
public:
    template <typename T>
    void check(const std::string& what, const T& ours, const T& qt) {
        if (ours == qt) return;
        add(what + ": " + std::to_string(ours) + " (Qt " + std::to_string(qt) + ")");
    }
    void add(const std::string& message) {
        if (count_++ < 25) text_ << message << '\n';
    }
    int count() const { return count_; }
    std::string text() const { return text_.str(); }

private:
    int count_ = 0;
    std::ostringstream text_;
};

void compareGlyph(Mismatches& m, const std::string& name, const Font& ours, const Font& qt, int code) {
    const std::string at = name + " code " + std::to_string(code);
    m.check(at + " advance", ours.advanceWidth(code), qt.advanceWidth(code));
    const GlyphBox a = ours.glyphBox(code);
    const GlyphBox b = qt.glyphBox(code);
    if (boxText(a) != boxText(b)) m.add(at + " box " + boxText(a) + " (Qt " + boxText(b) + ")");
    if (!sameContours(ours.outline(code), qt.outline(code))) m.add(at + " outline differs");
    if (const std::string d = pathDifference(ours.glyphPath(code), qt.glyphPath(code)); !d.empty()) {
        m.add(at + " path: " + d);
    }
}

void compareFontMetrics(Mismatches& m, const std::string& name, const Font& ours, const Font& qt) {
    m.check(name + " ascent", ours.ascent(), qt.ascent());
    m.check(name + " height", ours.height(), qt.height());
    m.check(name + " leading", ours.externalLeading(), qt.externalLeading());
    m.check(name + " average width", ours.averageCharWidth(), qt.averageCharWidth());
}

std::string allBytes() {
    std::string text;
    for (int code = 1; code < 256; ++code) text.push_back(static_cast<char>(code));
    return text;
}

TEST(FreeTypeMeasuringTest, MusicFontsMeasureAsQtDoesAtEverySizeAndWidth) {
    QtMeasuringContext qt(SKIRLO_RESOURCE_DIR);
    FreeTypeMeasuringContext ours(SKIRLO_RESOURCE_DIR);
    std::vector<int> heights;
    for (int h = 6; h <= 60; ++h) heights.push_back(h);
    for (int h = 64; h <= 160; h += 8) heights.push_back(h);
    for (int zoom : {35, 50, 75, 100, 125, 150, 200, 300}) heights.push_back(derivedHeights(zoom, 90, 100).height);
    Mismatches m;
    int glyphs = 0;
    for (int section = 1; section <= 8; ++section) {
        const std::string face = "QTN" + std::to_string(section);
        for (int height : heights) {
            for (int width : {0, height / 3, derivedHeights(100, 90, 100).width}) {
                const std::string name = face + " height " + std::to_string(height) + " width " + std::to_string(width);
                const std::unique_ptr<Font> a = ours.createMusicFont(face, height, width);
                const std::unique_ptr<Font> b = qt.createMusicFont(face, height, width);
                ASSERT_TRUE(a && b) << name;
                compareFontMetrics(m, name, *a, *b);
                m.check(name + " all bytes", a->textExtent(allBytes()).width, b->textExtent(allBytes()).width);
                for (int code = 0; code < 256; ++code, ++glyphs) compareGlyph(m, name, *a, *b, code);
            }
        }
    }
    EXPECT_EQ(m.count(), 0) << m.text();
    EXPECT_GT(glyphs, 100000);
    EXPECT_EQ(ours.createMusicFont("QTN9", 40, 0), nullptr);
    EXPECT_EQ(ours.createMusicFont("../fonts/QTN1", 40, 0), nullptr);
    EXPECT_EQ(ours.createMusicFont("QTN1", 0, 0), nullptr);
}

std::vector<std::string> sampleTexts() {
    std::string printable;
    for (int code = 0x20; code < 0x100; ++code) {
        if (code == 0x7F || code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D) continue;
        printable.push_back(static_cast<char>(code));
    }
    std::vector<std::string> texts{"AV", "To", "Wa", "AVAVA", "Yo, Te Ta.", "The Haughs o' Cromdale",
                                   "Major J. A. McWilliam", "fi fl ffi", "\x93Quoted\x94 \x96 1\x92s",
                                   "Ce\xC3\xB2l m\xC3\xB3r \xE2\x80\x94 \xE2\x80\x9Cquoted\xE2\x80\x9D",  // UTF-8
                                   printable, ""};
    for (char c : printable) texts.emplace_back(1, c);
    return texts;
}

TEST(FreeTypeMeasuringTest, TextFontsMeasureAsQtDoesForFacesSizesAndStyles) {
    QtMeasuringContext qt(SKIRLO_RESOURCE_DIR);
    FreeTypeMeasuringContext ours(SKIRLO_RESOURCE_DIR);
    const std::vector<std::string> texts = sampleTexts();
    Mismatches m;
    for (const char* faceName : {"Times New Roman", "Arial", "Courier New", "DejaVu Serif", "No Such Face"}) {
        for (int tenths : {60, 80, 100, 120, 140, 180, 240, 480}) {
            for (int weight : {400, 700}) {
                for (int italic : {0, 1}) {
                    FontDescription d;
                    d.faceName = faceName;
                    d.heightTenthsOfPoint = tenths;
                    d.weight = weight;
                    d.italic = static_cast<std::uint8_t>(italic);
                    d.underline = static_cast<std::uint8_t>(italic);
                    const std::string name = std::string(faceName) + " " + std::to_string(tenths) + "/10 pt weight " +
                                             std::to_string(weight) + (italic ? " italic" : "");
                    const std::unique_ptr<Font> a = ours.createTextFont(d);
                    const std::unique_ptr<Font> b = qt.createTextFont(d);
                    ASSERT_TRUE(a && b && a->textFace() && b->textFace()) << name;
                    const TextFace& fa = *a->textFace();
                    const TextFace& fb = *b->textFace();
                    if (fa.family != fb.family) m.add(name + " family " + fa.family + " (Qt " + fb.family + ")");
                    m.check(name + " pixel size", fa.pixelSize, fb.pixelSize);
                    m.check(name + " weight", fa.weight, fb.weight);
                    m.check(name + " style", int{fa.italic} * 4 + int{fa.underline} * 2 + int{fa.strikeOut},
                            int{fb.italic} * 4 + int{fb.underline} * 2 + int{fb.strikeOut});
                    compareFontMetrics(m, name, *a, *b);
                    for (const std::string& text : texts) {
                        m.check(name + " text \"" + text + "\"", a->textExtent(text).width, b->textExtent(text).width);
                    }
                    for (int code = 0x20; code < 0x100; ++code) compareGlyph(m, name, *a, *b, code);
                    for (int cell : {9, 14, 23, 40}) {
                        const std::unique_ptr<Font> ca = ours.createTextFontByCellHeight(d, cell);
                        const std::unique_ptr<Font> cb = qt.createTextFontByCellHeight(d, cell);
                        m.check(name + " cell " + std::to_string(cell) + " height", ca->height(), cb->height());
                        m.check(name + " cell " + std::to_string(cell) + " size", ca->textFace()->pixelSize,
                                cb->textFace()->pixelSize);
                    }
                }
            }
        }
    }
    EXPECT_EQ(m.count(), 0) << m.text();
}

void compareLayouts(Mismatches& m, const std::string& name, const LaidOutMusic& a, const LaidOutMusic& b) {
    m.check(name + " width", a.extent.width, b.extent.width);
    m.check(name + " height", a.extent.height, b.extent.height);
    m.check(name + " left", a.leftX, b.leftX);
    if (a.tunes.size() != b.tunes.size()) return m.add(name + " tune counts differ");
    int symbols = 0;
    for (std::size_t t = 0; t < a.tunes.size(); ++t) {
        const std::vector<StaffLayout*> sa = test::stavesOf(*a.tunes[t]);
        const std::vector<StaffLayout*> sb = test::stavesOf(*b.tunes[t]);
        if (sa.size() != sb.size()) return m.add(name + " staff counts differ");
        for (std::size_t s = 0; s < sa.size(); ++s) {
            const std::string staff = name + " tune " + std::to_string(t) + " staff " + std::to_string(s);
            m.check(staff + " x", sa[s]->x, sb[s]->x);
            m.check(staff + " y", sa[s]->y, sb[s]->y);
            m.check(staff + " width", sa[s]->width, sb[s]->width);
            const std::vector<Symbol*> ya = test::symbolsOf(*sa[s]);
            const std::vector<Symbol*> yb = test::symbolsOf(*sb[s]);
            if (ya.size() != yb.size()) return m.add(staff + " symbol counts differ");
            for (std::size_t i = 0; i < ya.size(); ++i, ++symbols) {
                const std::string symbol = staff + " symbol " + ya[i]->name;
                m.check(symbol + " x", ya[i]->x, yb[i]->x);
                m.check(symbol + " y", ya[i]->y, yb[i]->y);
                m.check(symbol + " box width", ya[i]->glyphBox.width, yb[i]->glyphBox.width);
                m.check(symbol + " box height", ya[i]->glyphBox.height, yb[i]->glyphBox.height);
                m.check(symbol + " origin x", ya[i]->glyphOrigin.width, yb[i]->glyphOrigin.width);
                m.check(symbol + " origin y", ya[i]->glyphOrigin.height, yb[i]->glyphOrigin.height);
            }
        }
    }
    if (symbols == 0) m.add(name + " laid out no symbols");
}

TEST(FreeTypeMeasuringTest, EveryExampleTuneLaysOutAsWithQt) {
    test::Engraving qt;
    FreeTypeMeasuringContext ours(SKIRLO_RESOURCE_DIR);
    Mismatches m;
    int examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(SKIRLO_RESOURCE_DIR) + "/examples")) {
        if (entry.path().extension() != ".tnz") continue;
        ++examples;
        const std::string text = test::readFile(entry.path());
        for (int zoom : {50, 100, 170}) {
            LayoutSettings settings;
            settings.zoom = zoom;
            const std::string name = entry.path().filename().string() + " at " + std::to_string(zoom) + "%";
            ScriptText script(text);
            const LaidOutMusic mine = layOutMusic(script, false, qt.symbols, ours, qt.messages, settings);
            compareLayouts(m, name, mine, qt.layOut(text, settings));
        }
    }
    EXPECT_GE(examples, 5);
    EXPECT_EQ(m.count(), 0) << m.text();
}

}  // namespace
}  // namespace skirlo

namespace skirlo {
namespace {

// The largest size a text record may ask for, on a printer, overflows 26.6
// arithmetic done in 32 bits; metrics must stay huge and positive.
TEST(FreeTypeMeasuringTest, LargestTextOnAPrinterKeepsSaneMetrics) {
    FreeTypeMeasuringContext printer(SKIRLO_RESOURCE_DIR, 600, 600, true);
    FontDescription d;
    d.heightTenthsOfPoint = 100'000;
    const std::unique_ptr<Font> font = printer.createTextFont(d);
    ASSERT_TRUE(font);
    const int pixels = font->textFace()->pixelSize;
    EXPECT_EQ(pixels, 83'333);
    EXPECT_GT(font->ascent(), pixels / 2);
    EXPECT_LT(font->ascent(), pixels * 2);
    EXPECT_GT(font->height(), font->ascent());
    EXPECT_GT(font->averageCharWidth(), pixels / 4);
    const std::string line(400, 'W');
    EXPECT_GT(font->textExtent(line).width, 400 * (pixels / 2));
}

}  // namespace
}  // namespace skirlo
