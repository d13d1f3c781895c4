#include "engraving/FontCreation.h"

#include <algorithm>
#include <string>

#include "common/MessageSink.h"

namespace skirlo {

namespace {

constexpr int kReferenceGlyph = 33;
constexpr const char* kTextFace = "Times New Roman";

void reportMissing(MessageSink& messages, const std::string& face) {
    messages.show("Could not load the " + face + " font!\nInstall this font to proceed.", kApplicationTitle);
}

int referenceHeight(const Font& font) { return std::max(font.glyphBox(kReferenceGlyph).height, 1); }

// QTN1 at the highest height not above `height` whose reference glyph is a
// multiple of 4 high. The measured height is never below 1, so the search
// also stops at height 1, where no lower font can be made.
std::unique_ptr<Font> createReferenceFont(MeasuringContext& context, int& height) {
    std::unique_ptr<Font> font = context.createMusicFont("QTN1", height, 0);
    while (font && referenceHeight(*font) % 4 != 0 && height > 1) {
        --height;
        font = context.createMusicFont("QTN1", height, 0);
    }
    return font;
}

// The font again at the stretched width when a width argument is given.
std::unique_ptr<Font> stretched(MeasuringContext& context, const std::string& face, std::unique_ptr<Font> font,
                                int height, int width) {
    if (!font || width == 0 || height <= 0) return font;
    const int average = font->averageCharWidth();
    std::unique_ptr<Font> wide = context.createMusicFont(face, height, width * average / height);
    return wide ? std::move(wide) : std::move(font);
}

}  // namespace

FontSet createFontSet(MeasuringContext& context, int height, int width, MessageSink& messages) {
    FontSet set;
    int h = height;
    std::unique_ptr<Font> first = createReferenceFont(context, h);
    if (!first) reportMissing(messages, "QTN1");
    set.fonts[0] = stretched(context, "QTN1", std::move(first), h, width);

    for (int section = 2; section <= 8; ++section) {
        const std::string face = "QTN" + std::to_string(section);
        std::unique_ptr<Font> font = context.createMusicFont(face, h, 0);
        if (!font) reportMissing(messages, face);
        const std::size_t slot = static_cast<std::size_t>(section <= 4 ? section - 1 : section);
        set.fonts[slot] = stretched(context, face, std::move(font), h, width);
    }

    FontDescription text;
    text.faceName = kTextFace;
    text.weight = 700;
    text.charSet = 0;
    set.fonts[FontSet::kTextFontIndex] =
        context.createTextFontByCellHeight(text, h * kTextFontReferenceSize / kReferenceHeight);
    if (!set.fonts[FontSet::kTextFontIndex]) reportMissing(messages, kTextFace);
    set.height = h;
    return set;
}

}  // namespace skirlo
