#include "fonts/TextShaper.h"

namespace skirlo {

namespace {

// The face answers HarfBuzz's questions, so shaping sees the same glyphs and
// unhinted advances as measuring single characters does.
hb_bool_t nominalGlyph(hb_font_t*, void* data, hb_codepoint_t unicode, hb_codepoint_t* glyph, void*) {
    *glyph = static_cast<const FreeTypeFace*>(data)->glyphIndex(unicode);
    return *glyph != 0;
}

void horizontalAdvances(hb_font_t*, void* data, unsigned count, const hb_codepoint_t* glyphs, unsigned glyphStride,
                        hb_position_t* advances, unsigned advanceStride, void*) {
    const auto* face = static_cast<const FreeTypeFace*>(data);
    for (unsigned i = 0; i < count; ++i) {
        *advances = face->designAdvance(*glyphs);
        glyphs = reinterpret_cast<const hb_codepoint_t*>(reinterpret_cast<const char*>(glyphs) + glyphStride);
        advances = reinterpret_cast<hb_position_t*>(reinterpret_cast<char*>(advances) + advanceStride);
    }
}

hb_font_funcs_t* makeFontFuncs() {
    hb_font_funcs_t* funcs = hb_font_funcs_create();
    hb_font_funcs_set_nominal_glyph_func(funcs, nominalGlyph, nullptr, nullptr);
    hb_font_funcs_set_glyph_h_advances_func(funcs, horizontalAdvances, nullptr, nullptr);
    hb_font_funcs_make_immutable(funcs);
    return funcs;
}

hb_font_t* makeHarfBuzzFont(const FreeTypeFace& face) {
    const FontBytes& bytes = face.bytes();
    hb_blob_t* blob = hb_blob_create(reinterpret_cast<const char*>(bytes.data()), static_cast<unsigned>(bytes.size()),
                                     HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    hb_face_t* hbFace = hb_face_create(blob, static_cast<unsigned>(face.index()));
    hb_blob_destroy(blob);
    hb_face_set_upem(hbFace, static_cast<unsigned>(face.unitsPerEm()));
    hb_font_t* font = hb_font_create(hbFace);
    hb_face_destroy(hbFace);
    hb_font_funcs_t* funcs = makeFontFuncs();
    hb_font_set_funcs(font, funcs, const_cast<FreeTypeFace*>(&face), nullptr);
    hb_font_funcs_destroy(funcs);
    // Positions come back in 26.6 pixels.
    const int scale = face.pixelSize() * 64;
    hb_font_set_scale(font, scale, -scale);
    hb_font_set_ppem(font, static_cast<unsigned>(face.pixelSize()), static_cast<unsigned>(face.pixelSize()));
    return font;
}

}  // namespace

TextShaper::TextShaper(std::shared_ptr<const FreeTypeFace> face)
    : face_(std::move(face)), font_(makeHarfBuzzFont(*face_)) {}

TextShaper::~TextShaper() { hb_font_destroy(font_); }

std::int64_t TextShaper::width(const std::string& utf8) const {
    if (const auto it = widths_.find(utf8); it != widths_.end()) return it->second;
    const std::int64_t measured = shapedWidth(utf8);
    widths_.emplace(utf8, measured);
    return measured;
}

std::int64_t TextShaper::shapedWidth(const std::string& utf8) const {
    if (utf8.empty()) return 0;
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf8(buffer, utf8.data(), static_cast<int>(utf8.size()), 0, static_cast<int>(utf8.size()));
    hb_buffer_guess_segment_properties(buffer);
    const hb_feature_t kerning{HB_TAG('k', 'e', 'r', 'n'), 1, 0, static_cast<unsigned>(-1)};
    hb_shape(font_, buffer, &kerning, 1);
    unsigned count = 0;
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    std::int64_t width = 0;
    for (unsigned i = 0; i < count; ++i) width += positions[i].x_advance;
    hb_buffer_destroy(buffer);
    return width;
}

}  // namespace skirlo
