#pragma once
// What the music page setup dialog edits, apart from its widgets: the
// margins and orientation of the paper and the settings that lay the music
// out on it, all of them stored in the tune's FontSizes and TuneFormat lines.

namespace skirlo {

class TuneDocument;
struct TuneSettings;

struct MusicPageSetup {
    int leftMargin = 500;  // thousandths of an inch
    int topMargin = 500;
    int rightMargin = 500;
    int bottomMargin = 500;
    char orientation = 'P';
    int spreadHorizontally = 1;
    int spreadVertically = 0;
    char scaleOption = 'M';
    char justify = 'L';
    int alignBars = 0;
    int staffHeight = 250;  // thousandths of an inch; 0 fits the music to the page
    int xScale = 100;
    int yScale = 100;
    int space = 100;
};

// A margin as the dialog shows it: to the nearest ten thousandths, halves up.
int roundedMargin(int thousandths);

// The tune's values, margins rounded.
MusicPageSetup musicPageSetupOf(const TuneSettings& settings);

// Stores the values and writes the FontSizes and TuneFormat lines into the
// text. True when the music on screen must be laid out again: the align-bars
// setting, a scale or the space changed.
bool acceptMusicPageSetup(const MusicPageSetup& chosen, TuneDocument& document);

}  // namespace skirlo
