// The music's page setup dialog and its writing into the tune text, and
// printing through a Qt printer to a PDF file, as "&Print..." does when the
// user picks a file.

#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

#include "common/MessageSink.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/MusicPageSetup.h"
#include "editor/MusicPageSetupDialog.h"
#include "editor/MusicPrinter.h"
#include "tunefile/ScriptText.h"

using namespace skirlo;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<TuneDocument> newTune(MessageSink& messages) {
    std::unique_ptr<TuneDocument> document = TuneDocument::createNew(1);
    document->firstSetUp(messages);
    return document;
}

int pdfPages(const QString& pdf) {
    QProcess info;
    info.start("pdfinfo", {pdf});
    info.waitForFinished();
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
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

}  // namespace
