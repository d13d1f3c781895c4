#include "tunefile/TuneFileFormat.h"

#include <gtest/gtest.h>

#include "common/MessageSink.h"
#include "tunefile/ScriptText.h"
#include "tunefile/TuneSettings.h"

using namespace skirlo;

namespace {

struct Opened {
    explicit Opened(std::string text) : script(std::move(text)) {}
    bool recogniseAndBuild() {
        recognition.recognise(script, "reel.tnz", false, messages);
        const bool convert = recognition.beginBuild(script);
        recognition.endBuild();
        return convert;
    }
    ScriptText script;
    FileRecognition recognition;
    RecordingMessageSink messages;
};

}  // namespace

TEST(FileRecognitionTest, VersionOneIsAcceptedHoweverItIsWritten) {
    for (std::string header : {"Chantrel:1.0\r\n", "Chantrel:1\r\n", "Chantrel: 1.00\r\n", "x Chantrel:1.0"}) {
        Opened file(header + "& LA_4");
        EXPECT_FALSE(file.recogniseAndBuild()) << header;
        EXPECT_TRUE(file.messages.messages().empty()) << header;
        EXPECT_EQ(file.script.text(), header + "& LA_4") << header;
        EXPECT_FALSE(file.script.modified()) << header;
    }
}

TEST(FileRecognitionTest, OtherVersionsAreConvertedAndGetANewHeaderLineAbove) {
    Opened file("Chantrel:1.1\r\n\"A & B\"\r\n& LA_4 ! &");
    file.recognition.recognise(file.script, "reel.tnz", false, file.messages);
    ASSERT_EQ(file.messages.messages().size(), 1u);
    EXPECT_EQ(file.messages.messages()[0].text, "reel.tnz will be converted to the new file format.");
    EXPECT_EQ(file.messages.messages()[0].caption, "Skirlo");
    EXPECT_EQ(file.messages.messages()[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(file.script.text(), "Chantrel:1.1\r\n\"A & sharpf sharpc B\"\r\n& sharpf sharpc LA_4 ! & sharpf sharpc");
    EXPECT_TRUE(file.recognition.beginBuild(file.script));
    EXPECT_EQ(file.script.text(),
              "Chantrel:1.0\r\nChantrel:1.1\r\n\"A & sharpf sharpc B\"\r\n& sharpf sharpc LA_4 ! & sharpf sharpc");
    file.recognition.endBuild();
    EXPECT_FALSE(file.recognition.beginBuild(file.script)) << "later builds convert nothing";
    EXPECT_EQ(file.script.text().find("Chantrel:1.0\r\nChantrel:1.1"), 0u);
    EXPECT_EQ(file.script.text().find("Chantrel:1.0", 1), std::string::npos);
}

TEST(FileRecognitionTest, TheOtherWritersHeaderCountsOnlyWithoutOurs) {
    Opened both("Chantrel:2.0\r\nTartanix:1.0\r\n& x");
    EXPECT_TRUE(both.recogniseAndBuild());
    EXPECT_EQ(both.messages.messages().size(), 1u);
    EXPECT_EQ(both.script.text(), "Chantrel:1.0\r\nChantrel:2.0\r\nTartanix:1.0\r\n& sharpf sharpc x");

    Opened other("\r\nTartanix: 1.0 by hand\r\n\"Comment\"\r\n& x");
    EXPECT_FALSE(other.recogniseAndBuild()) << "bare strings stay comments";
    EXPECT_TRUE(other.messages.messages().empty());
    EXPECT_EQ(other.script.text(), "\r\nChantrel:1.0\r\n\"Comment\"\r\n& x");
    EXPECT_TRUE(other.script.modified());

    Opened lastLine("& x\r\nTartanix:1.0");
    lastLine.recogniseAndBuild();
    EXPECT_EQ(lastLine.script.text(), "& x\r\nChantrel:1.0\r\n");
}

TEST(FileRecognitionTest, NewDocumentsAndEmptyTextsAreNotConverted) {
    ScriptText empty;
    FileRecognition recognition;
    RecordingMessageSink messages;
    recognition.recognise(empty, "t", false, messages);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_FALSE(empty.modified());

    ScriptText fresh("& x");
    recognition.recognise(fresh, "Tune1", true, messages);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(fresh.text(), "& x");
}

TEST(KeySignatureConversion, EveryAmpersandOnceAndNothingElse) {
    ScriptText script("\"Tom & Jerry\",(T,L)\r\n&&x\xff&");
    convertKeySignatures(script);
    EXPECT_EQ(script.text(),
              "\"Tom & sharpf sharpc Jerry\",(T,L)\r\n& sharpf sharpc& sharpf sharpcx\xff& sharpf sharpc");
    EXPECT_TRUE(script.modified());
    ScriptText none("no clef");
    convertKeySignatures(none);
    EXPECT_EQ(none.text(), "no clef");
    EXPECT_FALSE(none.modified());
}

TEST(FirstSetUp, NewDocumentGetsTheProgramsCompleteText) {
    ScriptText script;
    TuneSettings settings;
    TuneSettingsLines lines(script, settings);
    FileRecognition recognition;
    RecordingMessageSink messages;
    prepareAtFirstSetUp(script, lines, recognition, "Tune1", true, messages);
    EXPECT_TRUE(recognition.beginBuild(script));
    recognition.endBuild();
    ASSERT_TRUE(settings.lacksTempoLine);
    lines.writeTuneTempo(90);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_TRUE(script.modified());
    EXPECT_EQ(script.text(),
              "Chantrel:1.0\r\n"
              "\r\n"
              "MIDINoteMappings,(54,56,58,59,61,63,64,66,68,56,58,60,61,63,65,66,68,70,55,57,59,60,62,64,65,67,69)\r\n"
              "\r\n"
              "FrequencyMappings,(370,415,466,494,554,622,659,740,831,415,466,523,554,622,699,740,831,932,392,440,"
              "494,523,587,659,699,784,880)\r\n"
              "\r\n"
              "InstrumentMappings,(71,71,45,33,1000,60,70)\r\n"
              "\r\n"
              "GracenoteDurations,(20,40,30,50,100,200,800,1200,250,250,250,500,200)\r\n"
              "\r\n"
              "FontSizes,(90,100,100,80,250)\r\n"
              "\r\n"
              "TuneFormat,(1,0,M,L,500,500,500,500,P,0,0)\r\n"
              "\r\n"
              "TuneTempo,90\r\n"
              "\r\n"
              "\"Title\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
              "\r\n"
              "\"Type\",(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n"
              "\r\n"
              "\"Composer/Arranger\",(M,R,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n"
              "\r\n"
              "\"Footer\",(F,R,0,0,Times New Roman,10,400,0,0,18,0,0,0)\r\n"
              "\r\n"
              "& sharpf sharpc");
}

TEST(FirstSetUp, OpenedEmptyFileIsAnnouncedAndGetsHeaderAndSettings) {
    ScriptText script;
    TuneSettings settings;
    TuneSettingsLines lines(script, settings);
    FileRecognition recognition;
    RecordingMessageSink messages;
    prepareAtFirstSetUp(script, lines, recognition, "empty.tnz", false, messages);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "empty.tnz will be converted to the new file format.");
    EXPECT_TRUE(recognition.beginBuild(script));
    EXPECT_EQ(script.text().find("Chantrel:1.0\r\n\r\nMIDINoteMappings,("), 0u);
    EXPECT_NE(script.text().find("\r\nTuneFormat,(1,0,M,L,500,500,500,500,P,0,0)\r\n"), std::string::npos);
    EXPECT_EQ(script.text().find('&'), std::string::npos);
    EXPECT_TRUE(script.modified());
}
