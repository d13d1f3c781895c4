#pragma once
// Prints the script pane's text: its lines wrapped to the page width with the
// pane's tab stops, and on each page the header at the top and the footer at
// the bottom, each set off from the text by a rule. Pages are counted by
// laying the text out for the device, so the preview, the page count and the
// page of a given position agree with what prints.

#include <QFont>
#include <QString>
#include <QTextLayout>

#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QTextDocument;

namespace skirlo {

class ScriptPrinter {
public:
    struct PageFrame {
        QString header;  // nothing is drawn for an empty one
        QString footer;
    };
    // The header and footer of page 1, 2, ...
    using FrameOfPage = std::function<PageFrame(int page)>;

    // `tabStopUnits` in edit-control units (quarters of the average character width).
    ScriptPrinter(const QTextDocument& text, const QFont& font, int tabStopUnits, FrameOfPage frameOfPage);
    ~ScriptPrinter();

    // Lays the text out for the device; returns the number of pages.
    int paginate(const QPaintDevice& device);
    // The page (from 1) holding an editor position, after paginate.
    int pageOfPosition(int position) const;
    // Paginates and paints every page, starting a new page between them;
    // returns the number of pages.
    int print(QPagedPaintDevice& device);

private:
    struct Line {
        int layout;
        int line;
        int position;  // editor position of the line's first character
    };
    struct Page {
        int firstLine;
        PageFrame frame;
        double bodyTop;
    };
    struct Body {
        double top;
        double bottom;
    };
    Body bodyOf(const PageFrame& frame, double pageHeight) const;
    void paintPage(QPainter& painter, const Page& page, std::size_t endLine, double width, double height) const;

    std::vector<QString> paragraphs_;
    std::vector<int> paragraphPositions_;
    QFont font_;
    int tabStopUnits_;
    FrameOfPage frameOfPage_;
    std::vector<std::unique_ptr<QTextLayout>> layouts_;
    std::vector<Line> lines_;
    std::vector<Page> pages_;
    double fontHeight_ = 0;
};

}  // namespace skirlo
