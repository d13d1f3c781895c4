// The index follows the folders, survives damage and finds tunes as a piper
// types.

#include <gtest/gtest.h>

#include <fstream>
#include <sys/wait.h>

#include "LibraryTestSupport.h"
#include "interchange/EmbellishmentTable.h"

namespace skirlo {
namespace {

namespace fs = std::filesystem;
using test::GeneratedTune;
using test::LibraryFixture;
using test::writeTuneFile;

std::vector<std::string> titles(const std::vector<LibraryTune>& tunes) {
    std::vector<std::string> out;
    for (const LibraryTune& tune : tunes) out.push_back(tune.summary.title);
    return out;
}

const LibraryTune* byTitle(const std::vector<LibraryTune>& tunes, const std::string& title) {
    for (const LibraryTune& tune : tunes) {
        if (tune.summary.title == title) return &tune;
    }
    return nullptr;
}

TuneQuery query(std::string words = {}, std::string type = {}, std::string time = {}) {
    return {std::move(words), std::move(type), std::move(time)};
}

void writeBytes(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

using LibraryIndexTest = LibraryFixture;

TEST_F(LibraryIndexTest, IndexesTheExamplesAndGeneratedBooksWithTheirReasonsForSkipping) {
    fs::copy(SKIRLO_RESOURCE_DIR "/examples", root / "tunes" / "examples");
    writeTuneFile(root / "tunes" / "band" / "Book.TNZ",
                  {{"Scotland the Brave", "March", "Trad."}, {"Jig of Slurs", "Jig", "G. S. McLennan", "", "6_8", 4}});
    writeBytes(root / "tunes" / "notes.tnz", "Bring the practice chanter on Tuesday.\n");
    writeBytes(root / "tunes" / "huge.tnz", test::tuneFileText({{"Huge"}}) + std::string(1'048'576, ' '));
    writeBytes(root / "tunes" / "readme.txt", "not looked at");

    auto index = openIndex();
    const ScanReport report = index->addFolders({tunes});
    EXPECT_EQ(report.filesRead, 9);
    EXPECT_EQ(report.tunesRead, 9);
    ASSERT_EQ(report.skipped.size(), 2u);
    EXPECT_EQ(report.skipped[0].path, tunes + "/huge.tnz");
    EXPECT_EQ(report.skipped[0].reason, "The file is too large to open.");
    EXPECT_EQ(report.skipped[1].path, tunes + "/notes.tnz");
    EXPECT_EQ(index->skippedFiles().size(), 2u);

    const std::vector<LibraryTune> all = index->findTunes(query());
    EXPECT_EQ(titles(all), (std::vector<std::string>{"Back to the Start", "Highland Laddie", "Jig of Slurs",
                                                     "Maggie Cameron", "Round the Sign", "Scotland the Brave",
                                                     "The Heather Brae", "The Salute to the Tide Mill", "The Wee Jig"}));
    const LibraryTune* jig = byTitle(all, "Jig of Slurs");
    ASSERT_NE(jig, nullptr);
    EXPECT_EQ(jig->file, tunes + "/band/Book.TNZ");
    EXPECT_EQ(jig->summary.position, 1);
    EXPECT_EQ(jig->summary.type, "Jig");
    EXPECT_EQ(jig->summary.composer, "G. S. McLennan");
    EXPECT_EQ(jig->summary.time, "6/8");
    EXPECT_EQ(jig->summary.parts, 4);
    EXPECT_EQ(jig->summary.tempo, 0);
    const LibraryTune* back = byTitle(all, "Back to the Start");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->file, tunes + "/examples/two-tunes.tnz");
    EXPECT_EQ(back->summary.position, 1);
    EXPECT_EQ(index->types(), (std::vector<std::string>{"2/4 March", "Air", "Jig", "March", "Piobaireachd",
                                                        "Retreat Air", "Strathspey"}));
    EXPECT_EQ(index->folders(), std::vector<std::string>{tunes});
}

TEST_F(LibraryIndexTest, ARescanReadsOnlyChangedFilesAndDropsRemovedOnes) {
    writeTuneFile(root / "tunes" / "a.tnz", {{"Alpha"}});
    writeTuneFile(root / "tunes" / "b.tnz", {{"Bravo"}, {"Bravo Two"}});
    writeTuneFile(root / "tunes" / "sub" / "c.tnz", {{"Charlie"}});
    writeTuneFile(root / "tunes" / "d.tnz", {{"Delta"}});
    auto index = openIndex();
    index->addFolders({tunes});

    // Same size, new time: the stamp, not the size alone, shows the change.
    writeTuneFile(root / "tunes" / "a.tnz", {{"Alfie"}});
    fs::last_write_time(root / "tunes" / "a.tnz", fs::last_write_time(root / "tunes" / "a.tnz") + std::chrono::seconds(5));
    fs::rename(root / "tunes" / "sub" / "c.tnz", root / "tunes" / "sub" / "charlie.tnz");
    fs::remove(root / "tunes" / "d.tnz");

    ScanReport report = index->rescan();
    EXPECT_EQ(report.filesRead, 2);
    EXPECT_EQ(report.filesUnchanged, 1);
    EXPECT_EQ(report.filesRemoved, 2);
    const std::vector<LibraryTune> all = index->findTunes(query());
    EXPECT_EQ(titles(all), (std::vector<std::string>{"Alfie", "Bravo", "Bravo Two", "Charlie"}));
    EXPECT_EQ(byTitle(all, "Charlie")->file, tunes + "/sub/charlie.tnz");
    EXPECT_TRUE(index->findTunes(query("alpha")).empty()) << "the old title left the word index";
    EXPECT_EQ(titles(index->findTunes(query("alf"))), std::vector<std::string>{"Alfie"});

    report = index->rescan();
    EXPECT_EQ(report.filesRead, 0);
    EXPECT_EQ(report.filesUnchanged, 3);
    EXPECT_EQ(report.filesRemoved, 0);

    // A folder that has gone (an unplugged stick) is reported and its tunes kept.
    fs::rename(root / "tunes", root / "away");
    report = index->rescan();
    EXPECT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(index->findTunes(query()).size(), 4u);
    fs::rename(root / "away", root / "tunes");

    EXPECT_TRUE(index->removeFolder(tunes));
    EXPECT_TRUE(index->findTunes(query()).empty());
    EXPECT_FALSE(index->removeFolder(tunes));
}

TEST_F(LibraryIndexTest, SearchIgnoresAccentsAndCaseAndMatchesWordPrefixes) {
    writeTuneFile(root / "tunes" / "set.tnz",
                  {{"Br\xE0igh Loch Iall", "Slow Air", "Traditional"},
                   {"Braes of Mar", "Strathspey", "Pipe Major Ross"},
                   {"Mrs MacDonald of Dunach", "Reel", "D. MacLeod"},
                   {"The Rowan Tree", "reel", "Robert Ross"}});
    auto index = openIndex();
    index->addFolders({tunes});

    EXPECT_EQ(titles(index->findTunes(query("brai"))), std::vector<std::string>{"Br\xC3\xA0igh Loch Iall"});
    EXPECT_EQ(titles(index->findTunes(query("BR\xC3\x80IGH"))), std::vector<std::string>{"Br\xC3\xA0igh Loch Iall"});
    EXPECT_EQ(titles(index->findTunes(query("bra"))), (std::vector<std::string>{"Braes of Mar", "Br\xC3\xA0igh Loch Iall"}));
    EXPECT_EQ(titles(index->findTunes(query("iall loch"))), std::vector<std::string>{"Br\xC3\xA0igh Loch Iall"});
    EXPECT_EQ(titles(index->findTunes(query("ross"))), (std::vector<std::string>{"Braes of Mar", "The Rowan Tree"}));
    EXPECT_EQ(titles(index->findTunes(query("mac", "Reel"))), std::vector<std::string>{"Mrs MacDonald of Dunach"});
    EXPECT_EQ(titles(index->findTunes(query("", "REEL"))), (std::vector<std::string>{"Mrs MacDonald of Dunach", "The Rowan Tree"}));
    EXPECT_EQ(titles(index->findTunes(query("", "", "4/4"))).size(), 4u);
    EXPECT_TRUE(index->findTunes(query("xylophone")).empty());
    // Query syntax typed by accident is taken as words, never as an error.
    EXPECT_EQ(titles(index->findTunes(query("\"mar* - ( :"))), std::vector<std::string>{"Braes of Mar"});
    EXPECT_EQ(index->findTunes(query(" * - ")).size(), 4u);
}

TEST_F(LibraryIndexTest, AbcFilesAreIndexedThroughTheImporterAndLeftAsTheyAre) {
    const std::string abc =
        "X:1\nT:The Mill Lade\nR:Jig\nC:A. Piper\nM:6/8\nL:1/8\nK:HP\n{g}A2B c2d|e3 {g}e2d|]\n\n"
        "X:2\nT:Loch Carron\nR:March\nM:2/4\nL:1/8\nK:HP\n{g}A>B {g}c>d|e2 {g}A2|]\n";
    writeBytes(root / "tunes" / "book.abc", abc);
    writeBytes(root / "tunes" / "notes.abc", "just some words, no tune\n");
    const EmbellishmentTable table = EmbellishmentTable::fromProfile(*IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI"));
    LibraryIndex index(database, test::realSymbols(), &table);
    index.addFolders({tunes});
    const std::vector<LibraryTune> found = index.findTunes(query(""));
    ASSERT_EQ(titles(found), (std::vector<std::string>{"Loch Carron", "The Mill Lade"}));
    const LibraryTune& jig = found[1];
    EXPECT_EQ(jig.summary.type, "Jig");
    EXPECT_EQ(jig.summary.composer, "A. Piper");
    EXPECT_EQ(jig.summary.time, "6/8");
    EXPECT_EQ(jig.summary.position, 0);
    EXPECT_EQ(found[0].summary.position, 1);
    const std::vector<SkippedFile> skipped = index.skippedFiles();
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_NE(skipped[0].path.find("notes.abc"), std::string::npos);
    EXPECT_EQ(test::readFileBytes((root / "tunes" / "book.abc").string()), abc);
}

TEST_F(LibraryIndexTest, TheSameTuneInTwoFilesIsShownOnceAndTheLaterCopyIsListedWithItsOriginal) {
    writeTuneFile(root / "tunes" / "a.tnz", {{"Alpha"}, {"Beta"}});
    // Beta again, first in its file (after the settings lines), with other line ends.
    std::string copy = test::tuneFileText({{"Beta"}, {"Gamma"}});
    for (std::size_t at = copy.find("\r\n"); at != std::string::npos; at = copy.find("\r\n", at)) copy.erase(at, 1);
    writeBytes(root / "tunes" / "b.tnz", copy);
    writeTuneFile(root / "tunes" / "c.tnz", {{"Beta", "Jig"}});  // the same title over other records is another tune
    auto index = openIndex();
    index->addFolders({tunes});
    std::vector<LibraryTune> all = index->findTunes(query());
    EXPECT_EQ(titles(all), (std::vector<std::string>{"Alpha", "Beta", "Beta", "Gamma"}));
    EXPECT_EQ(index->findTunes(query("beta", "reel")).front().file, tunes + "/a.tnz");
    std::vector<SkippedFile> skipped = index->skippedFiles();
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].path, tunes + "/b.tnz");
    EXPECT_EQ(skipped[0].reason, "tune 1 \"Beta\" is the same as tune 2 of " + tunes + "/a.tnz (shown from there)");

    // With the first copy gone, the other is shown.
    fs::remove(root / "tunes" / "a.tnz");
    index->rescan();
    EXPECT_EQ(index->findTunes(query("beta", "reel")).front().file, tunes + "/b.tnz");
    EXPECT_TRUE(index->skippedFiles().empty());

    // An index of the first version, without fingerprints, reads its files again and marks the copies.
    writeTuneFile(root / "tunes" / "a.tnz", {{"Alpha"}, {"Beta"}});
    index->rescan();
    index.reset();
    {
        SqliteConnection old(database);
        old.execute("ALTER TABLE tunes DROP COLUMN original; ALTER TABLE tunes DROP COLUMN fingerprint; "
                    "PRAGMA user_version=1");
    }
    index = openIndex();
    EXPECT_EQ(index->rebuildNotice(), "");
    EXPECT_EQ(index->rescan().filesRead, 3);
    EXPECT_EQ(index->skippedFiles().size(), 1u);
    EXPECT_EQ(index->findTunes(query()).size(), 4u);
}

TEST_F(LibraryIndexTest, ADamagedOrForeignDatabaseIsSetAsideAndMadeAgain) {
    writeTuneFile(root / "tunes" / "a.tnz", {{"Alpha"}, {"Beta"}});
    writeBytes(database, "These are not the tunes you are looking for.\n");
    {
        auto index = openIndex();
        EXPECT_NE(index->rebuildNotice(), "");
        EXPECT_EQ(test::readFileBytes(database + ".damaged"), "These are not the tunes you are looking for.\n");
        index->addFolders({tunes});
    }
    // Damage the pages past the first, where the tables keep their rows.
    {
        std::fstream file(database, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096);
        const std::string garbage(8192, '\xA5');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    auto index = openIndex();
    EXPECT_NE(index->rebuildNotice(), "");
    index->addFolders({tunes});
    EXPECT_EQ(titles(index->findTunes(query())), (std::vector<std::string>{"Alpha", "Beta"}));

    // Another program's database is not ours to write into.
    const std::string foreign = (root / "foreign.sqlite").string();
    {
        SqliteConnection other(foreign);
        other.execute("CREATE TABLE accounts(name TEXT); INSERT INTO accounts VALUES ('mine')");
    }
    LibraryIndex third(foreign, test::realSymbols());
    EXPECT_NE(third.rebuildNotice(), "");
    EXPECT_TRUE(fs::exists(foreign + ".damaged"));
    EXPECT_TRUE(third.folders().empty());
}

TEST_F(LibraryIndexTest, TwoProcessesAddingAtOnceLeaveAConsistentIndex) {
    const int filesPerFolder = 40;
    for (const char* folder : {"east", "west"}) {
        for (int f = 0; f < filesPerFolder; ++f) {
            std::vector<GeneratedTune> book;
            for (int t = 0; t < 5; ++t) book.push_back({std::string(folder) + " tune " + std::to_string(f * 5 + t)});
            writeTuneFile(root / "tunes" / folder / ("book" + std::to_string(f) + ".tnz"), book);
        }
    }
    const std::string east = tunes + "/east";
    const std::string west = tunes + "/west";
    std::vector<pid_t> children;
    for (int child = 0; child < 2; ++child) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                LibraryIndex index(database, test::realSymbols());
                for (int round = 0; round < 3; ++round) {
                    index.addFolders(child == 0 ? std::vector{east, west} : std::vector{west, east});
                    index.findTunes(query("tune"));
                }
            } catch (const std::exception& error) {
                std::fprintf(stderr, "child %d: %s\n", child, error.what());
                status = 1;
            }
            ::_exit(status);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    auto index = openIndex();
    EXPECT_EQ(index->rebuildNotice(), "");
    EXPECT_EQ(index->findTunes(query()).size(), 2u * filesPerFolder * 5);
    EXPECT_EQ(index->findTunes(query("tune")).size(), 2u * filesPerFolder * 5);
    EXPECT_EQ(index->findTunes(query("east")).size(), 1u * filesPerFolder * 5);
    SqliteConnection raw(database);
    raw.execute("INSERT INTO tune_words(tune_words) VALUES ('integrity-check')");
    SqliteStatement files(raw, "SELECT count(*), count(DISTINCT path) FROM files");
    ASSERT_TRUE(files.step());
    EXPECT_EQ(files.integer(0), 2 * filesPerFolder);
    EXPECT_EQ(files.integer(1), 2 * filesPerFolder);
    SqliteStatement check(raw, "PRAGMA integrity_check");
    ASSERT_TRUE(check.step());
    EXPECT_EQ(check.text(0), "ok");
}

}  // namespace
}  // namespace skirlo
