#pragma once
// The per-tune settings carried by the settings lines at the top of a tune
// file, and the readers and writers of those lines.

#include <array>
#include <string>
#include <string_view>

#include "tunefile/TextRepairs.h"

namespace skirlo {

class ScriptText;

// Pitch order inside each block of nine: low G, low A, B, C, D, E, F, high G, high A.
inline constexpr int kChanterPitches = 9;

struct InstrumentMapping {
    int droneInstrument = 71;    // MIDI program
    int chanterInstrument = 71;  // MIDI program
    int tenorDroneNote = 45;
    int bassDroneNote = 33;
    int droneIntroduction = 1000;  // ms
    int smoothFactorA = 60;        // percent
    int smoothFactorB = 70;        // percent
};

struct FontSizes {
    int xScale = 90;         // percent
    int yScale = 100;        // percent
    int zoom = 100;          // percent
    int spacing = 80;        // percent
    int staffHeight = 250;   // thousandths of an inch
};

struct TuneFormat {
    int spreadHorizontally = 1;
    int spreadVertically = 0;
    char scaleOption = 'M';    // 'F' fit to the print area, 'M' multiple pages
    char justification = 'L';  // 'L', 'C', 'R'
    int leftMargin = 500;      // thousandths of an inch
    int topMargin = 500;
    int rightMargin = 500;
    int bottomMargin = 500;
    char orientation = 'P';    // 'P' portrait, 'L' landscape
    int alignBars = 0;
    int reserved = 0;          // read and written back, used by nothing
};

struct TuneSettings {
    // 9 flats, 9 sharps, 9 naturals, each from low G to high A.
    std::array<int, 27> midiNotes = {54, 56, 58, 59, 61, 63, 64, 66, 68,  //
                                     56, 58, 60, 61, 63, 65, 66, 68, 70,  //
                                     55, 57, 59, 60, 62, 64, 65, 67, 69};
    // Speaker frequencies in Hz, same order.
    std::array<int, 27> frequencies = {370, 415, 466, 494, 554, 622, 659, 740, 831,  //
                                       415, 466, 523, 554, 622, 699, 740, 831, 932,  //
                                       392, 440, 494, 523, 587, 659, 699, 784, 880};
    InstrumentMapping instruments;
    // ms per duration category: none, '*', '1'..'9', '0', '~'.
    std::array<int, 13> gracenoteDurations = {20, 40, 30, 50, 100, 200, 800, 1200, 250, 250, 250, 500, 200};
    FontSizes fontSizes;
    TuneFormat format;
    int tempo = 90;  // beats per minute
    // The text has no TuneTempo line yet; the first performance build writes one.
    bool lacksTempoLine = false;
};

// The formatted lines, each with its leading and trailing CR LF.
std::string midiNoteMappingsLine(const TuneSettings& settings);
std::string frequencyMappingsLine(const TuneSettings& settings);
std::string instrumentMappingsLine(const TuneSettings& settings);
std::string gracenoteDurationsLine(const TuneSettings& settings);
std::string fontSizesLine(const TuneSettings& settings);
std::string tuneFormatLine(const TuneSettings& settings);
std::string tuneTempoLine(int tempo);

// Reads and writes the settings lines of one document's script text. Each
// keyword is found by its first occurrence anywhere in the text. A reader
// that finds no line sets the defaults and writes them (TuneTempo instead
// sets 90 and the lacks-tempo-line mark). Every write marks the text modified.
class TuneSettingsLines {
public:
    // With TextRepairs::Leave a reader takes the defaults of a missing line
    // without writing it; the writers below always write.
    TuneSettingsLines(ScriptText& script, TuneSettings& settings, TextRepairs repairs = TextRepairs::Mend)
        : script_(script), settings_(settings), repairs_(repairs) {}

    // All seven readers in the order that places each missing line after its
    // anchor: TuneFormat, TuneTempo, MIDINoteMappings, FrequencyMappings,
    // InstrumentMappings, GracenoteDurations, FontSizes.
    void readAtSetUp();
    // The same without TuneTempo (the "Refresh Music" command).
    void readAtRefresh();

    void readTuneFormat();
    void readTuneTempo();
    void readMidiNoteMappings();
    void readFrequencyMappings();
    void readInstrumentMappings();
    void readGracenoteDurations();
    void readFontSizes();

    void writeTuneFormat();
    // Writes "TuneTempo,<tempo>", stores the tempo and clears the lacks-tempo-line mark.
    void writeTuneTempo(int tempo);
    void writeMidiNoteMappings();
    void writeFrequencyMappings();
    void writeInstrumentMappings();
    void writeGracenoteDurations();
    void writeFontSizes();

private:
    void readLinesAfterTempo();
    // A reader's write of the line it found missing.
    void writeMissing(void (TuneSettingsLines::*write)());
    // Replaces the line of `keyword` or inserts `line` after the anchor's line.
    void putLine(std::string_view keyword, std::string_view line, std::string_view anchor,
                 std::string_view fallbackAnchor = {});

    ScriptText& script_;
    TuneSettings& settings_;
    TextRepairs repairs_;
};

}  // namespace skirlo
