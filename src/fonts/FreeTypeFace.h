#pragma once
// One face of a font file opened with FreeType at a pixel size, with the
// character mapping, advances, height metrics and outlines the desktop
// program's font engine reports for the same file and size: unhinted, in
// 26.6 fixed point where it keeps fixed point.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <string>
#include <vector>

#include "common/Measuring.h"

namespace skirlo {

// A font file's bytes, mapped read-only rather than read: a face reads only
// the tables it uses, so most of a large text font is never touched.
class FontBytes {
public:
    // Null when the file cannot be mapped or is empty.
    static std::shared_ptr<const FontBytes> map(const std::string& path);
    ~FontBytes();
    FontBytes(const FontBytes&) = delete;
    FontBytes& operator=(const FontBytes&) = delete;

    const unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    FontBytes(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    const unsigned char* data_;
    std::size_t size_;
};

class FreeTypeLibrary {
public:
    // Null when FreeType cannot start.
    static std::shared_ptr<FreeTypeLibrary> create();
    ~FreeTypeLibrary();
    FreeTypeLibrary(const FreeTypeLibrary&) = delete;
    FreeTypeLibrary& operator=(const FreeTypeLibrary&) = delete;

    FT_Library handle() const { return library_; }

private:
    explicit FreeTypeLibrary(FT_Library library) : library_(library) {}
    FT_Library library_;
};

// Line metrics in 26.6: ascent and descent both positive downward extents.
struct HeightMetrics {
    int ascent = 0;
    int descent = 0;
    int leading = 0;
};

// Faked styles for a face that lacks the asked-for one.
struct Synthesis {
    bool embolden = false;
    bool obliquen = false;
};

class FreeTypeFace {
public:
    // Null when the bytes hold no scalable face of that index.
    static std::unique_ptr<FreeTypeFace> open(std::shared_ptr<FreeTypeLibrary> library,
                                              std::shared_ptr<const FontBytes> bytes, int index, int pixelSize);
    ~FreeTypeFace();
    FreeTypeFace(const FreeTypeFace&) = delete;
    FreeTypeFace& operator=(const FreeTypeFace&) = delete;

    int pixelSize() const { return pixelSize_; }
    int unitsPerEm() const { return face_->units_per_EM; }
    int index() const { return index_; }
    const FontBytes& bytes() const { return *bytes_; }

    // The glyph of a character as a run of text maps it (a symbol font's own
    // table first); 0 when the font has none.
    unsigned glyphForCharacter(char32_t character) const;
    // The glyph of a single character as it is measured on its own.
    unsigned glyphIndex(char32_t character) const;
    // The unhinted advance in 26.6 pixels.
    int designAdvance(unsigned glyph) const;
    const HeightMetrics& heightMetrics() const { return heights_; }
    int averageCharWidth() const;  // 26.6

    bool isBold() const { return (face_->style_flags & FT_STYLE_FLAG_BOLD) != 0; }
    bool isItalic() const { return (face_->style_flags & FT_STYLE_FLAG_ITALIC) != 0; }
    bool isFixedWidth() const { return FT_IS_FIXED_WIDTH(face_) != 0; }
    // The OS/2 weight class, 0 without that table.
    int weightClass() const;
    std::string familyName() const { return face_->family_name ? face_->family_name : ""; }

    // The outline in pixels with the origin on the baseline, y downward;
    // curves are cubic. Empty for a glyph without an outline.
    GlyphPath glyphPath(unsigned glyph, Synthesis synthesis = {}) const;

    // The face as a document embeds it, made on first use; null for a face
    // of a collection, of a format a document cannot embed, or whose maker
    // does not allow embedding it.
    const FontProgram* program() const;

private:
    FreeTypeFace(std::shared_ptr<FreeTypeLibrary> library, std::shared_ptr<const FontBytes> bytes, FT_Face face,
                 int index, int pixelSize);
    void activate(FT_Size size) const;
    HeightMetrics computeHeightMetrics() const;
    bool hasTable(FT_ULong tag) const;
    std::optional<FontProgram> makeProgram() const;

    std::shared_ptr<FreeTypeLibrary> library_;
    std::shared_ptr<const FontBytes> bytes_;
    FT_Face face_;
    FT_Size unscaled_ = nullptr;
    FT_Size scaled_ = nullptr;
    FT_CharMap unicodeMap_ = nullptr;
    FT_CharMap symbolMap_ = nullptr;
    bool symbol_ = false;
    int index_;
    int pixelSize_;
    HeightMetrics heights_;
    mutable std::vector<int> advances_;  // -1 until loaded
    // Outlines made so far, by glyph and synthesis: every tune of a file
    // asks for the same few.
    mutable std::map<std::tuple<unsigned, bool, bool>, GlyphPath> paths_;
    mutable std::optional<std::optional<FontProgram>> program_;  // outer: made yet
};

}  // namespace skirlo
