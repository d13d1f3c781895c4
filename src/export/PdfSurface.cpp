#include "export/PdfSurface.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>

#include "common/Windows1252.h"

namespace skirlo {

namespace {

constexpr double kPointsPerPixel = 72.0 / 96.0;

// Hundredths are finer than any printer shows; trailing zeros and a leading
// zero are left out, as PDF allows.
void appendNumber(std::string& out, double value) {
    long long hundredths = std::llround(value * 100);
    // A page holds tens of thousands of numbers: written in place, without
    // a string for each.
    char digits[24];
    char* end = digits;
    if (hundredths < 0) {
        *end++ = '-';
        hundredths = -hundredths;
    }
    if (hundredths >= 100 || hundredths == 0) end = std::to_chars(end, digits + sizeof digits, hundredths / 100).ptr;
    if (const long long fraction = hundredths % 100; fraction != 0) {
        *end++ = '.';
        *end++ = static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) *end++ = static_cast<char>('0' + fraction % 10);
    }
    out.append(digits, end);
}

std::string numbers(std::initializer_list<double> values) {
    std::string out;
    for (double value : values) {
        if (!out.empty()) out += ' ';
        appendNumber(out, value);
    }
    return out;
}

// Numbers separated by spaces, then the operator and a line end.
void appendOperation(std::string& out, std::initializer_list<double> operands, std::string_view op) {
    for (double operand : operands) {
        appendNumber(out, operand);
        out += ' ';
    }
    out += op;
    out += '\n';
}

void appendColour(std::string& out, Colour colour, std::string_view op) {
    appendOperation(out, {(colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0, ((colour >> 16) & 0xFF) / 255.0},
                    op);
}

std::string formPath(const GlyphPath& path) {
    std::string out;
    for (const PathElement& e : path) {
        switch (e.kind) {
            case PathElement::Kind::Move: appendOperation(out, {e.to.x, e.to.y}, "m"); break;
            case PathElement::Kind::Line: appendOperation(out, {e.to.x, e.to.y}, "l"); break;
            case PathElement::Kind::Cubic:
                appendOperation(out, {e.control1.x, e.control1.y, e.control2.x, e.control2.y, e.to.x, e.to.y}, "c");
                break;
        }
    }
    // Filled by the nonzero rule, in the colour of the placing.
    if (!out.empty()) out += "f\n";
    return out;
}

// The whole pixels round a path; a curve lies within its control points.
std::string boundingBox(const GlyphPath& path) {
    double left = path.front().to.x, right = left, top = path.front().to.y, bottom = top;
    const auto include = [&](const PathPoint& p) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    };
    for (const PathElement& e : path) {
        include(e.to);
        if (e.kind == PathElement::Kind::Cubic) {
            include(e.control1);
            include(e.control2);
        }
    }
    return '[' + numbers({std::floor(left), std::floor(top), std::ceil(right), std::ceil(bottom)}) + ']';
}

// The next code point of UTF-8 text, U+FFFD for a malformed byte.
char32_t nextCodePoint(std::string_view utf8, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || at + length > utf8.size()) {
        ++at;
        return 0xFFFD;
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return 0xFFFD;
        }
        c = c << 6 | (byte(at + i) & 0x3F);
    }
    at += length;
    return c;
}

// The byte a text font draws a code point with; -1 for one Windows-1252
// cannot write, which the font's codes cannot reach.
int windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (int byte = 0x80; byte < 0xA0; ++byte) {
        if (windows1252ToCodePoint(static_cast<unsigned char>(byte)) == c) return byte;
    }
    return -1;
}

// Data handed over piece by piece, in order, to `take`; false when a piece
// could not be read or `take` refused it.
using Pieces = std::function<bool(const std::function<bool(std::string_view)>& take)>;

// Deflates the streams of one file through one zlib stream, reset between
// them: its state, a few hundred kilobytes, is made once and not for every
// glyph's form.
class Deflater {
public:
    // The fastest level: most of the saving at a fraction of the time.
    Deflater() { ready_ = deflateInit(&stream_, Z_BEST_SPEED) == Z_OK; }
    ~Deflater() {
        if (ready_) deflateEnd(&stream_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // The pieces, `size` bytes, deflated as one stream; nullopt when zlib
    // cannot (out of memory) or a piece could not be read.
    std::optional<std::string> compress(const Pieces& pieces, std::size_t size) {
        if (!ready_ || deflateReset(&stream_) != Z_OK) return std::nullopt;
        // Room for the worst case at once: the output never moves as it
        // grows, and the room it does not fill is never touched. It grows in
        // steps no larger than that, as a glyph's form is small.
        constexpr std::size_t kLargestStep = std::size_t{1} << 16;
        const std::size_t bound = deflateBound(&stream_, static_cast<uLong>(size));
        const std::size_t step = std::min(bound, kLargestStep);
        std::string out;
        out.reserve(bound);
        const bool read = pieces([&](std::string_view piece) {
            return feed(piece, Z_NO_FLUSH, step, out) != Z_STREAM_ERROR;
        });
        if (!read || feed({}, Z_FINISH, step, out) != Z_STREAM_END) return std::nullopt;
        return out;
    }

private:
    // Feeds `piece` to zlib with `flush`, growing `out` by `step` bytes at a
    // time as zlib fills it.
    int feed(std::string_view piece, int flush, std::size_t step, std::string& out) {
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        stream_.avail_in = static_cast<uInt>(piece.size());
        int status = Z_OK;
        do {
            const std::size_t used = out.size();
            out.resize(used + step);
            stream_.next_out = reinterpret_cast<Bytef*>(out.data() + used);
            stream_.avail_out = static_cast<uInt>(step);
            status = deflate(&stream_, flush);
            out.resize(used + step - stream_.avail_out);
        } while (status != Z_STREAM_ERROR && stream_.avail_out == 0);
        return status;
    }

    z_stream stream_{};
    bool ready_ = false;
};

// A stream object in two parts, its dictionary and stream keyword, and its
// data (compressed where zlib can), so that the data is written as it stands.
struct StreamObject {
    std::string head;
    std::string data;
};

// Nullopt when the data, `size` bytes, could not be read.
std::optional<StreamObject> streamObject(std::string_view dictionaryEntries, const Pieces& pieces,
                                         std::size_t size, Deflater& deflater) {
    std::optional<std::string> bytes = deflater.compress(pieces, size);
    const bool packed = bytes.has_value();
    if (!packed) {
        bytes.emplace();
        if (!pieces([&bytes](std::string_view piece) {
                *bytes += piece;
                return true;
            })) {
            return std::nullopt;
        }
    }
    return StreamObject{"<<" + std::string(dictionaryEntries) + (packed ? " /Filter /FlateDecode" : "") +
                            " /Length " + std::to_string(bytes->size()) + ">>\nstream\n",
                        std::move(*bytes)};
}

// Writes numbered objects, and the cross-reference table that finds them,
// to `write` as they come; remembers whether every write was taken.
class PdfFile {
public:
    explicit PdfFile(const TextWrite& write) : write_(write) { put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"); }
    void add(int number, std::initializer_list<std::string_view> body) {
        if (offsets_.size() < static_cast<std::size_t>(number)) offsets_.resize(static_cast<std::size_t>(number));
        offsets_[static_cast<std::size_t>(number - 1)] = written_;
        put(std::to_string(number) + " 0 obj\n");
        for (std::string_view piece : body) put(piece);
        put("\nendobj\n");
    }
    void addStream(int number, const StreamObject& stream) {
        add(number, {stream.head, stream.data, "\nendstream"});
    }
    bool finish(int root, int info) {
        const std::size_t xref = written_;
        std::string table = "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
        for (std::size_t offset : offsets_) {
            char entry[24];
            std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
            table += entry;
        }
        table += "trailer\n<</Size " + std::to_string(offsets_.size() + 1) + " /Root " + std::to_string(root) +
                 " 0 R /Info " + std::to_string(info) + " 0 R>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
        put(table);
        return taken_;
    }

private:
    void put(std::string_view bytes) {
        if (taken_ && !write_(bytes)) taken_ = false;
        written_ += bytes.size();
    }

    const TextWrite& write_;
    std::size_t written_ = 0;
    bool taken_ = true;
    std::vector<std::size_t> offsets_;
};

// Four hexadecimal digits, as PDF writes a glyph or a UTF-16 unit.
std::string hex4(unsigned value) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", value & 0xFFFF);
    return hex;
}

std::string formName(int form) { return "/G" + std::to_string(form); }

}  // namespace

std::vector<TextCharacter> textCharacters(std::string_view bytes) {
    std::vector<TextCharacter> characters;
    if (!isMultiByteUtf8(bytes)) {
        for (std::size_t i = 0; i < bytes.size(); ++i) characters.push_back({i, static_cast<unsigned char>(bytes[i])});
        return characters;
    }
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t start = at;
        characters.push_back({start, windows1252Byte(nextCodePoint(bytes, at))});
    }
    return characters;
}

std::vector<PathPoint> characterOffsets(const Font& font, std::string_view bytes,
                                        const std::vector<TextCharacter>& characters) {
    std::vector<PathPoint> out;
    out.reserve(characters.size());
    const double down = font.baselineShift();
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const std::size_t end = i + 1 < characters.size() ? characters[i + 1].start : bytes.size();
        const std::string_view character = bytes.substr(characters[i].start, end - characters[i].start);
        out.push_back({font.exactTextWidth(bytes.substr(0, end)) - font.exactTextWidth(character), down});
    }
    return out;
}

std::string pdfTextString(std::string_view utf8) {
    const bool plain = std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (plain) {
        std::string out = "(";
        for (char c : utf8) {
            if (c == '(' || c == ')' || c == '\\') out += '\\';
            out += c;
        }
        return out + ')';
    }
    std::string out = "<FEFF";
    const auto appendUnit = [&](unsigned unit) { out += hex4(unit); };
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t c = nextCodePoint(utf8, at);
        if (c < 0x10000) {
            appendUnit(c);
        } else {
            appendUnit(0xD800 + ((c - 0x10000) >> 10));
            appendUnit(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out + '>';
}

PdfSurface::PdfSurface(Point offset, SurfaceKind kind) : offset_(offset), kind_(kind) {}

int PdfSurface::formOf(const Font& font, int code) {
    const auto key = std::make_pair(&font, code);
    if (auto it = formsOfGlyphs_.find(key); it != formsOfGlyphs_.end()) return it->second;
    int form = -1;
    const GlyphPath path = font.glyphPath(code);
    std::string operators = formPath(path);
    if (!operators.empty()) {
        const auto [it, added] = formsOfPaths_.emplace(operators, static_cast<int>(forms_.size()));
        if (added) forms_.push_back({std::move(operators), boundingBox(path)});
        form = it->second;
    }
    formsOfGlyphs_.emplace(key, form);
    return form;
}

void PdfSurface::place(int form, double x, double y) {
    content_ += "q 1 0 0 1 ";
    appendNumber(content_, x);
    content_ += ' ';
    appendNumber(content_, y);
    content_ += " cm ";
    content_ += formName(form);  // short enough to need no allocation
    content_ += " Do Q\n";
    settle();
}

void PdfSurface::settle() {
    if (content_.size() < SpooledText::kDefaultMemoryLimit) return;
    spooled_.append(content_);
    content_.clear();
}

void PdfSurface::setFill(Colour colour) {
    colour &= 0xFFFFFF;
    if (colour == fill_) return;
    fill_ = colour;
    appendColour(content_, colour, "rg");
}

void PdfSurface::setStroke(Colour colour) {
    colour &= 0xFFFFFF;
    if (colour == stroke_) return;
    stroke_ = colour;
    appendColour(content_, colour, "RG");
}

void PdfSurface::glyph(const Font& font, int code, int x, int y, Colour colour) {
    if (font.textFace() != nullptr) {
        text(font, std::string(1, static_cast<char>(code & 0xFF)), x, y, colour);
        return;
    }
    const int form = formOf(font, code);
    if (form < 0) return;
    flushRectangles();
    setFill(colour);
    const Point at = toDevice({x, y});
    place(form, at.x, at.y);
}

void PdfSurface::fillRect(const Rect& rect, Colour colour) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    if (!rectangles_.empty() && colour != rectangleColour_) flushRectangles();
    rectangleColour_ = colour;
    const Point at = toDevice({rect.left, rect.top});
    appendOperation(rectangles_,
                    {static_cast<double>(at.x), static_cast<double>(at.y), static_cast<double>(rect.right - rect.left),
                     static_cast<double>(rect.bottom - rect.top)},
                    "re");
}

void PdfSurface::flushRectangles() {
    if (rectangles_.empty()) return;
    setFill(rectangleColour_);
    content_ += rectangles_;
    content_ += "f\n";
    rectangles_.clear();
    settle();
}

void PdfSurface::fillPolygon(const std::vector<OutlinePoint>& points, Colour colour) {
    if (points.empty()) return;
    flushRectangles();
    setFill(colour);
    setStroke(colour);
    const char* op = "m";
    for (const OutlinePoint& p : points) {
        const Point at = toDevice({p.x, p.y});
        appendOperation(content_, {static_cast<double>(at.x), static_cast<double>(at.y)}, op);
        op = "l";
    }
    // Outlined one unit wide as well as filled, as thin curves must not vanish.
    content_ += "h B\n";
    settle();
}

void PdfSurface::frameRect(const Rect& rect, Colour frame, Colour fill) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    flushRectangles();
    setFill(fill);
    setStroke(frame);
    const Point at = toDevice({rect.left, rect.top});
    // The one-unit line runs along the rectangle's inside edge.
    appendOperation(content_,
                    {at.x + 0.5, at.y + 0.5, rect.right - rect.left - 1.0, rect.bottom - rect.top - 1.0}, "re B");
    settle();
}

void PdfSurface::text(const Font& font, std::string_view bytes, int x, int y, Colour colour) {
    if (font.textFace() == nullptr) return;
    flushRectangles();
    setFill(colour);
    const std::vector<TextCharacter> characters = textCharacters(bytes);
    const std::vector<PathPoint> offsets = characterOffsets(font, bytes, characters);
    const Point at = toDevice({x, y});
    const FontProgram* program = kind_ == SurfaceKind::Printer ? font.fontProgram() : nullptr;
    if (program != nullptr) {
        writeText(font, *program, characters, offsets, at);
    } else {
        drawOutlines(font, characters, offsets, at);
    }
    decorate(font, bytes, x, y);
}

void PdfSurface::drawOutlines(const Font& font, const std::vector<TextCharacter>& characters,
                              const std::vector<PathPoint>& offsets, Point at) {
    for (std::size_t i = 0; i < characters.size() && i < offsets.size(); ++i) {
        if (characters[i].code < 0) continue;
        const int form = formOf(font, characters[i].code);
        if (form >= 0) place(form, at.x + offsets[i].x, at.y + offsets[i].y);
    }
}

int PdfSurface::fontOf(const FontProgram& program) {
    const auto [it, added] = fontsOfFiles_.emplace(program.file.data(), static_cast<int>(fonts_.size()));
    if (added) fonts_.push_back({&program, {}});
    return it->second;
}

void PdfSurface::writeText(const Font& font, const FontProgram& program, const std::vector<TextCharacter>& characters,
                           const std::vector<PathPoint>& offsets, Point at) {
    const int index = fontOf(program);
    EmbeddedFont& embedded = fonts_[static_cast<std::size_t>(index)];
    const double size = font.textFace()->pixelSize > 0 ? font.textFace()->pixelSize : font.height();
    // One text object, the glyphs in a row: a reader finds the words in it.
    // Each glyph is moved from where the one before leaves the pen to where
    // the layout measured it, in thousandths of the em, as PDF counts.
    std::string shown;
    double start = 0;
    double pen = 0;
    for (std::size_t i = 0; i < characters.size() && i < offsets.size(); ++i) {
        const int code = characters[i].code;
        if (code < 0) continue;
        const unsigned glyph = program.glyphs[static_cast<std::size_t>(code)];
        if (glyph == 0) continue;
        embedded.codesOfGlyphs.emplace(glyph, code);
        const double x = offsets[i].x;
        if (shown.empty()) {
            start = pen = x;
            shown = "[<";
        } else if (const double move = (pen - x) * 1000 / size; std::abs(move) >= 0.005) {
            shown += "> ";
            appendNumber(shown, move);
            shown += " <";
        }
        shown += hex4(glyph);
        pen = x + program.advances[static_cast<std::size_t>(code)] * size / 1000;
    }
    if (shown.empty()) return;
    content_ += "BT /F" + std::to_string(index) + ' ';
    appendNumber(content_, size);
    // Text space turned back upright on the page's downward y; the first
    // glyph's start on the text's baseline.
    content_ += " Tf 1 0 0 -1 ";
    appendNumber(content_, at.x + start);
    content_ += ' ';
    appendNumber(content_, at.y + font.ascent());
    content_ += " Tm ";
    content_ += shown;
    content_ += ">] TJ ET\n";
    settle();
}

void PdfSurface::decorate(const Font& font, std::string_view bytes, int x, int y) {
    const TextFace& face = *font.textFace();
    if (!face.underline && !face.strikeOut) return;
    // The lines of the serif face the tunes name, as the screen draws them:
    // a twentieth of the em thick (a tenth for bold) and at least a pixel,
    // the underline's middle on the half pixel a seventeenth of the em below
    // the baseline (just under it for bold), the strike-out a third of the
    // ascent above the baseline.
    constexpr int kBold = 600;
    const bool bold = face.weight >= kBold;
    const double em = face.pixelSize > 0 ? face.pixelSize : font.height();
    const double thickness = std::max(1.0, em * (bold ? 0.095 : 0.049));
    const Point at = toDevice({x, y + font.ascent()});
    const double width = font.textExtent(bytes).width;
    const auto line = [&](double middle) {
        appendOperation(content_, {static_cast<double>(at.x), middle - thickness / 2, width, thickness}, "re f");
    };
    if (face.underline) line(at.y + std::ceil(em * (bold ? 0.015 : 0.058)) + 0.5);
    if (face.strikeOut) line(at.y - font.ascent() / 3.0);
    settle();
}

bool PdfSurface::pageOperators(const std::function<bool(std::string_view)>& take) const {
    return spooled_.writeTo(take) && take(content_);
}

void PdfSurface::nextPage() {
    spooled_.clear();
    content_.clear();
    // Each page's content starts in PDF's initial colours.
    fill_ = stroke_ = kBlack;
}

std::optional<std::string> PdfSurface::document(int width, int height, std::string_view title) {
    return gathered([&](const TextWrite& write) { return writeDocument(width, height, title, write); });
}

bool PdfSurface::writeDocument(int width, int height, std::string_view title, const TextWrite& write) {
    PdfBook book(*this, write, kPointsPerPixel);
    const bool drawn = book.endPage(width * kPointsPerPixel, height * kPointsPerPixel);
    return book.finish(title) && drawn;
}

namespace {

constexpr int kCatalog = 1, kPages = 2, kResources = 3, kInfo = 4, kFirstFree = 5;

std::string reference(int object) { return std::to_string(object) + " 0 R"; }

// A name as PDF writes it: the characters a name may hold, others as '-'.
std::string pdfName(std::string_view name) {
    std::string out = "/";
    for (char c : name) {
        const bool plain = c > 0x20 && c < 0x7F && std::string_view("()<>[]{}/%#").find(c) == std::string_view::npos;
        out += plain ? c : '-';
    }
    return out;
}

// What turns the glyphs back into characters for a reader: each glyph used
// to the character of the first code it was used for.
std::string toUnicodeMap(const std::map<unsigned, int>& codesOfGlyphs) {
    std::string map =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo <</Registry (Adobe) /Ordering (UCS) /Supplement 0>> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    // A block holds at most a hundred entries.
    constexpr std::size_t kBlock = 100;
    auto it = codesOfGlyphs.begin();
    for (std::size_t left = codesOfGlyphs.size(); left > 0;) {
        const std::size_t count = std::min(left, kBlock);
        map += std::to_string(count) + " beginbfchar\n";
        for (std::size_t i = 0; i < count; ++i, ++it) {
            map += '<' + hex4(it->first) + "> <" +
                   hex4(windows1252ToCodePoint(static_cast<unsigned char>(it->second))) + ">\n";
        }
        map += "endbfchar\n";
        left -= count;
    }
    return map + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// The widths of the glyphs used, as the font program has them.
std::string widths(const FontProgram& program, const std::map<unsigned, int>& codesOfGlyphs) {
    std::string out = "[";
    for (const auto& [glyph, code] : codesOfGlyphs) {
        out += std::to_string(glyph) + " [" + std::to_string(program.advances[static_cast<std::size_t>(code)]) + "] ";
    }
    return out + ']';
}

Pieces piecesOf(std::string_view text) {
    return [text](const std::function<bool(std::string_view)>& take) { return take(text); };
}

}  // namespace

// The file as it is written, and the numbers of its objects.
class PdfBook::Writer {
public:
    explicit Writer(TextWrite write) : write_(std::move(write)), file_(write_) {}

    PdfFile& file() { return file_; }

    int allocate(int count = 1) {
        const int first = next_;
        next_ += count;
        return first;
    }
    // The stream as an object; false when its data could not be read.
    bool addStream(int number, std::string_view dictionaryEntries, const Pieces& pieces, std::size_t size) {
        const std::optional<StreamObject> stream = streamObject(dictionaryEntries, pieces, size, deflater_);
        if (!stream) return false;
        file_.addStream(number, *stream);
        return true;
    }
    // The five objects of an embedded face from `first` on; the first is
    // the font the page's resources name.
    void addFont(int first, const PdfSurface::EmbeddedFont& font) {
        const FontProgram& program = *font.program;
        const std::string name = pdfName(program.postScriptName);
        const int cidFont = first + 1, descriptor = first + 2, fontFile = first + 3, toUnicode = first + 4;
        file_.add(first, {"<</Type /Font /Subtype /Type0 /BaseFont " + name + " /Encoding /Identity-H /DescendantFonts [" +
                         reference(cidFont) + "] /ToUnicode " + reference(toUnicode) + ">>"});
        file_.add(cidFont,
                 {"<</Type /Font /Subtype /" + std::string(program.compactOutlines ? "CIDFontType0" : "CIDFontType2") +
                  " /BaseFont " + name +
                  " /CIDSystemInfo <</Registry (Adobe) /Ordering (Identity) /Supplement 0>> /FontDescriptor " +
                  reference(descriptor) + " /W " + widths(program, font.codesOfGlyphs) +
                  (program.compactOutlines ? "" : " /CIDToGIDMap /Identity") + ">>"});
        constexpr int kFixedPitch = 1, kNonsymbolic = 32, kItalic = 64;
        const int flags = kNonsymbolic | (program.fixedPitch ? kFixedPitch : 0) | (program.italic ? kItalic : 0);
        file_.add(descriptor,
                 {"<</Type /FontDescriptor /FontName " + name + " /Flags " + std::to_string(flags) + " /FontBBox [" +
                  numbers({static_cast<double>(program.box[0]), static_cast<double>(program.box[1]),
                           static_cast<double>(program.box[2]), static_cast<double>(program.box[3])}) +
                  "] /ItalicAngle " + numbers({program.italicAngle}) + " /Ascent " + std::to_string(program.ascent) +
                  " /Descent " + std::to_string(program.descent) + " /CapHeight " + std::to_string(program.capHeight) +
                  " /StemV 80 " + (program.compactOutlines ? "/FontFile3 " : "/FontFile2 ") + reference(fontFile) +
                  ">>"});
        // The font file lies in memory: it is always read.
        addStream(fontFile,
                  program.compactOutlines ? "/Subtype /OpenType"
                                          : "/Length1 " + std::to_string(program.file.size()),
                  piecesOf(program.file), program.file.size());
        const std::string map = toUnicodeMap(font.codesOfGlyphs);
        addStream(toUnicode, "", piecesOf(map), map.size());
    }

private:
    TextWrite write_;  // made before the file, which writes through it
    PdfFile file_;
    Deflater deflater_;
    int next_ = kFirstFree;
};

PdfBook::PdfBook(PdfSurface& surface, const TextWrite& write, double pointsPerUnit)
    : surface_(surface), pointsPerUnit_(pointsPerUnit), writer_(std::make_unique<Writer>(write)) {}

PdfBook::~PdfBook() = default;

bool PdfBook::endPage(double width, double height) {
    surface_.flushRectangles();
    // The layout's units, y downward, on a page whose y runs upward; lines
    // join bevelled, as the screen draws them.
    std::string start;
    appendOperation(start, {pointsPerUnit_, 0, 0, -pointsPerUnit_, 0, height}, "cm");
    start += "2 j\n";
    const int contents = writer_->allocate();
    const int page = writer_->allocate();
    const bool read = writer_->addStream(
        contents, "",
        [&](const std::function<bool(std::string_view)>& take) {
            return take(start) && surface_.pageOperators(take);
        },
        start.size() + surface_.spooled_.size() + surface_.content_.size());
    // A page whose operators were lost still gets its object, so that the
    // file's table finds every number; the book reports itself not whole.
    if (!read) writer_->addStream(contents, "", piecesOf(start), start.size());
    surface_.nextPage();
    writer_->file().add(page, {"<</Type /Page /Parent " + reference(kPages) + " /MediaBox [0 0 " +
                             numbers({width, height}) + "] /Resources " +
                             reference(kResources) + " /Contents " + reference(contents) + ">>"});
    pageObjects_.push_back(page);
    whole_ = whole_ && read;
    return read;
}

bool PdfBook::finish(std::string_view title) {
    Writer& writer = *writer_;
    std::string forms;
    for (std::size_t i = 0; i < surface_.forms_.size(); ++i) {
        const int number = writer.allocate();
        forms += formName(static_cast<int>(i)) + ' ' + reference(number) + ' ';
        const PdfSurface::Form& form = surface_.forms_[i];
        // A form's outline is in memory: it is always read.
        writer.addStream(number, "/Type /XObject /Subtype /Form /BBox " + form.box, piecesOf(form.path),
                         form.path.size());
    }
    std::string fonts;
    bool compact = false;
    for (std::size_t i = 0; i < surface_.fonts_.size(); ++i) {
        const int first = writer.allocate(5);
        fonts += "/F" + std::to_string(i) + ' ' + reference(first) + ' ';
        writer.addFont(first, surface_.fonts_[i]);
        compact = compact || surface_.fonts_[i].program->compactOutlines;
    }
    writer.file().add(kResources, {"<<" + (forms.empty() ? "" : "/XObject <<" + forms + ">>") +
                                 (fonts.empty() ? "" : " /Font <<" + fonts + ">>") + ">>"});
    std::string kids;
    for (int page : pageObjects_) kids += (kids.empty() ? "" : " ") + reference(page);
    writer.file().add(kPages, {"<</Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageObjects_.size()) + ">>"});
    // An embedded OpenType file needs a reader of PDF 1.6.
    writer.file().add(kCatalog,
                    {"<</Type /Catalog" + std::string(compact ? " /Version /1.6" : "") + " /Pages " +
                     reference(kPages) + ">>"});
    writer.file().add(kInfo, {"<</Title " + pdfTextString(title) + " /Producer (Skirlo)>>"});
    return writer.file().finish(kCatalog, kInfo) && whole_;
}

}  // namespace skirlo
