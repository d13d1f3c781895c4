// The music's page setup dialog and its writing into the tune text, and
// printing through a Qt printer to a PDF file, as "&Print..." does when the
// user picks a file.

#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPrinter>
#include <QFile>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "common/MessageSink.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/MusicPageSetup.h"
#include "editor/MusicPageSetupDialog.h"
#include "editor/MusicPrinter.h"
#include "engraving/MusicRenderer.h"
#include "view/QtMeasuring.h"
#include "view/QtMusicPrint.h"
#include "tunefile/ScriptText.h"

using namespace skirlo;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<TuneDocument> newTune(MessageSink& messages) {
    std::unique_ptr<TuneDocument> document = TuneDocument::createNew(1);
    document->firstSetUp(messages);
    return document;
}

QString toolOutput(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    tool.waitForFinished();
    return QString::fromUtf8(tool.readAllStandardOutput());
}

int pdfPages(const QString& pdf) {
    const QString text = toolOutput("pdfinfo", {pdf});
    const qsizetype at = text.indexOf("Pages:");
    return at < 0 ? -1 : text.mid(at + 6).section('\n', 0, 0).trimmed().toInt();
}

TEST(MusicPageSetupTest, MarginsRoundToTensWithHalvesUp) {
    EXPECT_EQ(roundedMargin(504), 500);
    EXPECT_EQ(roundedMargin(505), 510);
    EXPECT_EQ(roundedMargin(999), 1000);
    EXPECT_EQ(roundedMargin(0), 0);
}

TEST(MusicPageSetupTest, TheStaffHeightFieldTidiesOnFocusLossAndIsStoredInThousandths) {
    MusicPageSetup values;
    values.staffHeight = 250;
    MusicPageSetupDialog dialog(values);
    dialog.show();
    QLineEdit* field = dialog.staffHeightField();
    EXPECT_EQ(field->text(), "0.250\"");
    field->setText("  .4 ");
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(field, &focusOut);
    EXPECT_EQ(field->text(), "0.4\"");
    EXPECT_EQ(dialog.values().staffHeight, 400);
    // Read digit by digit: no binary rounding takes a thousandth off.
    field->setText("0.57\"");
    EXPECT_EQ(dialog.values().staffHeight, 570);
    field->setText("-1");
    EXPECT_EQ(dialog.values().staffHeight, 0);
}

TEST(MusicPageSetupTest, OkWritesBothLinesAndAsksForALayoutOnlyWhenTheScreenChanges) {
    RecordingMessageSink messages;
    std::unique_ptr<TuneDocument> document = newTune(messages);
    MusicPageSetup chosen = musicPageSetupOf(document->settings());
    chosen.leftMargin = 750;
    chosen.orientation = 'L';
    chosen.scaleOption = 'F';
    chosen.justify = 'C';
    chosen.staffHeight = 400;
    EXPECT_FALSE(acceptMusicPageSetup(chosen, *document));
    const std::string& text = document->script().text();
    EXPECT_NE(text.find("FontSizes,(90,100,100,80,400)"), std::string::npos) << text;
    EXPECT_NE(text.find("TuneFormat,(1,0,F,C,750,500,500,500,L,0,0)"), std::string::npos) << text;
    EXPECT_TRUE(document->script().modified());

    for (auto change : {+[](MusicPageSetup& v) { v.alignBars = 1; }, +[](MusicPageSetup& v) { v.xScale = 120; },
                        +[](MusicPageSetup& v) { v.yScale = 80; }, +[](MusicPageSetup& v) { v.space = 90; }}) {
        MusicPageSetup next = musicPageSetupOf(document->settings());
        change(next);
        EXPECT_TRUE(acceptMusicPageSetup(next, *document));
    }
}

TEST(MusicPrinterTest, PrintingToAPdfFileGivesEveryPageOrTheRangeAsked) {
    RecordingMessageSink messages;
    const fs::path folder = fs::temp_directory_path() / ("skirlo_print_music_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    WorkspaceOptions options;
    options.explicitProfile = std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI";
    WorkspaceOpening opening = openWorkspace(options, messages);
    ASSERT_TRUE(opening.workspace) << opening.error;

    std::unique_ptr<TuneDocument> document = newTune(messages);
    std::string text = document->script().text();
    for (int s = 0; s < 40; ++s) text += "& 2_4 I! LA_4 B_4 ! C_4 D_4 ! E_4 F_4 ! HG_4 HA_4 !t\r\n";
    document->script().load(text);

    MusicPrinter printer(*document, *opening.workspace, messages);
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setResolution(600);
    const QString all = QString::fromStdString((folder / "all.pdf").string());
    pdf.setOutputFileName(all);
    const int pages = printer.printTo(pdf);
    EXPECT_GE(pages, 2);
    EXPECT_EQ(pdfPages(all), pages);

    const QString second = QString::fromStdString((folder / "second.pdf").string());
    pdf.setOutputFileName(second);
    pdf.setPrintRange(QPrinter::PageRange);
    pdf.setFromTo(2, 2);
    EXPECT_EQ(printer.printTo(pdf), 1);
    EXPECT_EQ(pdfPages(second), 1);
    fs::remove_all(folder);
}

// Print to PDF goes through our own writer, measuring with FreeType; a
// printer goes through Qt, measuring with Qt's fonts. A book must come out
// the same on both: the same pages, and the same words on each, which stay
// text in the PDF, in embedded faces.
TEST(MusicPrinterTest, OurPdfOfABookHasThePagesAndWordsQtPrintsAndEmbedsItsFaces) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "poppler is not installed";
    RecordingMessageSink messages;
    QTemporaryDir folder;
    WorkspaceOptions options;
    options.explicitProfile = std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI";
    WorkspaceOpening opening = openWorkspace(options, messages);
    ASSERT_TRUE(opening.workspace) << opening.error;
    // The settings lines of an example, then the book's tunes.
    QFile example(QString(SKIRLO_RESOURCE_DIR) + "/examples/highland-laddie.tnz");
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    const QByteArray bytes = example.readAll();
    std::string text = bytes.left(bytes.indexOf("\"Highland Laddie\"")).toStdString();
    for (int n = 1; n <= 12; ++n) {
        if (n > 1) text += "\r\n\"Skirlo: a further tune follows\"\r\n\r\n";
        text += "\"Tune \xC0 " + std::to_string(n) + "\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n";
        text += "\"March\",(Y,L,0,0,Times New Roman,12,400,1,0,18,0,0,0)\r\n";
        for (int s = 0; s < 6; ++s) text += "& 2_4 I! LA_4 B_4 ! C_4 D_4 ! E_4 F_4 ! HG_4 HA_4 !t\r\n";
    }
    const QString book = folder.filePath("book.tnz");
    {
        QFile file(book);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    // Opened and built as the window opens a file.
    TuneDocument::Opening opened = TuneDocument::open(book.toStdString());
    ASSERT_TRUE(opened.document) << opened.error;
    std::unique_ptr<TuneDocument>& document = opened.document;
    document->firstSetUp(messages);
    ASSERT_TRUE(document->rebuildStructure(opening.workspace->symbols, messages));

    MusicPrinter printer(*document, *opening.workspace, messages);
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setResolution(600);
    pdf.setFullPage(true);
    const QString ours = folder.filePath("ours.pdf");
    pdf.setOutputFileName(ours);
    const int pages = printer.printTo(pdf);
    ASSERT_GE(pages, 2);

    const QString qts = folder.filePath("qt.pdf");
    QPdfWriter writer(qts);
    writer.setResolution(600);
    writer.setPageLayout(pdf.pageLayout());
    QtMeasuringContext measuring(opening.workspace->resourceDir, 600, 600, true);
    const MusicRenderer renderer(opening.workspace->symbols.hiliteColour());
    PagePainter painter(renderer, writer, SurfaceKind::Printer, 1, INT_MAX);
    PrintSettings settings = printLayoutOf(document->settings(), *opening.workspace->profile);
    layOutForPrinting(document->script(), opening.workspace->symbols, measuring, messages, settings,
                      printDeviceOf(writer), &painter);
    EXPECT_EQ(painter.finish(), pages);

    EXPECT_EQ(pdfPages(ours), pages);
    // Titled by the first tune, as a reader lists it.
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8("Title:\\s+Tune \u00C0 1\n")).match(toolOutput("pdfinfo", {ours})).hasMatch());
    const QString words = toolOutput("pdftotext", {ours, "-"});
    EXPECT_TRUE(words.contains(QString::fromUtf8("Tune \u00C0 12"))) << words.toStdString();
    EXPECT_EQ(words.simplified(), toolOutput("pdftotext", {qts, "-"}).simplified());
    // Every face is embedded, with its way back to the characters.
    const QStringList fonts = toolOutput("pdffonts", {ours}).split('\n', Qt::SkipEmptyParts).mid(2);
    EXPECT_GE(fonts.size(), 2);  // at least the titles' bold and the italic type line
    for (const QString& font : fonts) {
        EXPECT_TRUE(QRegularExpression("\\syes\\s+no\\s+yes\\s+\\d+\\s+\\d+$").match(font).hasMatch())
            << font.toStdString();
    }
}

}  // namespace
