#include "tunefile/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "tunefile/TuneFileIO.h"

using namespace skirlo;
namespace fs = std::filesystem;

TEST(IniProfile, NamesIgnoreCaseAndValuesAreTrimmedAndUnquoted) {
    auto profile = IniProfile::fromText(
        "[PlayOptions]\r\n"
        "  BouncingBall = 0  \r\n"
        "BouncingBallColour=\"RGB(1,2,3)\"\r\n"
        "Quoted=' padded '\r\n"
        "HalfQuoted=\"abc\r\n"
        "[ Symbols ]\r\n"
        "HiliteColor=RGB(255,0,0)\r\n");
    EXPECT_EQ(profile->getString("playoptions", "BOUNCINGBALL"), "0");
    EXPECT_EQ(profile->getString("PlayOptions", "BouncingBallColour"), "RGB(1,2,3)");
    EXPECT_EQ(profile->getString("PlayOptions", "Quoted"), " padded ");
    EXPECT_EQ(profile->getString("PlayOptions", "HalfQuoted"), "\"abc");
    EXPECT_EQ(profile->getString("symbols", "hilitecolor"), "RGB(255,0,0)");
    EXPECT_EQ(profile->getString("Symbols", "Missing", "dflt"), "dflt");
    EXPECT_EQ(profile->getString("NoSection", "BouncingBall", "d"), "d");
}

TEST(IniProfile, FirstDuplicateWinsAndCommentsAndGarbageAreIgnored) {
    auto profile = IniProfile::fromText(
        "key=before any section\n"
        "[File]\n"
        "; TuneLocation=commented\n"
        "garbage line without equals\n"
        "=no key\n"
        "[broken section\n"
        "TuneLocation=/first/\n"
        "[File]\n"
        "TuneLocation=/second/\n"
        "Other=only in the second\n"
        "[Settings]\n"
        "TabStops=16\n"
        "TabStops=99\n"
        "\x01\xff[]===\r\r\n");
    EXPECT_EQ(profile->getString("", "key", "none"), "none");
    EXPECT_EQ(profile->getString("broken section", "TuneLocation"), "/first/");
    EXPECT_EQ(profile->getString("File", "TuneLocation", "none"), "none");
    EXPECT_EQ(profile->getString("File", "Other", "none"), "none");
    EXPECT_EQ(profile->getInt("Settings", "TabStops", 32), 16);
}

TEST(IniProfile, IntegersAreLenientAndEmptyOrMissingGiveTheDefault) {
    auto profile = IniProfile::fromText("[Settings]\nX= -12px\nY=\nZ=abc\nBig=99999999999\n");
    EXPECT_EQ(profile->getInt("Settings", "X", -1), -12);
    EXPECT_EQ(profile->getInt("Settings", "Y", -1), -1);
    EXPECT_EQ(profile->getInt("Settings", "Z", -1), 0);
    EXPECT_EQ(profile->getInt("Settings", "W", 7), 7);
    EXPECT_EQ(profile->getInt("Settings", "Big", 0), 2147483647);
}

TEST(IniProfile, ManyKeysAreAllFound) {
    std::string text = "[FontMap1]\r\n";
    for (int i = 0; i < 800; ++i) text += "sym" + std::to_string(i) + "=" + std::to_string(i * 3) + ",x\r\n";
    auto profile = IniProfile::fromText(text);
    for (int i = 0; i < 800; i += 37) {
        EXPECT_EQ(profile->getString("FONTMAP1", "SYM" + std::to_string(i)), std::to_string(i * 3) + ",x");
    }
}

TEST(IniProfile, WritesChangeOnlyWhatTheyWrite) {
    const std::string original =
        "; made by hand\r\n"
        "[File]\r\n"
        "TuneLocation = /old/ \r\n"
        "\r\n"
        "[Settings]\r\n"
        "WordWrap=0\r\n"
        "\r\n"
        "[Other]\r\n"
        "Key=v";
    auto profile = IniProfile::fromText(original);

    ASSERT_TRUE(profile->writeString("file", "tunelocation", "/new/"));
    std::string expected = original;
    expected.replace(expected.find(" /old/ "), 7, "/new/");
    EXPECT_EQ(profile->text(), expected);
    EXPECT_EQ(profile->getString("File", "TuneLocation"), "/new/");

    ASSERT_TRUE(profile->writeInt("Settings", "TabStops", 24));
    expected.insert(expected.find("WordWrap=0\r\n") + 12, "TabStops=24\r\n");
    EXPECT_EQ(profile->text(), expected);
    EXPECT_EQ(profile->getInt("Settings", "TabStops", 32), 24);

    ASSERT_TRUE(profile->writeString("Other", "Second", "w"));
    expected += "\r\nSecond=w\r\n";
    EXPECT_EQ(profile->text(), expected);

    ASSERT_TRUE(profile->writeString("PlayOptions", "BouncingBall", "1"));
    expected += "[PlayOptions]\r\nBouncingBall=1\r\n";
    EXPECT_EQ(profile->text(), expected);
    EXPECT_EQ(profile->getString("Other", "Key"), "v");
}

TEST(IniProfile, WritesFollowTheFilesLineEndsAndRefuseLineBreakingValues) {
    auto profile = IniProfile::fromText("[A]\nk=1\n");
    ASSERT_TRUE(profile->writeString("B", "k", "2"));
    EXPECT_EQ(profile->text(), "[A]\nk=1\n[B]\nk=2\n");
    EXPECT_FALSE(profile->writeString("A", "k", "1\r\n[Evil]"));
    EXPECT_FALSE(profile->writeString("A", "a=b", "1"));
    EXPECT_FALSE(profile->writeString("A]x", "k", "1"));
    EXPECT_FALSE(profile->writeString("A", " ", "1"));
    EXPECT_EQ(profile->text(), "[A]\nk=1\n[B]\nk=2\n");
}

TEST(IniProfile, FileBackedProfileIsWrittenWholeOnEveryChange) {
    const fs::path folder = fs::temp_directory_path() / ("skirlo_profile_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string path = (folder / "QTN32.INI").string();

    auto missing = IniProfile::open(path);
    EXPECT_EQ(missing->getInt("Settings", "TabStops", 32), 32);
    EXPECT_FALSE(fs::exists(path)) << "reading never creates the file";
    ASSERT_TRUE(missing->writeString("File", "TuneLocation", "/tunes/"));
    EXPECT_EQ(loadTuneFile(path).bytes, "[File]\r\nTuneLocation=/tunes/\r\n");

    std::ofstream(path, std::ios::binary) << "[Font]\nFaceName=\xe9t\xe9\n";
    auto existing = IniProfile::open(path);
    EXPECT_EQ(existing->getString("font", "facename"), "\xe9t\xe9");
    ASSERT_TRUE(existing->writeInt("Font", "Height", -13));
    EXPECT_EQ(loadTuneFile(path).bytes, "[Font]\nFaceName=\xe9t\xe9\nHeight=-13\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    // A profile is not held to the tune file's size limit.
    std::ofstream(path, std::ios::binary) << "[Pad]\n" << std::string(1'100'000, ';') << "\n[Last]\nKey=found\n";
    EXPECT_EQ(IniProfile::open(path)->getString("Last", "Key"), "found");
    fs::remove_all(folder);
}
