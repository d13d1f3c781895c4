// Arbitrary sequences of real symbol names laid out and drawn: nothing
// crashes, and the tree keeps its geometry consistent.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engraving/MusicRenderer.h"
#include "engraving/Surface.h"
#include "support/EngravingTestSupport.h"

namespace skirlo {
namespace {

using test::stavesOf;

// Counts what is drawn and checks every polygon is a whole curve or, for
// gracenotes written one after another, a glyph contour (a closed figure).
class CountingSurface final : public Surface {
public:
    SurfaceKind kind() const override { return SurfaceKind::Image; }
    void glyph(const Font&, int, int, int, Colour) override { ++calls; }
    void fillRect(const Rect& r, Colour) override {
        ++calls;
        EXPECT_LE(r.left, r.right);
    }
    void fillPolygon(const std::vector<OutlinePoint>& points, Colour) override {
        ++calls;
        EXPECT_TRUE(points.size() == 261u || (points.size() >= 3 && points.size() < 261u)) << points.size();
    }
    void frameRect(const Rect&, Colour, Colour) override { ++calls; }
    void text(const Font&, std::string_view, int, int, Colour) override { ++calls; }
    bool isVisible(const Rect&) const override { return true; }
    Point toDevice(Point p) const override { return p; }
    int calls = 0;
};

const std::vector<std::string> kWords = {
    "LA_4", "B_8", "HAr_8", "El_16", "Dr_32", "HA_2", "LG_1", "'la", "'ha", "gg", "dbha", "grp", "thrd", "strla",
    "tar", "brl", "sharpf", "naturalc", "2_4", "C", "!", "!t", "I!", "!I", "I!''", "''!I", "&", "'1", "'2", "'bis",
    "_'", "bis_'", "^ts", "^te", "^t", "^3s", "^3e", "^3", "fermat", "segno", "fine", "coda", "dalsegno",
    "dacapoalfine", "codasection", "TuneTempo,80", "\t", "unknownname",
    "\"in\",(I,C,0,0,Times New Roman,10,400,0,0,18,0,0,0)", "\"at\",(I,R,0,0,Times New Roman,8,400,0,0,18,0,0,0)"};

std::string randomTune(std::mt19937& random, int words) {
    std::uniform_int_distribution<std::size_t> pick(0, kWords.size() - 1);
    std::string text = "\"T\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n& ";
    for (int i = 0; i < words; ++i) {
        text += kWords[pick(random)];
        text += random() % 9 == 0 ? "\r\n" : " ";
    }
    return text + " !t";
}

void expectConsistent(const Tune& tune, bool aligned) {
    int widest = 0;
    for (const StaffLayout* staff : stavesOf(tune)) widest = std::max(widest, staff->width);
    for (const StaffLayout* staff : stavesOf(tune)) {
        int x = staff->x;
        for (const auto& bar : staff->bars) {
            EXPECT_EQ(bar->x, x);
            EXPECT_GE(bar->width, 0);
            x += bar->width;
        }
        EXPECT_EQ(x, staff->x + staff->width);
        if (!aligned) {
            EXPECT_EQ(staff->width, widest);
        }
        EXPECT_GE(staff->height, staff->ballBandHeight);
    }
    EXPECT_GE(tune.width, widest);
}

TEST(LayoutRobustness, RandomSymbolSoupLaysOutAndDraws) {
    test::Engraving engraving;
    std::mt19937 random(20261208);
    const MusicRenderer renderer(0x0000FF);
    for (int round = 0; round < 60; ++round) {
        LayoutSettings settings;
        settings.alignBars = round % 3 == 0;
        settings.zoom = 30 + round * 7;
        settings.xScale = round % 5 == 0 ? 0 : 90;
        const LaidOutMusic& music = engraving.layOut(randomTune(random, 20 + round * 5), settings);
        for (const auto& tune : music.tunes) expectConsistent(*tune, settings.alignBars);
        CountingSurface surface;
        renderer.draw(music.tunes, surface);
        EXPECT_GT(surface.calls, 0);
        EXPECT_GE(music.extent.width, 1);
    }
}

}  // namespace
}  // namespace skirlo
