#include "fonts/FreeTypeFace.h"

#include FT_ADVANCES_H
#include FT_FONT_FORMATS_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include FT_TYPE1_TABLES_H

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <utility>

#include "common/Windows1252.h"
#include "fonts/FixedPoint.h"
#include "fonts/PathGeometry.h"

namespace skirlo {

namespace {

constexpr char32_t kSpace = 0x20;
constexpr char32_t kTab = 0x09;
constexpr char32_t kNoBreakSpace = 0xA0;

std::uint16_t bigEndian16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

// A design value in font units as 26.6 pixels, rounded to the nearest 1/64.
int scaledDesign(int units, int pixelSize, int unitsPerEm) {
    return fixed::divide(std::int64_t{units} * pixelSize * 64, std::int64_t{unitsPerEm} * 64);
}

// The outline of a loaded glyph, scaled from font units to pixels, as a path
// of lines and cubics: TrueType's quadratic arcs are raised to cubics, and a
// contour that starts off the curve starts at the midpoint to its last point.
GlyphPath pathOfOutline(FT_Outline& outline, FT_Fixed xScale, FT_Fixed yScale, int unitsPerEm) {
    const FT_Fixed sx = FT_MulDiv(xScale, 1 << 10, unitsPerEm);
    const FT_Fixed sy = FT_MulDiv(yScale, 1 << 10, unitsPerEm);
    for (int i = 0; i < outline.n_points; ++i) {
        outline.points[i].x = FT_MulFix(outline.points[i].x, sx);
        outline.points[i].y = FT_MulFix(outline.points[i].y, sy);
    }
    constexpr double kFactor = 1 / 64.;
    const auto point = [&](int i) { return PathPoint{outline.points[i].x * kFactor, -outline.points[i].y * kFactor}; };
    const auto onCurve = [&](int i) { return (outline.tags[i] & 1) != 0; };
    const auto mix = [](PathPoint a, PathPoint b, double wa, double wb, double d) {
        return PathPoint{(wa * a.x + wb * b.x) / d, (wa * a.y + wb * b.y) / d};
    };
    PathBuilder path;
    int i = 0;
    for (int j = 0; j < outline.n_contours; ++j) {
        const int last = outline.contours[j];
        PathPoint start = point(i);
        if (!onCurve(i)) {
            start = onCurve(last) ? point(last) : mix(point(last), start, 1, 1, 2.0);
            --i;  // the original start point is then a control point
        }
        path.moveTo(start);
        std::array<PathPoint, 4> c{start, {}, {}, {}};
        int n = 1;
        while (i < last) {
            ++i;
            c[static_cast<std::size_t>(n)] = point(i);
            ++n;
            switch (outline.tags[i] & 3) {
            case 2:  // cubic control point
                if (n < 4) continue;
                c[3] = mix(c[3], c[2], 1, 1, 2);
                --i;
                break;
            case 0:  // quadratic control point
                if (n < 3) continue;
                c[3] = mix(c[1], c[2], 1, 1, 2);
                c[2] = mix(c[1], c[3], 2, 1, 3);
                c[1] = mix(c[1], c[0], 2, 1, 3);
                --i;
                break;
            default:  // on the curve
                if (n == 2) {
                    path.lineTo(c[1]);
                    c[0] = c[1];
                    n = 1;
                    continue;
                }
                if (n == 3) {
                    c[3] = c[2];
                    c[2] = mix(c[1], c[3], 2, 1, 3);
                    c[1] = mix(c[1], c[0], 2, 1, 3);
                }
                break;
            }
            path.cubicTo(c[1], c[2], c[3]);
            c[0] = c[3];
            n = 1;
        }
        if (n == 1) {
            path.closeSubpath();
        } else {
            c[3] = start;
            if (n == 2) {
                c[2] = mix(c[1], c[3], 2, 1, 3);
                c[1] = mix(c[1], c[0], 2, 1, 3);
            }
            path.cubicTo(c[1], c[2], c[3]);
        }
        ++i;
    }
    return path.take();
}

}  // namespace

std::shared_ptr<FreeTypeLibrary> FreeTypeLibrary::create() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return nullptr;
    return std::shared_ptr<FreeTypeLibrary>(new FreeTypeLibrary(library));
}

FreeTypeLibrary::~FreeTypeLibrary() { FT_Done_FreeType(library_); }

std::shared_ptr<const FontBytes> FontBytes::map(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat status {};
    void* mapped = MAP_FAILED;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        mapped = ::mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    }
    ::close(fd);
    if (mapped == MAP_FAILED) return nullptr;
    return std::shared_ptr<const FontBytes>(
        new FontBytes(static_cast<const unsigned char*>(mapped), static_cast<std::size_t>(status.st_size)));
}

FontBytes::~FontBytes() { ::munmap(const_cast<unsigned char*>(data_), size_); }

std::unique_ptr<FreeTypeFace> FreeTypeFace::open(std::shared_ptr<FreeTypeLibrary> library,
                                                 std::shared_ptr<const FontBytes> bytes, int index, int pixelSize) {
    if (!library || !bytes || bytes->empty() || pixelSize < 1) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library->handle(), bytes->data(), static_cast<FT_Long>(bytes->size()), index, &face) != 0) {
        return nullptr;
    }
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    return std::unique_ptr<FreeTypeFace>(
        new FreeTypeFace(std::move(library), std::move(bytes), face, index, pixelSize));
}

FreeTypeFace::FreeTypeFace(std::shared_ptr<FreeTypeLibrary> library, std::shared_ptr<const FontBytes> bytes,
                           FT_Face face, int index, int pixelSize)
    : library_(std::move(library)), bytes_(std::move(bytes)), face_(face), index_(index), pixelSize_(pixelSize),
      advances_(static_cast<std::size_t>(face->num_glyphs), -1) {
    for (int i = 0; i < face_->num_charmaps; ++i) {
        FT_CharMap map = face_->charmaps[i];
        switch (map->encoding) {
        case FT_ENCODING_UNICODE:
            unicodeMap_ = map;
            break;
        case FT_ENCODING_APPLE_ROMAN:
        case FT_ENCODING_ADOBE_LATIN_1:
            if (!unicodeMap_ || unicodeMap_->encoding != FT_ENCODING_UNICODE) unicodeMap_ = map;
            break;
        case FT_ENCODING_ADOBE_CUSTOM:
        case FT_ENCODING_MS_SYMBOL:
            if (!symbolMap_) symbolMap_ = map;
            break;
        default:
            break;
        }
    }
    FT_Set_Charmap(face_, unicodeMap_);
    symbol_ = symbolMap_ != nullptr;
    PS_FontInfoRec info;
    // A Type 1 font is a symbol font only by its name.
    if (FT_Get_PS_Font_Info(face_, &info) == 0) symbol_ = false;

    scaled_ = face_->size;
    const FT_F26Dot6 size = static_cast<FT_F26Dot6>(pixelSize) * 64;
    FT_Set_Char_Size(face_, size, size, 0, 0);
    if (FT_New_Size(face_, &unscaled_) == 0) {
        FT_Activate_Size(unscaled_);
        FT_Set_Char_Size(face_, static_cast<FT_F26Dot6>(face_->units_per_EM) << 6,
                         static_cast<FT_F26Dot6>(face_->units_per_EM) << 6, 0, 0);
        FT_Activate_Size(scaled_);
    }
    heights_ = computeHeightMetrics();
}

FreeTypeFace::~FreeTypeFace() { FT_Done_Face(face_); }

void FreeTypeFace::activate(FT_Size size) const {
    if (size && face_->size != size) FT_Activate_Size(size);
}

bool FreeTypeFace::hasTable(FT_ULong tag) const {
    FT_ULong length = 0;
    return FT_Load_Sfnt_Table(face_, tag, 0, nullptr, &length) == 0 && length > 0;
}

unsigned FreeTypeFace::glyphForCharacter(char32_t character) const {
    if (symbolMap_) {
        FT_Set_Charmap(face_, symbolMap_);
        unsigned glyph = FT_Get_Char_Index(face_, character);
        FT_Set_Charmap(face_, unicodeMap_);
        if (glyph == 0 && symbol_ && character < 0x100) glyph = FT_Get_Char_Index(face_, character + 0xF000);
        return glyph;
    }
    unsigned glyph = FT_Get_Char_Index(face_, character);
    // Fonts without a no-break space or tab draw them as a space.
    if (glyph == 0 && (character == kNoBreakSpace || character == kTab)) glyph = FT_Get_Char_Index(face_, kSpace);
    return glyph;
}

unsigned FreeTypeFace::glyphIndex(char32_t character) const {
    unsigned glyph = FT_Get_Char_Index(face_, character);
    if (glyph != 0) return glyph;
    if (character == kNoBreakSpace || character == kTab) return FT_Get_Char_Index(face_, kSpace);
    if (symbolMap_) {
        FT_Set_Charmap(face_, symbolMap_);
        glyph = FT_Get_Char_Index(face_, character);
        FT_Set_Charmap(face_, unicodeMap_);
        if (glyph == 0 && symbol_ && character < 0x100) glyph = FT_Get_Char_Index(face_, character + 0xF000);
    }
    return glyph;
}

int FreeTypeFace::designAdvance(unsigned glyph) const {
    if (glyph >= advances_.size()) return 0;
    int& cached = advances_[glyph];
    if (cached >= 0) return cached;
    activate(scaled_);
    // Read from the metrics table and scaled as loading the glyph would
    // scale it, without loading its outline.
    const FT_Int32 flags = FT_LOAD_DEFAULT | FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;
    FT_Fixed advance = 0;
    if (FT_Get_Advance(face_, glyph, flags, &advance) != 0) return cached = 0;
    // 16.16 pixels to 26.6.
    return cached = static_cast<int>(advance >> 10);
}

HeightMetrics FreeTypeFace::computeHeightMetrics() const {
    const FT_Size_Metrics& size = scaled_->metrics;
    HeightMetrics m{static_cast<int>(size.ascender), static_cast<int>(-size.descender),
                    static_cast<int>(size.height - size.ascender + size.descender)};
    const bool embeddedBitmaps = hasTable(TTAG_EBLC) || hasTable(TTAG_CBLC) || hasTable(FT_MAKE_TAG('b', 'd', 'a', 't'));
    if (embeddedBitmaps) return m;
    const int upem = face_->units_per_EM;
    // The horizontal header's line metrics, when they are set.
    if (const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
        hhea && (hhea->Ascender != 0 || hhea->Descender != 0)) {
        m = {scaledDesign(hhea->Ascender, pixelSize_, upem), -scaledDesign(hhea->Descender, pixelSize_, upem),
             scaledDesign(hhea->Line_Gap, pixelSize_, upem)};
    }
    // The OS/2 table's typographic metrics override them when the font asks
    // for those.
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(face_, TTAG_OS2, 0, nullptr, &length) != 0 || length < 78) return m;
    std::vector<unsigned char> os2(length);
    if (FT_Load_Sfnt_Table(face_, TTAG_OS2, 0, os2.data(), &length) != 0) return m;
    constexpr unsigned kUseTypoMetrics = 0x80;
    const auto typoAscent = static_cast<std::int16_t>(bigEndian16(&os2[68]));
    const auto typoDescent = static_cast<std::int16_t>(bigEndian16(&os2[70]));
    const auto typoLineGap = static_cast<std::int16_t>(bigEndian16(&os2[72]));
    if (!(bigEndian16(&os2[62]) & kUseTypoMetrics) || (typoAscent == 0 && typoDescent == 0)) return m;
    return {scaledDesign(typoAscent, pixelSize_, upem), -scaledDesign(typoDescent, pixelSize_, upem),
            scaledDesign(typoLineGap, pixelSize_, upem)};
}

int FreeTypeFace::averageCharWidth() const {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    if (os2 && os2->xAvgCharWidth != 0) {
        // The pixel size is the face's ppem; FreeType's own copy of it holds
        // only 16 bits.
        return fixed::divide(std::int64_t{os2->xAvgCharWidth} * pixelSize_ * 64,
                             std::int64_t{face_->units_per_EM} * 64);
    }
    return designAdvance(glyphIndex(U'x'));
}

int FreeTypeFace::weightClass() const {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    return os2 ? os2->usWeightClass : 0;
}

GlyphPath FreeTypeFace::glyphPath(unsigned glyph, Synthesis synthesis) const {
    if (!unscaled_) return {};
    const auto key = std::make_tuple(glyph, synthesis.embolden, synthesis.obliquen);
    if (const auto it = paths_.find(key); it != paths_.end()) return it->second;
    activate(unscaled_);
    const bool loaded = FT_Load_Glyph(face_, glyph, FT_LOAD_NO_BITMAP) == 0;
    GlyphPath path;
    FT_GlyphSlot slot = face_->glyph;
    if (loaded && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (synthesis.embolden) FT_GlyphSlot_Embolden(slot);
        if (synthesis.obliquen) FT_GlyphSlot_Oblique(slot);
        const FT_Fixed size = static_cast<FT_Fixed>(pixelSize_) * 64;
        path = pathOfOutline(slot->outline, size, size, face_->units_per_EM);
    }
    activate(scaled_);
    paths_.emplace(key, path);
    return path;
}

const FontProgram* FreeTypeFace::program() const {
    if (!program_) program_ = makeProgram();
    return *program_ ? &**program_ : nullptr;
}

std::optional<FontProgram> FreeTypeFace::makeProgram() const {
    const std::string_view file(reinterpret_cast<const char*>(bytes_->data()), bytes_->size());
    // A collection's face would need cutting out of its file first.
    if (!FT_IS_SFNT(face_) || file.substr(0, 4) == "ttcf") return std::nullopt;
    const char* formatName = FT_Get_Font_Format(face_);
    const std::string_view format = formatName != nullptr ? formatName : "";
    if (format != "TrueType" && format != "CFF") return std::nullopt;
    const FT_UShort permissions = FT_Get_FSType_Flags(face_);
    if (permissions & (FT_FSTYPE_RESTRICTED_LICENSE_EMBEDDING | FT_FSTYPE_BITMAP_EMBEDDING_ONLY)) return std::nullopt;
    const char* name = FT_Get_Postscript_Name(face_);
    if (name == nullptr) return std::nullopt;

    FontProgram program;
    program.file = file;
    program.compactOutlines = format == "CFF";
    program.postScriptName = name;
    const int upem = face_->units_per_EM;
    if (upem <= 0) return std::nullopt;
    const auto thousandths = [upem](long units) { return static_cast<int>(units * 1000 / upem); };
    for (int code = 0; code < 256; ++code) {
        const unsigned glyph = glyphForCharacter(windows1252ToCodePoint(static_cast<unsigned char>(code)));
        FT_Fixed advance = 0;
        if (glyph != 0 && FT_Get_Advance(face_, glyph, FT_LOAD_NO_SCALE, &advance) != 0) advance = 0;
        program.glyphs[static_cast<std::size_t>(code)] = glyph;
        program.advances[static_cast<std::size_t>(code)] = thousandths(advance);
    }
    program.ascent = thousandths(face_->ascender);
    program.descent = thousandths(face_->descender);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    program.capHeight = os2 && os2->version >= 2 && os2->sCapHeight > 0 ? thousandths(os2->sCapHeight) : program.ascent;
    program.box = {thousandths(face_->bbox.xMin), thousandths(face_->bbox.yMin), thousandths(face_->bbox.xMax),
                   thousandths(face_->bbox.yMax)};
    if (const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face_, FT_SFNT_POST))) {
        program.italicAngle = post->italicAngle / 65536.0;
    }
    program.fixedPitch = isFixedWidth();
    program.italic = isItalic();
    return program;
}

}  // namespace skirlo
