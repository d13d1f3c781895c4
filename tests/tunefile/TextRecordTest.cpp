#include "tunefile/TextRecord.h"

#include <gtest/gtest.h>

#include "common/FixedMetrics.h"
#include "tunefile/ScriptText.h"

using namespace skirlo;

namespace {

// Keeps the last font request so that what reaches the platform can be seen.
class RequestRecordingContext final : public MeasuringContext {
public:
    bool isPrinter() const override { return metrics.isPrinter(); }
    int pixelsPerInchX() const override { return metrics.pixelsPerInchX(); }
    int pixelsPerInchY() const override { return metrics.pixelsPerInchY(); }
    std::unique_ptr<Font> createTextFont(const FontDescription& description) override {
        last = description;
        return metrics.createTextFont(description);
    }
    std::unique_ptr<Font> createMusicFont(std::string_view face, int height, int width) override {
        return metrics.createMusicFont(face, height, width);
    }
    FixedMetricsContext metrics;
    FontDescription last;
};

constexpr int kReferenceH = 130;

}  // namespace

TEST(TextRecordCreate, FullListIsReadFieldByField) {
    RequestRecordingContext context;
    auto record = TextRecord::create(context, "Scotland the Brave",
                                     "(Y,C,120,-40,Liberation Serif,16,400,1,257,34,2,1,255)", kReferenceH);
    EXPECT_EQ(record->kind, 'Y');
    EXPECT_EQ(record->alignment, 'C');
    EXPECT_EQ(record->x, 120);
    EXPECT_EQ(record->y, -40);
    EXPECT_EQ(record->description.faceName, "Liberation Serif");
    EXPECT_EQ(record->description.heightTenthsOfPoint, 160);
    EXPECT_EQ(record->description.weight, 400);
    EXPECT_EQ(record->description.italic, 1);
    EXPECT_EQ(record->description.underline, 1) << "only the low byte of 257";
    EXPECT_EQ(record->description.pitchAndFamily, 34);
    EXPECT_EQ(record->description.charSet, 2);
    EXPECT_EQ(record->description.strikeOut, 1);
    EXPECT_EQ(record->colour, 255);
    EXPECT_FALSE(record->selected);
    EXPECT_EQ(record->text, "Scotland the Brave");
}

TEST(TextRecordCreate, MissingDelimitersGiveDefaultsWithoutConsumingText) {
    RequestRecordingContext context;
    auto lone = TextRecord::create(context, "t", "(F)", kReferenceH);
    EXPECT_EQ(lone->kind, 'T') << "the kind field needs its comma";
    EXPECT_EQ(lone->alignment, 'L');
    EXPECT_EQ(lone->x, 0);
    EXPECT_EQ(lone->y, 0);
    EXPECT_EQ(lone->description.faceName, "Times New Roman");
    EXPECT_EQ(lone->description.heightTenthsOfPoint, 140);
    EXPECT_EQ(lone->description.weight, 700);
    EXPECT_EQ(lone->description.pitchAndFamily, 18);
    EXPECT_EQ(lone->colour, 0);

    auto odd = TextRecord::create(context, "t", "(Q,Z,5,6, Arial,7,300,0,0,18,0,0,12)", kReferenceH);
    EXPECT_EQ(odd->kind, 'T');
    EXPECT_EQ(odd->alignment, 'L');
    EXPECT_EQ(odd->x, 5);
    EXPECT_EQ(odd->description.faceName, " Arial") << "the face name is not trimmed";
    EXPECT_EQ(odd->colour, 12);

    auto empty = TextRecord::create(context, "t", "", kReferenceH);
    EXPECT_EQ(empty->kind, 'T');
    auto huge = TextRecord::create(context, "t", "(T,L,0,0,F,999999999999,0,0,0,0,0,0,0)", kReferenceH);
    EXPECT_GT(huge->description.heightTenthsOfPoint, 0) << "an overlong size saturates";
    EXPECT_EQ(context.last.heightTenthsOfPoint, 100000) << "and the font asked for is bounded";
}

TEST(TextRecordFont, ScreenFollowsLayoutScalePrinterUsesStoredTenths) {
    RequestRecordingContext context;
    auto record = TextRecord::create(context, "Abc", "(T,L,100,200,Times New Roman,14,700,0,0,18,0,0,0)", 260);
    EXPECT_EQ(context.last.heightTenthsOfPoint, 280);
    EXPECT_EQ(record->description.heightTenthsOfPoint, 140) << "the stored size is unchanged";
    // The fixed metrics give 280 tenths 37 pixels, 18 wide per character.
    EXPECT_EQ(record->measure(false).width, 3 * 18);
    EXPECT_EQ(record->pageRight, 100 + 3 * 18 * 1000 / 96);
    EXPECT_EQ(record->pageBottom, 200 + 37 * 1000 / 96);

    context.metrics.setPrinter(true);
    record->makeFont(context, 260);
    EXPECT_EQ(context.last.heightTenthsOfPoint, 140);
    ASSERT_NE(record->font(), nullptr);
    EXPECT_EQ(record->font()->height(), 140 * 96 / 720);
    const Extent perCharacter = record->measure(true);
    EXPECT_EQ(perCharacter.width, 3 * 9);
    EXPECT_EQ(perCharacter.height, 18);
}

TEST(TextRecordFont, LongFaceNameIsCutForTheFontButKeptForTheText) {
    RequestRecordingContext context;
    const std::string face = "An Exceedingly Long Face Name Of Forty Chars";
    auto record = TextRecord::create(context, "t", "(T,L,0,0," + face + ",12,400,0,0,18,0,0,0)", kReferenceH);
    EXPECT_EQ(context.last.faceName, face.substr(0, 31));
    EXPECT_EQ(record->description.faceName, face);
    EXPECT_NE(record->writtenForm().find(face), std::string::npos);
}

TEST(TextRecordText, PrefixAndWrittenForm) {
    RequestRecordingContext context;
    auto record = TextRecord::create(context, "Jig (6/8)", "(M,R,0,0,Times New Roman,7,400,0,0,18,0,0,65280)", kReferenceH);
    EXPECT_EQ(record->prefix(), "\"Jig (6/8)\",(M,R");
    EXPECT_EQ(record->writtenForm(), "\"Jig (6/8)\",(M,R,0,0,Times New Roman,7,400,0,0,18,0,0,65280)");
    record->description.heightTenthsOfPoint = 125;
    EXPECT_EQ(record->writtenForm(), "\"Jig (6/8)\",(M,R,0,0,Times New Roman,12,400,0,0,18,0,0,65280)");
}

TEST(TextRecordRewrite, FirstOccurrenceOfTheOldPrefixIsReplacedThroughItsParenthesis) {
    RequestRecordingContext context;
    const std::string list = "(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)";
    ScriptText script("\"Tune (a)\"," + list + "\r\n\"Tune (a)\"," + list + "\r\n& x");
    auto record = TextRecord::create(context, "Tune (a)", list, kReferenceH);
    const std::string oldPrefix = record->prefix();
    record->kind = 'Y';
    record->alignment = 'C';
    record->x = 1500;
    ASSERT_TRUE(record->rewrite(oldPrefix, script, context, kReferenceH));
    EXPECT_EQ(script.text(), "\"Tune (a)\",(Y,C,1500,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n\"Tune (a)\"," + list +
                                 "\r\n& x");
    EXPECT_TRUE(script.modified());

    // The old prefix is gone once the first one changed kind; the second
    // record is now the first match.
    ASSERT_TRUE(record->rewrite(oldPrefix, script, context, kReferenceH));
    EXPECT_EQ(script.text(), "\"Tune (a)\",(Y,C,1500,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
                             "\"Tune (a)\",(Y,C,1500,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n& x");
}

TEST(TextRecordRewrite, MissingPrefixOrParenthesisLeavesTheScriptAlone) {
    RequestRecordingContext context;
    auto record = TextRecord::create(context, "Title", "(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)", kReferenceH);
    ScriptText edited("\"Retitled\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)");
    EXPECT_FALSE(record->rewrite(record->prefix(), edited, context, kReferenceH));
    EXPECT_EQ(edited.text(), "\"Retitled\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)");
    EXPECT_FALSE(edited.modified());
    ScriptText cut("\"Title\",(T,L,0,0");
    EXPECT_FALSE(record->rewrite(record->prefix(), cut, context, kReferenceH));
    EXPECT_EQ(cut.text(), "\"Title\",(T,L,0,0");
    EXPECT_FALSE(cut.modified());
}

TEST(TextRecordHitTest, EdgesAreInside) {
    TextRecord record;
    record.box = {10, 20, 30, 40};
    EXPECT_TRUE(record.hitTest(10, 20));
    EXPECT_TRUE(record.hitTest(30, 40));
    EXPECT_TRUE(record.hitTest(20, 30));
    EXPECT_FALSE(record.hitTest(9, 30));
    EXPECT_FALSE(record.hitTest(31, 30));
    EXPECT_FALSE(record.hitTest(20, 19));
    EXPECT_FALSE(record.hitTest(20, 41));
}
