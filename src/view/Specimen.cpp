#include "view/Specimen.h"

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

#include <algorithm>
#include <cctype>

#include "common/MessageSink.h"
#include "common/Windows1252.h"
#include "engraving/FontCreation.h"
#include "engraving/MusicRenderer.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"
#include "view/QPainterSurface.h"
#include "view/QtMeasuring.h"

namespace skirlo {

namespace {

constexpr int kStaffGlyph = 87;
constexpr int kLineGlyph = 57;

// The map row's name: its first word.
std::string firstWord(const std::string& value) {
    std::size_t begin = 0;
    while (begin < value.size() && (value[begin] == ' ' || value[begin] == '\t')) ++begin;
    std::size_t end = begin;
    while (end < value.size() && value[end] != ' ' && value[end] != '\t') ++end;
    return value.substr(begin, end - begin);
}

const QtMusicFont* qtMusicFont(const FontSet& fonts, int section) {
    return dynamic_cast<const QtMusicFont*>(fonts.musicFont(section));
}

QString fromBytes(const std::string& bytes) { return QString::fromStdString(windows1252ToUtf8(bytes)); }

QFont labelFont(const FontSet& fonts, int pixelSize) {
    if (const auto* text = dynamic_cast<const QtTextFont*>(fonts.textFont())) {
        QFont font = text->font();
        font.setPixelSize(std::max(pixelSize, 6));
        return font;
    }
    QFont font("Times New Roman");
    font.setPixelSize(std::max(pixelSize, 6));
    return font;
}

// The five staff lines as the program finds them before a bar line is met:
// one per contour of the staff glyph, at the contour's highest point.
std::vector<int> staffLineTops(const FontSet& fonts) {
    std::vector<int> tops;
    const Font* font = fonts.musicFont(3);
    if (!font) return tops;
    for (const Contour& contour : font->outline(kStaffGlyph)) {
        if (contour.empty()) continue;
        tops.push_back(std::min_element(contour.begin(), contour.end(), [](const OutlinePoint& a, const OutlinePoint& b) {
                           return a.y < b.y;
                       })->y);
    }
    std::sort(tops.begin(), tops.end());
    return tops;
}

void drawStaff(QPainter& painter, const FontSet& fonts, int x, int y, int width) {
    const Font* font = fonts.musicFont(3);
    if (!font) return;
    const int thickness = std::max(font->glyphBox(kLineGlyph).height, 1);
    for (const int top : staffLineTops(fonts)) painter.fillRect(x, y + top, width, thickness, Qt::black);
}

// The glyph as Modern draws gracenotes: each contour made sturdy for the
// staff's line spacing, filled as the music view fills it.
void drawSturdyGlyph(QPainter& painter, const FontSet& fonts, const Font& font, int code, int x, int y) {
    const std::vector<int> tops = staffLineTops(fonts);
    const int space = tops.size() >= 2 ? std::max(tops[1] - tops[0], 1) : 1;
    QPainterSurface surface(painter, SurfaceKind::Image);
    for (Contour placed : sturdyGracenoteOutline(font.outline(code), space)) {
        if (placed.empty()) continue;
        for (OutlinePoint& p : placed) p = {x + p.x, y + p.y};
        surface.fillPolygon(placed, kBlack);
    }
}

void drawEntry(QPainter& painter, const FontSet& fonts, const SpecimenEntry& entry, int x, int y,
               const SpecimenLayout& layout, EngravingStyle style) {
    const int margin = layout.cellWidth / 10;
    // A frame around the entry ties its name to its glyph.
    painter.setPen(QColor(215, 215, 215));
    painter.drawRect(x + 1, y + 1, layout.cellWidth - 3, layout.rowHeight - 3);
    drawStaff(painter, fonts, x + margin / 2, y, layout.cellWidth - margin);
    if (const QtMusicFont* font = qtMusicFont(fonts, entry.section)) {
        const int glyphX = x + margin * 2;
        // The glyph's cell, so that a reviewer sees what layout measures.
        painter.setPen(QColor(200, 200, 255));
        painter.drawRect(glyphX, y, std::max(font->advanceWidth(entry.code), 1), font->height() - 1);
        if (style == EngravingStyle::Modern && entry.gracenotes) {
            drawSturdyGlyph(painter, fonts, *font, entry.code, glyphX, y);
        } else {
            painter.fillPath(font->qtGlyphPath(entry.code).translated(glyphX, y), Qt::black);
        }
    }
    const int labelSize = fonts.height * 14 / kReferenceHeight;
    painter.setPen(Qt::black);
    painter.setFont(labelFont(fonts, labelSize));
    const int nameTop = y + fonts.height;
    painter.drawText(QRect(x, nameTop, layout.cellWidth, labelSize * 3 / 2), Qt::AlignHCenter | Qt::AlignTop,
                     fromBytes(entry.name));
    QFont small = labelFont(fonts, labelSize * 3 / 4);
    small.setWeight(QFont::Normal);
    painter.setFont(small);
    painter.setPen(QColor(110, 110, 110));
    painter.drawText(QRect(x, nameTop + labelSize * 3 / 2, layout.cellWidth, labelSize),
                     Qt::AlignHCenter | Qt::AlignTop,
                     QString("QTN%1 %2").arg(entry.section).arg(entry.code));
}

}  // namespace

std::vector<SpecimenEntry> specimenEntries(const Profile& profile) {
    std::vector<SpecimenEntry> entries;
    for (int section = 1; section <= 8; ++section) {
        const std::string sectionName = "FontMap" + std::to_string(section);
        const int last = section == 1 ? 171 : 127;
        for (int code = 32; code <= last; ++code) {
            const std::string value = profile.getString(sectionName, std::to_string(code));
            const std::string name = firstWord(value);
            if (name.empty()) continue;
            const bool gracenotes = isEmbellishmentLike(parseSymbolMapRow(value, code).category);
            entries.push_back({name, section, code, gracenotes});
        }
    }
    return entries;
}

SpecimenLayout specimenLayout(const FontSet& fonts, std::size_t entryCount) {
    SpecimenLayout layout;
    const int h = std::max(fonts.height, 1);
    layout.cellWidth = h * 13 / 10;
    layout.rowHeight = h + h * 40 / kReferenceHeight;
    layout.titleHeight = h * 40 / kReferenceHeight;
    const int rows = static_cast<int>((entryCount + static_cast<std::size_t>(layout.columns) - 1) /
                                      static_cast<std::size_t>(layout.columns));
    layout.width = layout.columns * layout.cellWidth;
    layout.height = layout.titleHeight + std::max(rows, 1) * layout.rowHeight;
    return layout;
}

void drawSpecimen(QPainter& painter, const FontSet& fonts, const std::vector<SpecimenEntry>& entries,
                  const SpecimenLayout& layout, EngravingStyle style) {
    painter.fillRect(0, 0, layout.width, layout.height, Qt::white);
    painter.setPen(Qt::black);
    painter.setFont(labelFont(fonts, fonts.height * 20 / kReferenceHeight));
    painter.drawText(QRect(0, 0, layout.width, layout.titleHeight), Qt::AlignCenter,
                     QString("Skirlo music fonts QTN1-QTN8: %1 symbols, font height %2")
                         .arg(entries.size())
                         .arg(fonts.height));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int column = static_cast<int>(i % static_cast<std::size_t>(layout.columns));
        const int row = static_cast<int>(i / static_cast<std::size_t>(layout.columns));
        drawEntry(painter, fonts, entries[i], column * layout.cellWidth,
                  layout.titleHeight + row * layout.rowHeight, layout, style);
    }
}

bool writeSpecimen(const std::filesystem::path& out, const std::filesystem::path& resourceDir,
                   const std::vector<SpecimenEntry>& entries, int zoom, EngravingStyle style, std::string& error) {
    if (zoom < kMinimumZoom || zoom > kMaximumZoom) {
        error = "zoom must be between " + std::to_string(kMinimumZoom) + " and " + std::to_string(kMaximumZoom) +
                " percent";
        return false;
    }
    std::string extension = out.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != ".png" && extension != ".pdf") {
        error = "the specimen is written as .png or .pdf";
        return false;
    }
    QtMeasuringContext context(resourceDir);
    RecordingMessageSink messages;
    const FontSet fonts = createFontSet(context, zoom * kReferenceHeight / 100, 0, messages);
    if (!messages.messages().empty()) {
        error = messages.messages().front().text;
        return false;
    }
    const SpecimenLayout layout = specimenLayout(fonts, entries.size());
    const QString path = QString::fromStdString(out.string());
    if (extension == ".png") {
        QImage image(layout.width, layout.height, QImage::Format_RGB32);
        if (image.isNull()) {
            error = "not enough memory for an image of " + std::to_string(layout.width) + " x " +
                    std::to_string(layout.height) + " pixels";
            return false;
        }
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            drawSpecimen(painter, fonts, entries, layout, style);
        }
        if (!image.save(path, "PNG")) {
            error = "cannot write " + out.string();
            return false;
        }
        return true;
    }
    QPdfWriter writer(path);
    // One drawing unit per pixel of a 96 dpi screen, on one page that holds
    // the whole sheet.
    writer.setResolution(96);
    writer.setPageLayout(QPageLayout(QPageSize(QSizeF(layout.width * 72.0 / 96.0, layout.height * 72.0 / 96.0),
                                               QPageSize::Point, QString(), QPageSize::ExactMatch),
                                     QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&writer)) {
        error = "cannot write " + out.string();
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    drawSpecimen(painter, fonts, entries, layout, style);
    painter.end();
    return true;
}

}  // namespace skirlo
