#include "export/SvgSurface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "common/Windows1252.h"
#include "common/XmlText.h"

namespace skirlo {

namespace {

// A text record may hold any byte; XML allows no control character but
// tab, line feed and carriage return, not even escaped.
void removeXmlControlCharacters(std::string& xml) {
    std::erase_if(xml, [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && u != '\t' && u != '\n' && u != '\r';
    });
}

// Outlines are written in tenths of a pixel: finer than any rasterizer shows,
// and half the digits of a general-purpose writer's.
long long tenths(double value) { return std::llround(value * 10); }

void appendTenths(std::string& out, long long value) {
    // A minus sign separates numbers by itself.
    if (!out.empty() && value >= 0 && out.back() != ' ' && (std::isdigit(static_cast<unsigned char>(out.back())) ||
                                                            out.back() == '.')) {
        out += ' ';
    }
    if (value < 0) out += '-';
    const unsigned long long magnitude = static_cast<unsigned long long>(value < 0 ? -value : value);
    if (magnitude >= 10 || magnitude == 0) out += std::to_string(magnitude / 10);
    if (magnitude % 10 != 0) out += '.' + std::to_string(magnitude % 10);
}

// Path data of a glyph outline, relative moves from rounded absolute points
// so that rounding never accumulates.
class PathData {
public:
    void move(const PathPoint& p) {
        if (!data_.empty()) data_ += 'z';
        const Tenths to = at(p);
        letter('m');
        appendTenths(data_, to.x - start_.x);
        appendTenths(data_, to.y - start_.y);
        start_ = current_ = to;
    }
    void line(const PathPoint& p) {
        const Tenths to = at(p);
        if (to.y == current_.y) {
            letter('h');
            appendTenths(data_, to.x - current_.x);
        } else if (to.x == current_.x) {
            letter('v');
            appendTenths(data_, to.y - current_.y);
        } else {
            letter('l');
            appendTenths(data_, to.x - current_.x);
            appendTenths(data_, to.y - current_.y);
        }
        current_ = to;
    }
    void curve(const PathPoint& c1, const PathPoint& c2, const PathPoint& p) {
        letter('c');
        const Tenths from = current_;
        for (const PathPoint* point : {&c1, &c2, &p}) {
            appendTenths(data_, tenths(point->x) - from.x);
            appendTenths(data_, tenths(point->y) - from.y);
        }
        current_ = at(p);
    }
    std::string finish() {
        if (!data_.empty()) data_ += 'z';
        return std::move(data_);
    }

private:
    struct Tenths {
        long long x = 0;
        long long y = 0;
    };
    static Tenths at(const PathPoint& p) { return {tenths(p.x), tenths(p.y)}; }
    // A command letter repeated is understood without being written again.
    void letter(char command) {
        if (command != last_ || command == 'm') data_ += command;
        last_ = command;
    }

    std::string data_;
    Tenths start_;
    Tenths current_;
    char last_ = 0;
};

std::string pathDataOf(const GlyphPath& path) {
    PathData data;
    for (const PathElement& e : path) {
        switch (e.kind) {
            case PathElement::Kind::Move: data.move(e.to); break;
            case PathElement::Kind::Line: data.line(e.to); break;
            case PathElement::Kind::Cubic: data.curve(e.control1, e.control2, e.to); break;
        }
    }
    return data.finish();
}

void appendRectangle(std::string& data, const Rect& r) {
    data += 'M' + std::to_string(r.left) + ' ' + std::to_string(r.top) + 'h' + std::to_string(r.right - r.left) +
            'v' + std::to_string(r.bottom - r.top) + 'h' + std::to_string(r.left - r.right) + 'z';
}

// v + 0.5, written exactly.
std::string halfPast(int v) { return (v < 0 ? "-" + std::to_string(-(v + 1)) : std::to_string(v)) + ".5"; }

// The fill attribute, left out for black, which is SVG's default.
std::string fillAttribute(Colour colour) {
    return (colour & 0xFFFFFF) == kBlack ? std::string() : " fill=\"" + svgColour(colour) + '"';
}

constexpr int kNormalWeight = 400;

bool namesAny(std::string_view family, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return family.find(w) != family.npos; });
}

// The family as a CSS list that ends in a generic family, so that a reader
// without the named font still draws a serif title as serif.
std::string familyList(const std::string& family) {
    std::string quoted = "'";
    for (char c : family) {
        if (c == '\'' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += "', ";
    if (namesAny(family, {"Mono", "Courier", "Console", "Typewriter"})) return quoted + "monospace";
    if (namesAny(family, {"Sans", "Arial", "Helvetica", "Verdana", "Tahoma", "Gothic"})) return quoted + "sans-serif";
    return quoted + "serif";
}

std::string fontAttributes(const TextFace& face) {
    std::string out = " font-family=\"" + xmlEscaped(familyList(face.family)) + "\" font-size=\"" +
                      std::to_string(face.pixelSize) + '"';
    if (face.weight != kNormalWeight) out += " font-weight=\"" + std::to_string(face.weight) + '"';
    if (face.italic) out += " font-style=\"italic\"";
    if (face.underline || face.strikeOut) {
        out += " text-decoration=\"";
        out += face.underline ? (face.strikeOut ? "underline line-through" : "underline") : "line-through";
        out += '"';
    }
    return out;
}

}  // namespace

std::string svgColour(Colour colour) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return hex;
}

SvgSurface::SvgSurface(Point offset) : offset_(offset) {}

const std::string& SvgSurface::definition(const Font& font, int code) {
    const auto key = std::make_pair(&font, code);
    if (auto it = glyphIds_.find(key); it != glyphIds_.end()) return it->second;
    std::string id;
    const std::string data = pathDataOf(font.glyphPath(code));
    if (!data.empty()) {
        id = 'g' + std::to_string(glyphIds_.size());
        defs_ += "<path id=\"" + id + "\" d=\"" + data + "\"/>\n";
    }
    return glyphIds_.emplace(key, std::move(id)).first->second;
}

void SvgSurface::glyph(const Font& font, int code, int x, int y, Colour colour) {
    if (font.textFace() != nullptr) {
        text(font, std::string(1, static_cast<char>(code & 0xFF)), x, y, colour);
        return;
    }
    const std::string& id = definition(font, code);
    if (id.empty()) return;
    flushRectangles();
    const Point at = toDevice({x, y});
    addToBody("<use xlink:href=\"#" + id + "\" x=\"" + std::to_string(at.x) + "\" y=\"" + std::to_string(at.y) + '"' +
              fillAttribute(colour) + "/>\n");
}

void SvgSurface::fillRect(const Rect& rect, Colour colour) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    if (!rectangles_.empty() && colour != rectangleColour_) flushRectangles();
    rectangleColour_ = colour;
    const Point a = toDevice({rect.left, rect.top});
    const Point b = toDevice({rect.right, rect.bottom});
    appendRectangle(rectangles_, {a.x, a.y, b.x, b.y});
}

void SvgSurface::flushRectangles() {
    if (rectangles_.empty()) return;
    addToBody("<path d=\"" + rectangles_ + '"' + fillAttribute(rectangleColour_) + "/>\n");
    rectangles_.clear();
}

void SvgSurface::fillPolygon(const std::vector<OutlinePoint>& points, Colour colour) {
    if (points.empty()) return;
    flushRectangles();
    std::string data;
    char command = 'M';
    for (const OutlinePoint& p : points) {
        const Point at = toDevice({p.x, p.y});
        data += command + std::to_string(at.x) + ' ' + std::to_string(at.y);
        command = 'L';
    }
    // Outlined one unit wide as well as filled, as thin curves must not vanish.
    addToBody("<path d=\"" + data + "z\"" + fillAttribute(colour) + " stroke=\"" + svgColour(colour) +
              "\" stroke-linejoin=\"bevel\"/>\n");
}

void SvgSurface::frameRect(const Rect& rect, Colour frame, Colour fill) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    flushRectangles();
    const Point a = toDevice({rect.left, rect.top});
    // The one-unit line runs along the rectangle's inside edge.
    addToBody("<rect x=\"" + halfPast(a.x) + "\" y=\"" + halfPast(a.y) + "\" width=\"" +
              std::to_string(rect.right - rect.left - 1) + "\" height=\"" + std::to_string(rect.bottom - rect.top - 1) +
              "\" fill=\"" + svgColour(fill) + "\" stroke=\"" + svgColour(frame) + "\"/>\n");
}

void SvgSurface::text(const Font& font, std::string_view bytes, int x, int y, Colour colour) {
    const TextFace* face = font.textFace();
    if (face == nullptr) return;
    flushRectangles();
    const Point at = toDevice({x, y + font.ascent()});
    addToBody("<text x=\"" + std::to_string(at.x) + "\" y=\"" + std::to_string(at.y) + '"' + fontAttributes(*face) +
              fillAttribute(colour) + '>' + xmlEscaped(tuneTextToUtf8(bytes)) + "</text>\n");
}

std::optional<std::string> SvgSurface::document(int width, int height, std::string_view title) {
    return gathered([&](const TextWrite& write) { return writeDocument(width, height, title, write); });
}

bool SvgSurface::writeDocument(int width, int height, std::string_view title,
                               const std::function<bool(std::string_view)>& write) {
    flushRectangles();
    const std::string w = std::to_string(width);
    const std::string h = std::to_string(height);
    std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                       "version=\"1.1\" width=\"" +
                       w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + ' ' + h + "\" xml:space=\"preserve\">\n";
    head += "<title>" + xmlEscaped(title) + "</title>\n";
    removeXmlControlCharacters(head);
    return write(head) && (defs_.empty() || (write("<defs>\n") && write(defs_) && write("</defs>\n"))) &&
           body_.writeTo(write) && write("</svg>\n");
}

void SvgSurface::addToBody(std::string element) {
    removeXmlControlCharacters(element);
    body_.append(element);
}

}  // namespace skirlo
