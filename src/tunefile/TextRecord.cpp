#include "tunefile/TextRecord.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "common/LenientNumber.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace {

// The platform's logical-font record holds a face name of 31 characters.
constexpr std::size_t kFaceNameLimit = 31;
// Far beyond any real text, small enough that no context overflows
// converting it to its own units.
constexpr int kLargestFontTenths = 100'000;

int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                      std::numeric_limits<int>::max()));
}

// Reads an attribute list field by field. A field whose delimiter is missing
// takes its default and consumes nothing, so the following fields are still
// read from the same place.
class FieldReader {
public:
    explicit FieldReader(std::string_view rest) : rest_(rest) {}

    // The field up to the next delimiter, or nothing when there is none.
    bool next(char delimiter, std::string_view& field) {
        const std::size_t at = rest_.find(delimiter);
        if (at == std::string_view::npos) return false;
        field = rest_.substr(0, at);
        rest_.remove_prefix(at + 1);
        return true;
    }
    int integer(char delimiter, int defaultValue) {
        std::string_view field;
        return next(delimiter, field) ? leadingInt(field) : defaultValue;
    }
    std::uint8_t byte(char delimiter, std::uint8_t defaultValue) {
        // Only the low byte is kept, as in the platform's byte fields.
        return static_cast<std::uint8_t>(integer(delimiter, defaultValue));
    }
    char letter(std::string_view accepted, char fallback) {
        std::string_view field;
        if (!next(',', field)) return fallback;
        const char first = field.empty() ? '\0' : field.front();
        return first != '\0' && accepted.find(first) != std::string_view::npos ? first : fallback;
    }

private:
    std::string_view rest_;
};

}  // namespace

std::unique_ptr<TextRecord> TextRecord::create(MeasuringContext& context, std::string text,
                                               std::string_view attributes, int layoutScaleH) {
    auto record = std::make_unique<TextRecord>();
    FieldReader fields(attributes.empty() ? attributes : attributes.substr(1));
    record->kind = fields.letter("TYMFIX", 'T');
    record->alignment = fields.letter("LCRN", 'L');
    record->x = fields.integer(',', 0);
    record->y = fields.integer(',', 0);
    FontDescription& description = record->description;
    std::string_view face;
    description.faceName = fields.next(',', face) ? std::string(face) : std::string("Times New Roman");
    description.heightTenthsOfPoint = clampToInt(std::int64_t{fields.integer(',', 14)} * 10);
    description.weight = fields.integer(',', 700);
    description.italic = fields.byte(',', 0);
    description.underline = fields.byte(',', 0);
    description.pitchAndFamily = fields.byte(',', 18);
    description.charSet = fields.byte(',', 0);
    description.strikeOut = fields.byte(',', 0);
    record->colour = fields.integer(')', 0);
    record->text = std::move(text);

    record->makeFont(context, layoutScaleH);
    const Extent extent = record->measure(false);
    const int ppiX = context.pixelsPerInchX();
    const int ppiY = context.pixelsPerInchY();
    record->pageRight = ppiX > 0 ? clampToInt(record->x + std::int64_t{extent.width} * 1000 / ppiX) : record->x;
    record->pageBottom = ppiY > 0 ? clampToInt(record->y + std::int64_t{extent.height} * 1000 / ppiY) : record->y;
    return record;
}

void TextRecord::makeFont(MeasuringContext& context, int layoutScaleH) {
    FontDescription request = description;
    std::int64_t height = description.heightTenthsOfPoint;
    if (!context.isPrinter()) height = height * layoutScaleH / 130;
    request.heightTenthsOfPoint =
        static_cast<int>(std::clamp<std::int64_t>(height, -kLargestFontTenths, kLargestFontTenths));
    // The full face name stays in the description so that writing the record
    // back keeps every byte of it; only the font request is cut.
    if (request.faceName.size() > kFaceNameLimit) request.faceName.resize(kFaceNameLimit);
    font_.reset();
    font_ = context.createTextFont(request);
}

Extent TextRecord::measure(bool perCharacter) const {
    if (!font_) return {};
    if (!perCharacter) return font_->textExtent(text);
    std::int64_t width = 0;
    for (char c : text) width += font_->advanceWidth(static_cast<unsigned char>(c));
    return {clampToInt(width), font_->height() + font_->externalLeading()};
}

std::string TextRecord::prefix() const {
    std::string written = "\"" + text + "\",(";
    written += kind;
    written += ',';
    written += alignment;
    return written;
}

std::string TextRecord::writtenForm() const {
    const auto number = [](int value) { return std::to_string(value); };
    std::string written = prefix();
    for (int value : {x, y}) written += "," + number(value);
    written += "," + description.faceName;
    for (int value : {description.heightTenthsOfPoint / 10, description.weight, int{description.italic},
                      int{description.underline}, int{description.pitchAndFamily}, int{description.charSet},
                      int{description.strikeOut}, int{colour}}) {
        written += "," + number(value);
    }
    written += ")";
    return written;
}

bool TextRecord::rewrite(std::string_view oldPrefix, ScriptText& script, MeasuringContext& context,
                         int layoutScaleH) {
    makeFont(context, layoutScaleH);
    if (oldPrefix.empty()) return false;
    const std::size_t at = script.find(oldPrefix);
    if (at == ScriptText::npos) return false;
    // The ')' closing the list; the text itself may hold ')' of its own.
    const std::size_t close = script.find(")", at + oldPrefix.size());
    if (close == ScriptText::npos) return false;
    script.select(at, close + 1);
    script.replaceSelection(writtenForm());
    return true;
}

bool TextRecord::hitTest(int px, int py) const {
    return px >= box.left && px <= box.right && py >= box.top && py <= box.bottom;
}

}  // namespace skirlo
