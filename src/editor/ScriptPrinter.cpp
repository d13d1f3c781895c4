#include "editor/ScriptPrinter.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace skirlo {

ScriptPrinter::ScriptPrinter(const QTextDocument& text, const QFont& font, int tabStopUnits, FrameOfPage frameOfPage)
    : font_(font), tabStopUnits_(tabStopUnits), frameOfPage_(std::move(frameOfPage)) {
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        paragraphs_.push_back(block.text());
        paragraphPositions_.push_back(block.position());
    }
}

ScriptPrinter::~ScriptPrinter() = default;

ScriptPrinter::Body ScriptPrinter::bodyOf(const PageFrame& frame, double pageHeight) const {
    const double quarter = fontHeight_ / 4;
    Body body{0, pageHeight};
    // The header's rule lies a quarter of the font height under it, the text
    // a quarter under the rule; the footer mirrors that from the bottom.
    if (!frame.header.isEmpty()) body.top = fontHeight_ + 2 * quarter;
    if (!frame.footer.isEmpty()) body.bottom = pageHeight - fontHeight_ - 2 * quarter;
    return body;
}

int ScriptPrinter::paginate(const QPaintDevice& device) {
    const QFont font(font_, &device);
    const QFontMetricsF metrics(font, &device);
    fontHeight_ = metrics.height();
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // A layout outside a document takes its tab distance at 96 dots per inch
    // and scales it to the font's resolution itself.
    constexpr double kLayoutTabDpi = 96.0;
    option.setTabStopDistance(tabStopUnits_ * metrics.averageCharWidth() / 4 * kLayoutTabDpi / device.logicalDpiY());
    const double width = device.width();

    layouts_.clear();
    lines_.clear();
    for (std::size_t p = 0; p < paragraphs_.size(); ++p) {
        auto layout = std::make_unique<QTextLayout>(paragraphs_[p], font, &device);
        layout->setTextOption(option);
        layout->beginLayout();
        double y = 0;
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, y));
            y += line.height();
            lines_.push_back({static_cast<int>(p), line.lineNumber(), paragraphPositions_[p] + line.textStart()});
        }
        layout->endLayout();
        layouts_.push_back(std::move(layout));
    }

    pages_.clear();
    std::size_t next = 0;
    do {
        Page page{static_cast<int>(next), frameOfPage_(static_cast<int>(pages_.size()) + 1), 0};
        const Body body = bodyOf(page.frame, device.height());
        page.bodyTop = body.top;
        double y = body.top;
        // At least one line per page, however small the page.
        do {
            const Line& line = lines_[next];
            y += layouts_[line.layout]->lineAt(line.line).height();
            ++next;
        } while (next < lines_.size() &&
                 y + layouts_[lines_[next].layout]->lineAt(lines_[next].line).height() <= body.bottom);
        pages_.push_back(std::move(page));
    } while (next < lines_.size());
    return static_cast<int>(pages_.size());
}

int ScriptPrinter::pageOfPosition(int position) const {
    const auto line = std::upper_bound(lines_.begin(), lines_.end(), position,
                                       [](int p, const Line& l) { return p < l.position; });
    const int lineIndex = std::max(0, static_cast<int>(line - lines_.begin()) - 1);
    const auto page = std::upper_bound(pages_.begin(), pages_.end(), lineIndex,
                                       [](int l, const Page& pg) { return l < pg.firstLine; });
    return std::max(1, static_cast<int>(page - pages_.begin()));
}

void ScriptPrinter::paintPage(QPainter& painter, const Page& page, std::size_t endLine, double width,
                              double height) const {
    const double quarter = fontHeight_ / 4;
    const QFontMetricsF metrics(painter.font(), painter.device());
    if (!page.frame.header.isEmpty()) {
        painter.drawText(QPointF(0, metrics.ascent()), page.frame.header);
        painter.drawLine(QPointF(0, fontHeight_ + quarter), QPointF(width, fontHeight_ + quarter));
    }
    if (!page.frame.footer.isEmpty()) {
        const double footerTop = height - fontHeight_;
        painter.drawText(QPointF(0, footerTop + metrics.ascent()), page.frame.footer);
        painter.drawLine(QPointF(0, footerTop - quarter), QPointF(width, footerTop - quarter));
    }
    double y = page.bodyTop;
    for (auto i = static_cast<std::size_t>(page.firstLine); i < endLine; ++i) {
        const QTextLine line = layouts_[lines_[i].layout]->lineAt(lines_[i].line);
        line.draw(&painter, QPointF(0, y - line.y()));
        y += line.height();
    }
}

int ScriptPrinter::print(QPagedPaintDevice& device) {
    const int pages = paginate(device);
    QPainter painter(&device);
    painter.setFont(QFont(font_, &device));
    // A hairline of about a hundred-and-fiftieth of an inch, on paper as on screen.
    painter.setPen(QPen(Qt::black, std::max(1.0, device.logicalDpiY() / 150.0)));
    for (std::size_t p = 0; p < pages_.size(); ++p) {
        if (p > 0) device.newPage();
        const std::size_t end = p + 1 < pages_.size() ? pages_[p + 1].firstLine : lines_.size();
        paintPage(painter, pages_[p], end, device.width(), device.height());
    }
    return pages;
}

}  // namespace skirlo
