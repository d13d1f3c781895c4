// The option reader of every command, in-process: the forms a Linux user
// types, and each mistake named as it was written.

#include "cli/CommandLine.h"

#include <gtest/gtest.h>

namespace {

using namespace skirlo;

const CommandSpec kSpec{"demo", "FILE -o OUT", "A command to read options for.", {"FILE"},
                        {{"o,output", "OUT", "where to write"}, {"speaker", "", "a switch"}}};

TEST(CommandLine, ReadsEveryFormOfOptionAndFileWhereverTheyStand) {
    struct Case {
        std::vector<std::string> args;
        std::string output;
        std::string file;
    };
    for (const Case& c : {Case{{"in.tnz", "-o", "x.mid"}, "x.mid", "in.tnz"},
                          Case{{"--output=a=b.mid", "in.tnz"}, "a=b.mid", "in.tnz"},
                          Case{{"-ox.mid", "in.tnz"}, "x.mid", "in.tnz"},
                          Case{{"--output", "-", "in.tnz"}, "-", "in.tnz"},  // standard output
                          Case{{"-o", "first", "in.tnz", "-o", "last"}, "last", "in.tnz"},
                          Case{{"-o", "x", "--", "-odd.tnz"}, "x", "-odd.tnz"},
                          Case{{"-", "-o", "x"}, "x", "-"}}) {
        CommandLine line(kSpec);
        ASSERT_EQ(line.parse(c.args), std::nullopt) << c.args.front();
        EXPECT_EQ(line.value("output"), c.output);
        EXPECT_EQ(line.value("o"), c.output);
        ASSERT_EQ(line.files().size(), 1u);
        EXPECT_EQ(line.files()[0], c.file);
        EXPECT_FALSE(line.isSet("speaker"));
        EXPECT_EQ(line.value("profile"), std::nullopt);
    }
    CommandLine line(kSpec);
    ASSERT_EQ(line.parse({"--speaker", "in.tnz", "--profile", "p.ini"}), std::nullopt);
    EXPECT_TRUE(line.isSet("speaker"));
    EXPECT_EQ(line.value("profile"), "p.ini");
}

TEST(CommandLine, MistakesStopTheCommandWithStatusOne) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"in.tnz", "--zom", "50"}, {"in.tnz", "-z"}, {"in.tnz", "-o"},
          {"in.tnz", "--speaker=yes"}, {"in.tnz", "two.tnz"}, {"-o", "x"}}) {
        CommandLine line(kSpec);
        testing::internal::CaptureStderr();
        EXPECT_EQ(line.parse(args), 1) << args.back();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.rfind("skirlo-cli demo: ", 0), 0u) << said;
    }
    CommandLine line(kSpec);
    testing::internal::CaptureStderr();
    line.parse({"in.tnz", "--speaker=yes"});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Unexpected value after '--speaker'."), std::string::npos);
}

}  // namespace
