#include "tunefile/TuneSettings.h"

#include <gtest/gtest.h>

#include "tunefile/ScriptText.h"

using namespace skirlo;

namespace {

const std::string kMidi =
    "\r\nMIDINoteMappings,(54,56,58,59,61,63,64,66,68,56,58,60,61,63,65,66,68,70,55,57,59,60,62,64,65,67,69)\r\n";
const std::string kFrequency =
    "\r\nFrequencyMappings,(370,415,466,494,554,622,659,740,831,415,466,523,554,622,699,740,831,932,392,440,494,"
    "523,587,659,699,784,880)\r\n";
const std::string kInstrument = "\r\nInstrumentMappings,(71,71,45,33,1000,60,70)\r\n";
const std::string kGracenote = "\r\nGracenoteDurations,(20,40,30,50,100,200,800,1200,250,250,250,500,200)\r\n";
const std::string kFontSizes = "\r\nFontSizes,(90,100,100,80,250)\r\n";
const std::string kTuneFormat = "\r\nTuneFormat,(1,0,M,L,500,500,500,500,P,0,0)\r\n";

struct Document {
    explicit Document(std::string text) : script(std::move(text)), lines(script, settings) {}
    ScriptText script;
    TuneSettings settings;
    TuneSettingsLines lines;
};

}  // namespace

TEST(SettingsLinesInserted, EmptyTextGainsEveryLineInTheProgramsOrder) {
    Document doc("");
    doc.lines.readAtSetUp();
    EXPECT_EQ(doc.script.text(), kMidi + kFrequency + kInstrument + kGracenote + kFontSizes + kTuneFormat);
    EXPECT_TRUE(doc.script.modified());
    EXPECT_TRUE(doc.settings.lacksTempoLine);
    EXPECT_EQ(doc.settings.tempo, 90);
}

// The header line stays the first line, where file managers look for it.
TEST(SettingsLinesInserted, WithoutFontSizesTuneFormatGoesBelowTheHeaderLine) {
    Document doc("Chantrel:1.0\r\n\r\n\"T\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n& x");
    doc.lines.readAtSetUp();
    EXPECT_EQ(doc.script.text(), "Chantrel:1.0\r\n" + kMidi + kFrequency + kInstrument + kGracenote + kFontSizes +
                                     kTuneFormat +
                                     "\r\n\"T\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n& x");

    Document other("Tartanix:1.0\r\n& x");
    other.lines.readAtSetUp();
    EXPECT_TRUE(other.script.text().starts_with("Tartanix:1.0\r\n" + kMidi));
}

TEST(SettingsLinesInserted, ReadingThatLeavesTheTextTakesTheDefaultsAndWritesNothing) {
    ScriptText script("Chantrel:1.0\r\nFontSizes,(90,100,150,80,250)\r\n& x");
    TuneSettings settings;
    TuneSettingsLines(script, settings, TextRepairs::Leave).readAtSetUp();
    EXPECT_EQ(script.text(), "Chantrel:1.0\r\nFontSizes,(90,100,150,80,250)\r\n& x");
    EXPECT_FALSE(script.modified());
    EXPECT_EQ(settings.fontSizes.zoom, 150);
    EXPECT_EQ(settings.format.scaleOption, TuneFormat{}.scaleOption);
    EXPECT_EQ(settings.midiNotes, TuneSettings{}.midiNotes);
    EXPECT_TRUE(settings.lacksTempoLine);
}

TEST(SettingsLinesInserted, TuneTempoFollowsTuneFormatElseTheHeaderElseTheStart) {
    Document full("Chantrel:1.0\r\n" + kTuneFormat + "\r\n& x");
    full.lines.writeTuneTempo(112);
    EXPECT_EQ(full.script.text(), "Chantrel:1.0\r\n" + kTuneFormat + "\r\nTuneTempo,112\r\n\r\n& x");
    EXPECT_EQ(full.settings.tempo, 112);
    EXPECT_FALSE(full.settings.lacksTempoLine);

    Document header("Chantrel:1.0\r\n& x");
    header.lines.writeTuneTempo(90);
    EXPECT_EQ(header.script.text(), "Chantrel:1.0\r\n\r\nTuneTempo,90\r\n& x");

    Document bare("& x");
    bare.lines.writeTuneTempo(90);
    EXPECT_EQ(bare.script.text(), "\r\nTuneTempo,90\r\n& x");

    Document lastLine("Chantrel:1.0");
    lastLine.lines.writeMidiNoteMappings();
    EXPECT_EQ(lastLine.script.text(), "Chantrel:1.0" + kMidi) << "an anchor on the last line: insert at the end";
}

TEST(SettingsLinesReplaced, FromTheCrLfBeforeTheKeywordThroughTheLfAfterIt) {
    Document doc("A\r\nFontSizes,(1,2,3,4,5)\r\nB");
    doc.lines.readFontSizes();
    EXPECT_FALSE(doc.script.modified()) << "a line that is present is only read";
    doc.settings.fontSizes.zoom = 150;
    doc.lines.writeFontSizes();
    EXPECT_EQ(doc.script.text(), "A\r\nFontSizes,(1,2,150,4,5)\r\nB");
    EXPECT_TRUE(doc.script.modified());

    Document first("TuneTempo,80\r\nrest");
    first.lines.writeTuneTempo(120);
    EXPECT_EQ(first.script.text(), "\r\nTuneTempo,120\r\nrest");

    Document secondChar("xTuneFormat,(0)\r\nrest");
    secondChar.lines.writeTuneFormat();
    EXPECT_EQ(secondChar.script.text(), kTuneFormat + "rest");

    Document noLineEnd("x\r\nTuneTempo,80");
    noLineEnd.lines.writeTuneTempo(100);
    EXPECT_EQ(noLineEnd.script.text(), "x\r\nTuneTempo,100\r\n");
}

TEST(SettingsLinesReplaced, OnlyTheFirstOfTwoLinesIsReadAndRewritten) {
    Document doc("\r\nMIDINoteMappings,(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27)\r\n"
                 "\r\nMIDINoteMappings,(9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9)\r\n");
    doc.lines.readMidiNoteMappings();
    EXPECT_EQ(doc.settings.midiNotes[0], 1);
    EXPECT_EQ(doc.settings.midiNotes[26], 27);
    doc.settings.midiNotes[0] = 60;
    doc.lines.writeMidiNoteMappings();
    EXPECT_EQ(doc.script.text(),
              "\r\nMIDINoteMappings,(60,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27)\r\n"
              "\r\nMIDINoteMappings,(9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9)\r\n");
}

TEST(SettingsLinesRead, ShortenedLinesTakeDefaultsForWhatIsMissing) {
    Document fontSize("\r\nGracenoteDurations,(20,40,30,50,100,200,800,1200,250,250,250,500,200)\r\n"
                      "\r\nFontSize,(91,101,102)\r\n");
    fontSize.lines.readFontSizes();
    const FontSizes& sizes = fontSize.settings.fontSizes;
    EXPECT_EQ(sizes.xScale, 91);
    EXPECT_EQ(sizes.yScale, 101);
    EXPECT_EQ(sizes.zoom, 102);
    EXPECT_EQ(sizes.spacing, 80);
    EXPECT_EQ(sizes.staffHeight, 250);
    EXPECT_FALSE(fontSize.script.modified());
    // The writer looks for the full word, so it adds a line after the anchor;
    // the short line still stands first and is the one read.
    fontSize.lines.writeFontSizes();
    EXPECT_EQ(fontSize.script.text(), kGracenote + "\r\nFontSizes,(91,101,102,80,250)\r\n\r\nFontSize,(91,101,102)\r\n");
    Document fourValues("FontSizes,(91,101,102,70)");
    fourValues.lines.readFontSizes();
    EXPECT_EQ(fourValues.settings.fontSizes.spacing, 70);
    EXPECT_EQ(fourValues.settings.fontSizes.staffHeight, 250);

    Document instruments("InstrumentMappings,(72,73,46,34,900)");
    instruments.lines.readInstrumentMappings();
    const InstrumentMapping& m = instruments.settings.instruments;
    EXPECT_EQ(m.droneInstrument, 72);
    EXPECT_EQ(m.bassDroneNote, 34);
    EXPECT_EQ(m.droneIntroduction, 900);
    EXPECT_EQ(m.smoothFactorA, 60);
    EXPECT_EQ(m.smoothFactorB, 70);

    Document gracenotes("GracenoteDurations,(25,45)");
    gracenotes.lines.readGracenoteDurations();
    EXPECT_EQ(gracenotes.settings.gracenoteDurations[0], 25);
    EXPECT_EQ(gracenotes.settings.gracenoteDurations[1], 40) << "no comma after 45: default, nothing consumed";
    EXPECT_EQ(gracenotes.settings.gracenoteDurations[11], 500);
    EXPECT_EQ(gracenotes.settings.gracenoteDurations[12], 45) << "the last value is read up to ')'";
}

TEST(SettingsLinesRead, TuneFormatValuesHaveTheirOwnDefaults) {
    Document ten("TuneFormat,(0,1,F,R,250,300,350,400,P,0)");
    ten.lines.readTuneFormat();
    const TuneFormat& f = ten.settings.format;
    EXPECT_EQ(f.spreadHorizontally, 0);
    EXPECT_EQ(f.spreadVertically, 1);
    EXPECT_EQ(f.scaleOption, 'F');
    EXPECT_EQ(f.justification, 'R');
    EXPECT_EQ(f.bottomMargin, 400);
    EXPECT_EQ(f.orientation, 'P');
    EXPECT_EQ(f.alignBars, 1);
    EXPECT_EQ(f.reserved, 0);
    EXPECT_FALSE(ten.script.modified());

    Document emptyLetter("TuneFormat,(1,0,,L,500,500,500,500,,0,0)");
    emptyLetter.lines.readTuneFormat();
    EXPECT_EQ(emptyLetter.settings.format.scaleOption, 'F');
    EXPECT_EQ(emptyLetter.settings.format.orientation, 'P');
    emptyLetter.lines.writeTuneFormat();
    EXPECT_EQ(emptyLetter.script.text(), "\r\nTuneFormat,(1,0,F,L,500,500,500,500,P,0,0)\r\n");

    Document missing("x");
    missing.settings.format.alignBars = 1;
    missing.lines.readTuneFormat();
    EXPECT_EQ(missing.settings.format.scaleOption, 'M');
    EXPECT_EQ(missing.settings.format.alignBars, 0);
}

TEST(SettingsLinesRead, KeywordsMatchAnywhere) {
    Document title("\"My TuneTempo Song\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n& LA_4");
    title.lines.readTuneTempo();
    EXPECT_EQ(title.settings.tempo, 0);
    EXPECT_FALSE(title.settings.lacksTempoLine);
    Document body("& LA_4 TuneTempo,120 B_4");
    body.lines.readTuneTempo();
    EXPECT_EQ(body.settings.tempo, 120);
    Document signedTempo("TuneTempo, -5x");
    signedTempo.lines.readTuneTempo();
    EXPECT_EQ(signedTempo.settings.tempo, -5);
    EXPECT_FALSE(signedTempo.script.modified()) << "the tempo reader never writes";
}

TEST(SettingsLinesRead, TruncatedLinesAtTheEndGetDefaultsAndAreWrittenAgain) {
    for (std::string tail : {"MIDINoteMappings", "MIDINoteMappings,", "MIDINoteMappings,(1,2", "MIDINoteMappings,("}) {
        Document doc("x\r\n" + tail);
        doc.settings.midiNotes[3] = 0;
        doc.lines.readMidiNoteMappings();
        EXPECT_EQ(doc.settings.midiNotes, TuneSettings().midiNotes) << tail;
        EXPECT_EQ(doc.script.text(), "x" + kMidi) << tail;
    }
    Document tempo("TuneTempo");
    tempo.lines.readTuneTempo();
    EXPECT_TRUE(tempo.settings.lacksTempoLine);
    EXPECT_EQ(tempo.settings.tempo, 90);
    Document comma("TuneTempo,");
    comma.lines.readTuneTempo();
    EXPECT_FALSE(comma.settings.lacksTempoLine);
    EXPECT_EQ(comma.settings.tempo, 0);
}

TEST(SettingsLinesRead, RefreshReadsAllButTheTempo) {
    Document doc("TuneTempo,77\r\n");
    doc.lines.readAtRefresh();
    EXPECT_EQ(doc.settings.tempo, 90) << "untouched default";
    EXPECT_EQ(doc.script.text(),
              kMidi + kFrequency + kInstrument + kGracenote + kFontSizes + kTuneFormat + "TuneTempo,77\r\n");
}
