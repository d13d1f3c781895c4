#pragma once
// The Surface that writes PDF pages: a picture's one page, or a print's
// pages through PdfBook. Each glyph's outline (font and code) is written
// once as a form and placed wherever it recurs. A print's texts are text in
// their font's face, embedded whole, so that a reader can find and copy
// them; a picture's texts, and those of a face that cannot be embedded, are
// the outlines of their glyphs, so that a picture is the same whichever
// fonts measured it. Each character stands where the layout measured it.
// Runs of rectangles of one colour become one path. Every stream is
// compressed. A face is written when the file is finished: the fonts whose
// texts were drawn must keep their FontProgram until then (a measuring
// context keeps its faces for as long as it lives).
//
// Coordinates are the layout's logical units: a picture's pixels at 96 to
// the inch, or a printed page's dots; the whole drawing is shifted by
// `offset` (a picture's margin).

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engraving/Surface.h"
#include "export/SpooledText.h"

namespace skirlo {

// One character of a text: where it starts among the text's bytes and the
// code of its glyph in the text font, -1 when no code reaches it.
struct TextCharacter {
    std::size_t start = 0;
    int code = -1;
};

// The characters of a text's bytes. Text written as UTF-8 is read as UTF-8
// and drawn as far as Windows-1252 reaches; any other text byte by byte.
std::vector<TextCharacter> textCharacters(std::string_view bytes);

// Where the glyphs of a text go, as the screen draws them: the offset of
// each character's cell from the text's cell. Each character goes where the
// text up to and including it ends, less its own advance, which keeps the
// kerning of the pair before it; at the font's finest measure.
std::vector<PathPoint> characterOffsets(const Font& font, std::string_view bytes,
                                        const std::vector<TextCharacter>& characters);

class PdfSurface final : public Surface {
public:
    // A picture's surface, or (SurfaceKind::Printer) a printed page's.
    explicit PdfSurface(Point offset = {}, SurfaceKind kind = SurfaceKind::Image);

    SurfaceKind kind() const override { return kind_; }
    void glyph(const Font& font, int code, int x, int y, Colour colour) override;
    void fillRect(const Rect& rect, Colour colour) override;
    void fillPolygon(const std::vector<OutlinePoint>& points, Colour colour) override;
    void frameRect(const Rect& rect, Colour frame, Colour fill) override;
    void text(const Font& font, std::string_view bytes, int x, int y, Colour colour) override;
    bool isVisible(const Rect&) const override { return true; }
    Point toDevice(Point logical) const override { return {logical.x + offset_.x, logical.y + offset_.y}; }

    // The whole file: one page of `width` by `height` pixels, titled `title`
    // (UTF-8); nullopt when the page's operators kept aside could not be read.
    std::optional<std::string> document(int width, int height, std::string_view title);
    // The same file handed to `write` piece by piece, so that a large page's
    // data is never copied whole; false when the operators kept aside could
    // not be read or a write failed.
    bool writeDocument(int width, int height, std::string_view title, const TextWrite& write);

private:
    friend class PdfBook;

    // A face whose texts are text, and the codes its glyphs were used for.
    struct EmbeddedFont {
        const FontProgram* program = nullptr;
        std::map<unsigned, int> codesOfGlyphs;
    };

    // A glyph outline as a form: its drawing operators and bounding box.
    struct Form {
        std::string path;
        std::string box;
    };

    // The index of the glyph's form, written on first use; -1 for a glyph
    // without an outline.
    int formOf(const Font& font, int code);
    void place(int form, double x, double y);
    int fontOf(const FontProgram& program);
    void writeText(const Font& font, const FontProgram& program, const std::vector<TextCharacter>& characters,
                   const std::vector<PathPoint>& offsets, Point at);
    void drawOutlines(const Font& font, const std::vector<TextCharacter>& characters,
                      const std::vector<PathPoint>& offsets, Point at);
    void decorate(const Font& font, std::string_view bytes, int x, int y);
    void setFill(Colour colour);
    void setStroke(Colour colour);
    void flushRectangles();
    // Moves the page's operators to the spool once they pass its memory limit.
    void settle();
    // Hands the page's operators to `take`, as often as asked; false when
    // those kept aside could not be read.
    bool pageOperators(const std::function<bool(std::string_view)>& take) const;
    // Forgets the page's operators, keeping forms and fonts for the next.
    void nextPage();

    Point offset_;
    SurfaceKind kind_;
    SpooledText spooled_;  // the page's operators up to the last settle
    std::string content_;  // and those after it
    std::vector<Form> forms_;
    std::map<std::pair<const Font*, int>, int> formsOfGlyphs_;
    // Fonts made alike (the same face at the same size for each tune) give
    // the same outlines, which share one form.
    std::unordered_map<std::string, int> formsOfPaths_;
    std::vector<EmbeddedFont> fonts_;
    // A face's file is embedded once, whatever the sizes its texts are in.
    std::map<const char*, int> fontsOfFiles_;
    std::string rectangles_;  // operators of the pending run of rectangles
    Colour rectangleColour_ = kBlack;
    Colour fill_ = kBlack;    // PDF's initial colours
    Colour stroke_ = kBlack;
};

// A PDF of many pages, each written to the file as soon as it is drawn:
// what they share (forms, fonts) follows the last. Units are `pointsPerUnit`
// points.
class PdfBook {
public:
    PdfBook(PdfSurface& surface, const TextWrite& write, double pointsPerUnit);
    ~PdfBook();
    PdfBook(const PdfBook&) = delete;
    PdfBook& operator=(const PdfBook&) = delete;

    // Ends the page drawn on the surface since the last one, on a paper of
    // `width` by `height` points. False when its operators could not be
    // read back.
    bool endPage(double width, double height);
    // The rest of the file, titled `title` (UTF-8); false when any part of
    // the file could not be read or written.
    bool finish(std::string_view title);
    int pages() const { return static_cast<int>(pageObjects_.size()); }

private:
    class Writer;
    PdfSurface& surface_;
    double pointsPerUnit_;
    std::unique_ptr<Writer> writer_;
    std::vector<int> pageObjects_;
    bool whole_ = true;
};

// A PDF text string of UTF-8 text: a literal string when it is plain ASCII,
// else UTF-16BE with its byte order mark, in hexadecimal.
std::string pdfTextString(std::string_view utf8);

}  // namespace skirlo
