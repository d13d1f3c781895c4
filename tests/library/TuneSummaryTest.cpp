// The library reads tunes as the program's build cuts them, without laying
// out music.

#include <gtest/gtest.h>

#include <filesystem>

#include "LibraryTestSupport.h"
#include "common/FixedMetrics.h"
#include "document/TuneDocument.h"
#include "library/TuneSummary.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {
namespace {

using test::GeneratedTune;
using test::realSymbols;

std::string fileBytes(const std::string& path) {
    TuneFileLoad load = loadTuneFile(path);
    EXPECT_TRUE(load.ok) << path;
    return load.bytes;
}

std::string firstRecord(const Tune& tune, char kind) {
    for (const auto& record : tune.header.texts) {
        if (record->kind == kind) return record->text;
    }
    return {};
}

// Every example and a generated book: the same tunes, records, parts and
// tempos as the structure build of the opened document.
TEST(TuneSummary, AgreesWithTheProgramsBuildOnEveryExample) {
    std::vector<std::string> texts;
    for (const auto& entry : std::filesystem::directory_iterator(SKIRLO_RESOURCE_DIR "/examples")) {
        texts.push_back(fileBytes(entry.path().string()));
    }
    texts.push_back(test::tuneFileText({{"One"}, {"Two", "Jig", "Me", "Foot", "6_8", 3}, {"Three"}}));
    for (const std::string& text : texts) {
        const std::vector<TuneSummary> summaries = summarizeTunes(text, realSymbols());
        std::unique_ptr<TuneDocument> document = TuneDocument::createImported(1, text);
        RecordingMessageSink messages;
        document->firstSetUp(messages);
        ASSERT_TRUE(document->rebuildStructure(realSymbols(), messages));
        ASSERT_EQ(summaries.size(), document->tunes().size());
        ASSERT_FALSE(summaries.empty());
        for (std::size_t i = 0; i < summaries.size(); ++i) {
            const Tune& tune = *document->tunes()[i];
            EXPECT_EQ(summaries[i].position, static_cast<int>(i));
            EXPECT_EQ(summaries[i].title, firstRecord(tune, 'T'));
            EXPECT_EQ(summaries[i].type, firstRecord(tune, 'Y'));
            EXPECT_EQ(summaries[i].composer, firstRecord(tune, 'M'));
            EXPECT_EQ(summaries[i].footer, firstRecord(tune, 'F'));
            EXPECT_EQ(summaries[i].parts, static_cast<int>(tune.parts.size()));
            EXPECT_EQ(summaries[i].tempo, tune.header.tempo);
        }
    }
}

TEST(TuneSummary, ReadsTimeSignaturesTextsAndOlderFiles) {
    const std::vector<TuneSummary> two =
        summarizeTunes(fileBytes(SKIRLO_RESOURCE_DIR "/examples/two-tunes.tnz"), realSymbols());
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].time, "6/8");
    EXPECT_EQ(two[0].tempo, 100);
    EXPECT_EQ(two[1].title, "Back to the Start");
    EXPECT_EQ(two[1].time, "4/4");

    // Windows-1252 bytes become UTF-8; a title already in UTF-8 stays as it is.
    const std::vector<TuneSummary> accented = summarizeTunes(
        test::tuneFileText({{"Br\xE0igh Loch Iall", "Air", "A. Mac\xC8" "ain", "", "C_"}, {"Br\xC3\xA0igh"}}),
        realSymbols());
    ASSERT_EQ(accented.size(), 2u);
    EXPECT_EQ(accented[0].title, "Br\xC3\xA0igh Loch Iall");
    EXPECT_EQ(accented[0].composer, "A. Mac\xC3\x88" "ain");
    EXPECT_EQ(accented[0].time, "C|");
    EXPECT_EQ(accented[1].title, "Br\xC3\xA0igh");

    // An older file: its bare strings are the header records, as opening it makes them.
    const std::vector<TuneSummary> older =
        summarizeTunes("\"Old Tune\"\r\n\"Slow March\"\r\n& 3_4 I! LA_4 B_4 C_4 !I\r\n", realSymbols());
    ASSERT_EQ(older.size(), 1u);
    EXPECT_EQ(older[0].title, "Old Tune");
    EXPECT_EQ(older[0].type, "Slow March");
    EXPECT_EQ(older[0].time, "3/4");
}

TEST(TuneSummary, TellsTuneFilesFromOtherFiles) {
    EXPECT_EQ(notTuneFileReason(test::tuneFileText({{"A"}})), "");
    EXPECT_EQ(notTuneFileReason("\"Old\"\r\n& LA_4 !I"), "");
    EXPECT_NE(notTuneFileReason("Shopping list: bread, milk"), "");
    EXPECT_NE(notTuneFileReason(std::string("Chantrel:1.0\0\x01\x02", 15)), "");
}

}  // namespace
}  // namespace skirlo
