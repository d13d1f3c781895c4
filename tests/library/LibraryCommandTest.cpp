// skirlo-cli library, run as a user runs it.

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

#include "LibraryTestSupport.h"

namespace skirlo {
namespace {

using test::CliRun;
CliRun cli(const std::string& arguments) { return test::runCli("library " + arguments); }

using LibraryCommandTest = test::LibraryFixture;

TEST_F(LibraryCommandTest, AddsListsAndSearchesOneDatabase) {
    test::writeTuneFile(root / "tunes" / "set.tnz", {{"Br\xE0igh Loch Iall", "Air"}, {"Mrs MacPherson", "Reel"}});
    std::ofstream(root / "tunes" / "junk.tnz") << "no music here";
    const std::string db = " --db '" + database + "'";

    CliRun run = cli("add '" + tunes + "'" + db);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find(tunes + "/junk.tnz: skipped: not a tune file"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("2 files read (2 tunes), 0 unchanged, 0 removed, 1 skipped"), std::string::npos);

    run = cli("search BRAI --json" + db);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "{\"tunes\":[{\"title\":\"Br\xC3\xA0igh Loch Iall\",\"type\":\"Air\",\"composer\":\"Traditional\","
                       "\"footer\":\"Written for the tests\",\"time\":\"4/4\",\"parts\":2,\"tempo\":90,\"file\":\"" +
                           tunes + "/set.tnz\",\"position\":0}]}\n");

    run = cli("search mrs --type air" + db);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");

    run = cli("list" + db);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Mrs MacPherson\tReel\t4/4\tTraditional\t" + tunes + "/set.tnz\t2\n"), std::string::npos);

    EXPECT_EQ(cli("add '" + tunes + "/none'" + db).status, 1);
    EXPECT_EQ(cli("shuffle" + db).status, 1);
    EXPECT_EQ(cli("search" + db).status, 1);
}

}  // namespace
}  // namespace skirlo
