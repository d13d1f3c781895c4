#include "tunefile/HeaderRegion.h"

#include <gtest/gtest.h>

#include "common/FixedMetrics.h"
#include "tunefile/ScriptText.h"

using namespace skirlo;

namespace {

const std::string kTitleList = "(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)";
const std::string kTypeList = "(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)";
const std::string kComposerList = "(M,R,0,0,Times New Roman,14,400,0,0,18,0,0,0)";
const std::string kFooterList = "(F,R,0,0,Times New Roman,12,400,0,0,18,0,0,0)";
const std::string kInLine = "\"In-Line\",(I,L,0,0,Times New Roman,11,700,0,0,0,0,0,0)";

using Step = HeaderRegionReader::Step;

// One build over a snapshot of the script, as the tune builder does it.
struct Build {
    explicit Build(std::string text, bool convert = false, TextRepairs repairs = TextRepairs::Mend)
        : script(text), snapshot(std::move(text)), search(snapshot), convertBareStrings(convert), repairs(repairs) {}

    // Reads one tune's header region to its end; the steps taken, in order.
    std::vector<Step> readTune(std::size_t tuneStart, TuneHeader& header) {
        HeaderRegionReader reader(search, tuneStart, script, growth, convertBareStrings, context, 130, repairs);
        std::vector<Step> steps;
        for (int guard = 0; guard < 100; ++guard) {
            steps.push_back(reader.next(header));
            if (steps.back() == Step::None) break;
        }
        return steps;
    }

    ScriptText script;
    std::string snapshot;
    HeaderSearch search;
    std::ptrdiff_t growth = 0;
    bool convertBareStrings;
    TextRepairs repairs;
    FixedMetricsContext context;
};

}  // namespace

TEST(BodyStartTest, InLineRecordDirectlyBeforeTheClefOpensTheBody) {
    const std::string text = "\"T\",(T,L)\r\n" + kInLine + " \r\n\t& LA_4";
    EXPECT_EQ(bodyStart(text, text.find('&')), text.find("\"In-Line\""));
    const std::string title = "\"T\",(T,L,0,0,x,1,1,0,0,0,0,0,0)\r\n& LA_4";
    EXPECT_EQ(bodyStart(title, title.find('&')), title.find('&'));
    const std::string noQuote = "x,(I)\r\n& LA_4";
    EXPECT_EQ(bodyStart(noQuote, noQuote.find('&')), noQuote.find('&'));
    const std::string oneQuote = "\",(I)& LA_4";
    EXPECT_EQ(bodyStart(oneQuote, oneQuote.find('&')), oneQuote.find('&'));
    EXPECT_EQ(bodyStart(") & ", 2), 2u);
    EXPECT_EQ(bodyStart("   &", 3), 3u);
    EXPECT_EQ(bodyStart("&", 0), 0u);
    EXPECT_EQ(bodyStart("abc", std::string::npos), std::string::npos);
}

TEST(HeaderRegionCurrentFile, RecordsAndCommentsUntilTheBody) {
    Build build("Chantrel:1.0\r\n\r\n\"Title\"," + kTitleList + "\r\n\"Comment\"\r\n\"Mended\",(Q,Z\r\n& x");
    TuneHeader header;
    EXPECT_EQ(build.readTune(0, header), (std::vector<Step>{Step::Record, Step::Skip, Step::Record, Step::None}));
    ASSERT_EQ(header.texts.size(), 2u);
    EXPECT_EQ(header.texts[0]->text, "Title");
    EXPECT_EQ(header.texts[0]->kind, 'T');
    // The comment did not move the position on: the list lacking ')' gets
    // the second position's defaults.
    EXPECT_EQ(header.texts[1]->text, "Mended");
    EXPECT_EQ(header.texts[1]->kind, 'Y');
    EXPECT_EQ(build.script.text(), "Chantrel:1.0\r\n\r\n\"Title\"," + kTitleList + "\r\n\"Comment\"\r\n\r\n\"Mended\"," +
                                       kTypeList + "\r\n,(Q,Z\r\n& x");
    EXPECT_EQ(build.growth, static_cast<std::ptrdiff_t>(2 + 1 + kTypeList.size() + 2));
}

// Read while typing: the same record, at its place in the text as it stands.
TEST(HeaderRegionCurrentFile, ARecordLeftUnmendedReadsAsMendedAndWritesNothing) {
    const std::string text = "\"Title\"," + kTitleList + "\r\n\"Mended\",(Q,Z\r\n& x";
    Build build(text, false, TextRepairs::Leave);
    TuneHeader header;
    EXPECT_EQ(build.readTune(0, header), (std::vector<Step>{Step::Record, Step::Record, Step::None}));
    ASSERT_EQ(header.texts.size(), 2u);
    EXPECT_EQ(header.texts[1]->text, "Mended");
    EXPECT_EQ(header.texts[1]->kind, 'Y');
    const std::size_t quote = text.find("\"Mended\"");
    EXPECT_EQ(header.texts[1]->source, SourceRange::between(quote, quote + 8));
    EXPECT_EQ(build.script.text(), text);
    EXPECT_FALSE(build.script.modified());
    EXPECT_EQ(build.growth, 0);
}

TEST(HeaderRegionCurrentFile, InLineRecordEndsTheRegionWhereverItStands) {
    Build before("\"Title\"," + kTitleList + "\r\n" + kInLine + "\r\n& x");
    TuneHeader first;
    EXPECT_EQ(before.readTune(0, first), (std::vector<Step>{Step::Record, Step::None}));
    EXPECT_EQ(first.texts.size(), 1u);

    Build inside(kInLine + "\r\n\"Type\"," + kTypeList + "\r\n& x");
    TuneHeader second;
    EXPECT_EQ(inside.readTune(0, second), (std::vector<Step>{Step::None}));
    EXPECT_TRUE(second.texts.empty());

    Build unclosed("\"Title\"," + kTitleList + "\r\n\"never closed\r\n");
    TuneHeader third;
    EXPECT_EQ(unclosed.readTune(0, third), (std::vector<Step>{Step::Record, Step::None}));
    EXPECT_FALSE(unclosed.script.modified());
}

TEST(HeaderRegionOlderFile, BareStringsGetListsByPositionAtTheirOwnPlaces) {
    Build build("Chantrel:1.0\r\n\r\n\"A\"\r\n\r\n\"B\" \"C\"\r\n\"D\"\r\n\"E\"\r\n& LA_4", true);
    TuneHeader header;
    EXPECT_EQ(build.readTune(0, header).size(), 6u);
    ASSERT_EQ(header.texts.size(), 5u);
    EXPECT_EQ(header.texts[0]->kind, 'T');
    EXPECT_EQ(header.texts[1]->kind, 'Y');
    EXPECT_EQ(header.texts[2]->kind, 'M');
    EXPECT_EQ(header.texts[3]->kind, 'F');
    EXPECT_EQ(header.texts[4]->kind, 'F');
    EXPECT_EQ(header.texts[4]->description.heightTenthsOfPoint, 120);
    // A line break goes before a record unless an empty line already does.
    EXPECT_EQ(build.script.text(), "Chantrel:1.0\r\n\r\n\"A\"," + kTitleList + "\r\n\r\n\r\n\"B\"," + kTypeList +
                                       "\r\n \r\n\"C\"," + kComposerList + "\r\n\r\n\"D\"," + kFooterList +
                                       "\r\n\r\n\"E\"," + kFooterList + "\r\n\r\n& LA_4");
    EXPECT_TRUE(build.script.modified());
}

TEST(HeaderRegionOlderFile, SecondTuneIsEditedAfterTheFirstTunesGrowth) {
    const std::string text = "\"One\"\r\n& x !I\r\nSkirlo \"Two\" & y";
    Build build(text, true);
    TuneHeader first;
    build.readTune(0, first);
    TuneHeader second;
    build.readTune(text.find("Skirlo"), second);
    ASSERT_EQ(second.texts.size(), 1u);
    EXPECT_EQ(second.texts[0]->kind, 'T') << "the position counter starts again for each tune";
    EXPECT_EQ(build.script.text(), "\r\n\"One\"," + kTitleList + "\r\n\r\n& x !I\r\nSkirlo \r\n\"Two\"," + kTitleList +
                                       "\r\n & y");
}

TEST(HeaderRegionTempo, MarksCountOnlyBeforeTheBody) {
    Build before("TuneTempo,120\r\n\"T\"," + kTitleList + "\r\n& x TuneTempo,60");
    TuneHeader header;
    before.readTune(0, header);
    EXPECT_EQ(header.tempo, 120);

    Build after("\"T\"," + kTitleList + "\r\n& x TuneTempo,60 VariationTempo,(70,80)");
    TuneHeader none;
    after.readTune(0, none);
    EXPECT_EQ(none.tempo, 0);
    EXPECT_EQ(none.variationTempo, 0);

    Build title("\"Reel TuneTempo 95\"," + kTitleList + "\r\n& x");
    TuneHeader inTitle;
    title.readTune(0, inTitle);
    EXPECT_EQ(inTitle.tempo, 95) << "digits ten characters after the word";

    Build noBody("TuneTempo,100 \"T\"," + kTitleList);
    TuneHeader withoutBody;
    noBody.readTune(0, withoutBody);
    EXPECT_EQ(withoutBody.tempo, 0);
}

TEST(HeaderRegionTempo, VariationTempoForms) {
    struct Case {
        std::string marks;
        int tempo;
        int variationTempo;
    };
    const Case cases[] = {
        {"VariationTempo,(100,80)", 100, 80},
        {"VariationTempo,(100,80) TuneTempo,110", 110, 80},
        {"TuneTempo,110 VariationTempo,(100,80)", 100, 80},
        {"TuneTempo,110 VariationTempo,(80)", 110, 80},
        {"TuneTempo,110 VariationTempo (100 80", 110, 0},
        {"VariationTempo,(100,80", 100, 0},
    };
    for (const Case& c : cases) {
        Build build(c.marks + "\r\n\"Comment\"\r\n& LA_4");
        TuneHeader header;
        build.readTune(0, header);
        EXPECT_EQ(header.tempo, c.tempo) << c.marks;
        EXPECT_EQ(header.variationTempo, c.variationTempo) << c.marks;
    }
}

TEST(HeaderRegionRobustness, TruncatedAndOddTextsEndCleanly) {
    for (std::string text : {"", "\"", "\"T\",", "\"T\",(", "\"T\"", "&\"", "TuneTempo", "VariationTempo,",
                             "\"a\"\"b\",(I)\"c\"", "TuneTempo,\"x\"&", "VariationTempo,(\"x\"&"}) {
        for (bool convert : {false, true}) {
            Build build(text, convert);
            TuneHeader header;
            EXPECT_LE(build.readTune(0, header).size(), 10u) << text;
            EXPECT_EQ(build.readTune(text.size() + 5, header), (std::vector<Step>{Step::None})) << text;
        }
    }
    Build cut("\"T\",", false);
    TuneHeader header;
    cut.readTune(0, header);
    EXPECT_EQ(cut.script.text(), "\r\n\"T\"," + kTitleList + "\r\n,");
}

TEST(HeaderRegionSearch, ManyTunesShareOneSearch) {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "Skirlo \"Tune\",(T,L) TuneTempo," + std::to_string(60 + i % 50) + " & x !I\r\n";
    Build build(text);
    std::size_t start = 0;
    int tunes = 0;
    while ((start = text.find("Skirlo", start)) != std::string::npos) {
        TuneHeader header;
        EXPECT_EQ(build.readTune(start, header), (std::vector<Step>{Step::Record, Step::None}));
        EXPECT_EQ(header.tempo, 60 + tunes % 50);
        ++tunes;
        ++start;
    }
    EXPECT_EQ(tunes, 2000);
}
