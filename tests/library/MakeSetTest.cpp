// A set of tunes from several files: one document that holds, plays and
// checks as the tunes one after another.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/wait.h>

#include "LibraryTestSupport.h"
#include "library/MakeSet.h"
#include "library/TuneSummary.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {
namespace {

const std::string kExamples = SKIRLO_RESOURCE_DIR "/examples/";

using test::CliRun;
CliRun cli(const std::string& arguments) { return test::runCli(arguments); }

SetTuneSource source(const std::string& file, int position) {
    TuneFileLoad load = loadTuneFile(kExamples + file);
    EXPECT_TRUE(load.ok) << file;
    return SetTuneSource{file, std::move(load.bytes), position};
}

// The set reads back as the chosen tunes in the chosen order, each with the
// tempo it has in its own file, and starts with the first file's settings.
TEST(MakeSet, HoldsTheTunesInOrderWithTheirOwnTempos) {
    const SymbolMap& symbols = test::realSymbols();
    const SetText set = makeSetText(
        {source("two-tunes.tnz", 1), source("highland-laddie.tnz", 0), source("two-tunes.tnz", 0)}, symbols);
    ASSERT_EQ(set.error, "");
    EXPECT_EQ(set.text.rfind("Chantrel:1.0\r\n\r\nMIDINoteMappings,", 0), 0u);
    EXPECT_NE(set.text.find("TuneTempo,100"), std::string::npos);

    const std::vector<TuneSummary> tunes = summarizeTunes(set.text, symbols);
    ASSERT_EQ(tunes.size(), 3u);
    EXPECT_EQ(tunes[0].title, "Back to the Start");
    EXPECT_EQ(tunes[1].title, "Highland Laddie");
    EXPECT_EQ(tunes[2].title, "The Wee Jig");
    const std::vector<TuneSummary> laddie = summarizeTunes(source("highland-laddie.tnz", 0).bytes, symbols);
    EXPECT_EQ(tunes[1].tempo, laddie[0].tempo);
    EXPECT_EQ(tunes[1].parts, laddie[0].parts);
    EXPECT_EQ(tunes[2].tempo, 100);
    EXPECT_EQ(tunes[2].time, "6/8");

    const SetText missing = makeSetText({source("two-tunes.tnz", 2)}, symbols);
    EXPECT_EQ(missing.text, "");
    EXPECT_EQ(missing.error, "two-tunes.tnz has no tune 3 (it holds 2)");
    EXPECT_NE(makeSetText({}, symbols).error, "");
    const std::vector<SetTuneSource> tooMany(700, source("highland-laddie.tnz", 0));
    EXPECT_EQ(makeSetText(tooMany, symbols).error, "the set is too large for one tune file");
}

// A tune whose own tempo mark stands before its records keeps that tempo
// first in a set as well as later.
TEST(MakeSet, ATuneWithATempoMarkOfItsOwnKeepsItFirstOrLater) {
    const SymbolMap& symbols = test::realSymbols();
    std::string book = test::tuneFileText({{"Slow One"}});
    book += "\"Skirlo: another tune follows\"\r\n\r\nTuneTempo,70\r\n\r\n" +
            test::tuneFileText({{"Quick One"}}).substr(book.find("\"Slow One\""));
    ASSERT_EQ(summarizeTunes(book, symbols).at(1).tempo, 70);
    const SetText set = makeSetText({{"book.tnz", book, 1}, {"book.tnz", book, 0}, {"book.tnz", book, 1}}, symbols);
    ASSERT_EQ(set.error, "");
    const std::vector<TuneSummary> tunes = summarizeTunes(set.text, symbols);
    ASSERT_EQ(tunes.size(), 3u);
    EXPECT_EQ(tunes[0].title, "Quick One");
    EXPECT_EQ(tunes[0].tempo, 70);
    EXPECT_EQ(tunes[1].tempo, 90);
    EXPECT_EQ(tunes[2].tempo, 70);
}

// An older file's bare strings are records in the set, so its tune still
// begins where the set says.
TEST(MakeSet, TakesAnOlderFilesTunesInTheCurrentForm) {
    const std::string older = "\"Old Tune\"\r\n\r\n\"March\"\r\n\r\n& sharpf sharpc 2_4 I! gg LA_4 dbc C_4 !I\r\n";
    const SymbolMap& symbols = test::realSymbols();
    TuneFileLoad second = loadTuneFile(kExamples + "heather-brae.tnz");
    const SetText set = makeSetText({{"old.tnz", older, 0}, {"heather-brae.tnz", second.bytes, 0}}, symbols);
    ASSERT_EQ(set.error, "");
    EXPECT_NE(set.text.find("\"Old Tune\",(T,"), std::string::npos) << set.text;
    const std::vector<TuneSummary> tunes = summarizeTunes(set.text, symbols);
    ASSERT_EQ(tunes.size(), 2u);
    EXPECT_EQ(tunes[0].title, "Old Tune");
    EXPECT_EQ(tunes[1].title, "The Heather Brae");
}

// Written by skirlo-cli, the set passes the problem check and its
// performance is the tunes' performances one after another: one performance,
// so the drones sound on from the first tune into the next.
using MakeSetCommand = test::LibraryFixture;

TEST_F(MakeSetCommand, WritesASetThatPlaysTheTunesInOrder) {
    const std::string out = (root / "set.tnz").string();
    CliRun run = cli("library set '" + kExamples + "heather-brae.tnz' '" + kExamples + "highland-laddie.tnz#1' '" +
                     kExamples + "round-the-sign.tnz' -o '" + out + "'");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(cli("check '" + out + "'").status, 0);

    const std::string joined = cli("events '" + kExamples + "heather-brae.tnz'").out + cli("events '" + kExamples +
                               "highland-laddie.tnz'").out + cli("events '" + kExamples + "round-the-sign.tnz'").out;
    CliRun events = cli("events '" + out + "'");
    ASSERT_EQ(events.status, 0) << events.out;
    // Each run prints one JSON array: "[a][b][c]" is the set's "[a,b,c]".
    std::string expected = joined;
    for (std::size_t at; (at = expected.find("}][{")) != std::string::npos;) expected.replace(at, 4, "},{");
    EXPECT_TRUE(events.out == expected) << "the set's performance differs from its tunes' one after another";
    EXPECT_GT(events.out.size(), 1000u);

    // Printed as one document, each tune under its own title, in order
    // (poppler's pdftotext reads the titles back).
    const std::string pdf = (root / "set.pdf").string();
    const CliRun printed = cli("print '" + out + "' -o '" + pdf + "' && pdftotext '" + pdf + "' -");
    ASSERT_EQ(printed.status, 0) << printed.out;
    const std::size_t brae = printed.out.find("The Heather Brae");
    const std::size_t laddie = printed.out.find("Highland Laddie");
    const std::size_t sign = printed.out.find("Round the Sign");
    EXPECT_TRUE(brae < laddie && laddie < sign && sign != std::string::npos) << printed.out;

    const std::string refused = (root / "refused.tnz").string();
    run = cli("library set '" + kExamples + "two-tunes.tnz#3' -o '" + refused + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("has no tune 3 (it holds 2)"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(refused));
    EXPECT_EQ(cli("library set '" + kExamples + "two-tunes.tnz#x' -o '" + refused + "'").status, 1);
}

}  // namespace
}  // namespace skirlo
