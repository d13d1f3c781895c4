// Times the start-up of the FreeType measuring context in a fresh process:
// the first music font (FreeType and our font file), the first text font
// (fontconfig's configuration and the face lookup, HarfBuzz), then a second
// text font and a shaped text once everything is warm. Run it a few times:
// the first run after boot also pays for the disk.

#include <chrono>
#include <cstdio>
#include <memory>

#include "fonts/FreeTypeMeasuringContext.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main() {
    using namespace skirlo;
    const Clock::time_point start = Clock::now();
    FreeTypeMeasuringContext context(SKIRLO_RESOURCE_DIR);

    Clock::time_point phase = Clock::now();
    const std::unique_ptr<Font> music = context.createMusicFont("QTN1", 40, 0);
    const int musicWidth = music ? music->glyphBox('C').width : -1;
    const double musicMs = millisecondsSince(phase);

    phase = Clock::now();
    const std::unique_ptr<Font> text = context.createTextFont(FontDescription{});
    const double textMs = millisecondsSince(phase);

    phase = Clock::now();
    const int width = text ? text->textExtent("The Haughs o' Cromdale").width : -1;
    const double shapeMs = millisecondsSince(phase);

    phase = Clock::now();
    FontDescription italic;
    italic.italic = 1;
    const std::unique_ptr<Font> second = context.createTextFont(italic);
    const double secondMs = millisecondsSince(phase);

    std::printf("first music font (FreeType, file, one glyph): %.2f ms (box width %d)\n", musicMs, musicWidth);
    std::printf("first text font (fontconfig load and match, face): %.2f ms\n", textMs);
    std::printf("first shaped text (HarfBuzz): %.2f ms (width %d)\n", shapeMs, width);
    std::printf("second text font: %.2f ms (%s)\n", secondMs, second ? "found" : "missing");
    std::printf("total: %.2f ms\n", millisecondsSince(start));
    return music && text && second ? 0 : 1;
}
