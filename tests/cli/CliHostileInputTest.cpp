// Settings and text chosen to break the files made of them: every file
// written must still be well-formed, every number within its format.

#include <QXmlStreamReader>

#include <cstdint>

#include "CliRunner.h"

namespace {

using namespace skirlo::clitest;

// The checks a MIDI reader makes: chunk lengths that fit, variable-length
// numbers of at most four bytes, data bytes below 128. Empty when sound.
std::string midiProblem(const std::string& file) {
    const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(file.at(at)); };
    const auto big = [&](std::size_t at) {
        return std::uint32_t{byte(at)} << 24 | std::uint32_t{byte(at + 1)} << 16 | byte(at + 2) << 8 | byte(at + 3);
    };
    if (file.size() < 14 || file.compare(0, 4, "MThd") != 0) return "no header";
    std::size_t at = 8 + big(4);
    while (at < file.size()) {
        if (file.compare(at, 4, "MTrk") != 0) return "no track at " + std::to_string(at);
        const std::size_t end = at + 8 + big(at + 4);
        if (end > file.size()) return "a track runs past the end";
        at += 8;
        while (at < end) {
            int length = 0;
            while (byte(at++) & 0x80) ++length;
            if (length >= 4) return "a variable-length number of more than four bytes";
            const std::uint8_t status = byte(at++);
            if (status == 0xFF) {
                const std::size_t size = byte(at + 1);
                at += 2 + size;
                continue;
            }
            if (status < 0x80) return "a data byte where a status should be";
            const int data = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
            for (int i = 0; i < data; ++i) {
                if (byte(at++) >= 0x80) return "a data byte above 127 after status " + std::to_string(status);
            }
        }
        if (at != end) return "a track's length is wrong";
    }
    return {};
}

class CliHostileInputTest : public CliTest {
protected:
    std::string withSetting(const std::string& name, const std::string& values, const std::string& music) {
        ++inputs_;
        std::string text = readFile(SKIRLO_RESOURCE_DIR "/examples/heather-brae.tnz");
        const std::size_t start = text.find(name + ",(");
        text.replace(start, text.find(')', start) + 1 - start, name + ",(" + values + ")");
        return input(text.substr(0, text.find("\r\n\"")) + "\r\n" + tune(music), std::to_string(inputs_) + ".tnz");
    }
    int inputs_ = 0;
};

TEST_F(CliHostileInputTest, OutOfRangeSettingsStillMakeASoundMidiFile) {
    const std::string music = "& LA_4 ! B_4 ! C_4 ! D_4 !t";
    const std::string twoHundreds = "200,200,200,200,200,200,200,200,200,200,200,200,200,200,200,200,200,200,200,"
                                    "200,200,200,200,200,200,200,200";
    const std::vector<std::string> inputs = {
        withSetting("InstrumentMappings", "200,200,200,200,1000,200,200", music),
        withSetting("MIDINoteMappings", twoHundreds, music),
        withSetting("MIDINoteMappings", "-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,-5,"
                                        "-5,-5,-5", music),
        // A drone introduction of 83 hours: longer than four bytes can say.
        withSetting("InstrumentMappings", "71,71,45,33,300000000,60,70", music),
    };
    for (const std::string& in : inputs) {
        const fs::path out = work() / "x.mid";
        const CliRun result = run("midi " + in + " -o " + out.string());
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(midiProblem(readFile(out)), "") << readFile(in).substr(0, 200);
    }
}

TEST_F(CliHostileInputTest, ControlCharactersInTextsLeaveTheSvgWellFormed) {
    const char raw[] = "\"A\x01" "B\x02" "C\x1F" "D\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n";
    const std::string title(raw, sizeof raw - 1);
    const std::string in = input("Chantrel:1.0\r\n" + title + "& LA_4 ! B_4 !t");
    const fs::path out = work() / "x.svg";
    const CliRun result = run("image " + in + " -o " + out.string());
    ASSERT_EQ(result.status, 0) << result.err;
    QXmlStreamReader xml(QByteArray::fromStdString(readFile(out)));
    while (!xml.atEnd()) xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
}

TEST_F(CliHostileInputTest, AFileHoldingANulByteIsRefusedNeverConverted) {
    // Without its header line the file would be "converted" and saved as garbage.
    const std::string in = input(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const fs::path out = work() / "x.tnz";
    for (const std::string command : {"check " + in, "normalize " + in + " -o " + out.string()}) {
        const CliRun result = run(command);
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_NE(result.err.find("is not a tune file: it holds binary data (a NUL byte at byte 9)"),
                  std::string::npos) << result.err;
    }
    EXPECT_EQ(workFiles(), "in.tnz ");
}

TEST_F(CliHostileInputTest, NormalizingPastTheSizeLimitIsRefusedAndNothingSaved) {
    // An older file just under the limit: its conversion adds the settings lines.
    std::string text = "\"Big\"\r\n";
    while (text.size() < 1'048'500) text += "just words, no music\r\n";
    const std::string in = input(text);
    const fs::path out = work() / "x.tnz";
    const CliRun result = run("normalize " + in + " -o " + out.string());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("more than a tune file may hold (1048575)"), std::string::npos) << result.err;
    EXPECT_EQ(workFiles(), "in.tnz ");
}

TEST_F(CliHostileInputTest, HugePositionsAndBallSizesDoNotOverflow) {
    // Signed overflow ends the run under the sanitizers; here the picture is
    // either made or refused as too large, with a message.
    const std::string fixed = "\"Far\",(T,X,30000000,30000000,Times New Roman,16,700,0,0,18,0,0,0)\r\n";
    const std::string in = input("Chantrel:1.0\r\n" + tune(fixed + "& LA_4 ! B_4 !t"));
    CliRun result = run("image " + in + " -o " + (work() / "x.png").string());
    EXPECT_TRUE(result.status == 0 || result.err.find("x.png") != std::string::npos) << result.err;

    std::string profile = readFile(profile_);
    profile.replace(profile.find("[PlayOptions]"), 13, "[PlayOptions]\r\nBouncingBallSize=16519105");
    writeFile(dir_ / "QTN32.INI", profile);
    profile_ = (dir_ / "QTN32.INI").string();
    const std::string plain = input("Chantrel:1.0\r\n" + tune("& LA_4 ! B_4 !t"), "plain.tnz");
    result = run("image " + plain + " -o " + (work() / "y.png").string());
    EXPECT_EQ(result.status, 0) << result.err;
}

}  // namespace
