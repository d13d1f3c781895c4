// Printing the script: pages counted as they print, the header and footer of
// each page expanded, the preview's first page the caret's. Read back with
// poppler's pdftotext, which we did not write.

#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

#include "common/MessageSink.h"
#include "document/ProgramConfiguration.h"
#include "editor/ScriptPrinter.h"
#include "editor/ScriptView.h"
#include "tunefile/ScriptText.h"

using namespace skirlo;

namespace {

QString pdfText(const QString& pdf) {
    QProcess tool;
    tool.start("pdftotext", {"-layout", pdf, "-"});
    tool.waitForFinished();
    return QString::fromUtf8(tool.readAllStandardOutput());
}

class ScriptPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
        std::string text;
        for (int line = 1; line <= 150; ++line) text += "LG_4 B_4 ! bar " + std::to_string(line) + "\r\n";
        script.load(text);
        view.loadFromScript();
        view.setDocumentName("/tunes/reel.tnz", true);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(directory.filePath("script.pdf"));
        printer.setResolution(300);
    }

    QTemporaryDir directory;
    QPrinter printer{QPrinter::HighResolution};
    ScriptText script;
    ScriptViewSettings settings;
    ScriptPageSetup pageSetup;
    RecordingMessageSink messages;
    ScriptView view{script, settings, pageSetup, messages};
};

TEST_F(ScriptPrintTest, EveryPageCarriesItsExpandedHeaderAndFooter) {
    pageSetup.header = "&f page &p &p";
    pageSetup.footer = "Printed %Y";
    const int pages = view.printTo(printer);
    ASSERT_GE(pages, 2);
    const QString text = pdfText(printer.outputFileName());
    EXPECT_EQ(text.count("/tunes/reel.tnz page"), pages);
    EXPECT_TRUE(text.contains("/tunes/reel.tnz page 1 &p"));
    EXPECT_TRUE(text.contains(QString("/tunes/reel.tnz page %1 &p").arg(pages)));
    EXPECT_EQ(text.count("Printed 20"), pages);
    EXPECT_TRUE(text.contains("bar 1\n"));
    EXPECT_TRUE(text.contains("bar 150\n"));
    EXPECT_EQ(text.count('\f'), pages);  // one form feed ends each page
}

TEST_F(ScriptPrintTest, AHeaderTooLongPrintsNothingAndLeavesTheRoomToText) {
    pageSetup.header = "&p";
    const int framed = view.printTo(printer);
    pageSetup.header = std::string(130, 'x');
    const int unframed = view.printTo(printer);
    EXPECT_LE(unframed, framed);
    EXPECT_FALSE(pdfText(printer.outputFileName()).contains("xxxx"));
}

TEST_F(ScriptPrintTest, ThePageOfAPositionIsWhereItPrints) {
    ScriptPrinter scriptPrinter(*view.document(), view.printFont(), settings.tabStops,
                                [](int page) { return ScriptPrinter::PageFrame{QString::number(page), {}}; });
    const int pages = scriptPrinter.paginate(printer);
    ASSERT_GE(pages, 2);
    // Line by line the pages run 1, 1, ..., 2, 2, ... up to the last, none skipped.
    int page = 1;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        const int now = scriptPrinter.pageOfPosition(block.position() + 1);
        EXPECT_TRUE(now == page || now == page + 1) << block.blockNumber();
        page = now;
    }
    EXPECT_EQ(page, pages);
}

}  // namespace
