#pragma once
// Texts shaped by HarfBuzz over a FreeType face: kerning and the font's
// substitutions applied, with the face's own glyphs and unhinted advances.
// One shaper serves every text font of its face, so that HarfBuzz's plans
// for the face are made once.

#include <hb.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "fonts/FreeTypeFace.h"

namespace skirlo {

class TextShaper {
public:
    explicit TextShaper(std::shared_ptr<const FreeTypeFace> face);
    ~TextShaper();
    TextShaper(const TextShaper&) = delete;
    TextShaper& operator=(const TextShaper&) = delete;

    // The shaped width of UTF-8 text in 26.6 pixels.
    std::int64_t width(const std::string& utf8) const;

private:
    std::int64_t shapedWidth(const std::string& utf8) const;

    std::shared_ptr<const FreeTypeFace> face_;
    hb_font_t* font_;
    // Widths measured so far: the tunes of a file repeat their texts (the
    // tune type, the composer), and drawing a text measures each of its
    // beginnings.
    mutable std::unordered_map<std::string, std::int64_t> widths_;
};

}  // namespace skirlo
