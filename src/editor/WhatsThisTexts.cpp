#include "editor/WhatsThisTexts.h"

#include <QCoreApplication>

#include <array>
#include <utility>

#include "editor/CommandIds.h"

namespace skirlo {

namespace {

struct Explanation {
    int commandId;
    const char* text;
};

constexpr std::array kExplanations = {
    Explanation{command::kNew, "<b>New</b><p>Opens a new tune with a title, a time signature and one empty "
                               "staff, ready for notes to be typed in the text pane.</p>"},
    Explanation{command::kOpen, "<b>Open</b><p>Opens tune files (.tnz) and ABC files. A file that is already "
                                "open is brought to the front instead of being opened twice.</p>"},
    Explanation{command::kSave, "<b>Save</b><p>Writes the text of the tune to its file, exactly as it stands "
                                "in the text pane. The old file is replaced only once the new one is "
                                "complete.</p>"},
    Explanation{command::kSaveAs, "<b>Save As</b><p>Saves the tune under a new name.</p>"},
    Explanation{command::kSaveAsMidi, "<b>Save As Midi</b><p>Writes a standard MIDI file of the tune: the "
                                      "chanter and both drones, with the tempo and gracenotes as played.</p>"},
    Explanation{command::kSaveAsPipeMidi, "<b>Save As Midi with Pipe Tuning</b><p>Writes the MIDI file with a "
                                          "pitch bend on every note and drone, so that any General MIDI player "
                                          "sounds the pipes' scale at the low A set for the pipes voice.</p>"},
    Explanation{command::kSaveAsImage, "<b>Save As Image</b><p>Writes the engraved music as a picture: PNG, "
                                       "SVG, PDF, BMP or PCX.</p>"},
    Explanation{command::kSaveAsMusicXml, "<b>Save As MusicXML</b><p>Writes the tune for other notation "
                                          "programs.</p>"},
    Explanation{command::kPrintMusic, "<b>Print Music</b><p>Prints the engraved music, page by page, as "
                                      "Music Page Setup lays it out.</p>"},
    Explanation{command::kPrintPreview, "<b>Print Preview</b><p>Shows the printed pages before they are "
                                        "printed.</p>"},
    Explanation{command::kMusicPageSetup, "<b>Music Page Setup</b><p>The size of the printed staves, the "
                                          "margins and the space between tunes.</p>"},
    Explanation{command::kPlayOptions, "<b>Play Options</b><p>Instruments, drones, tempo, tuning and the "
                                       "lengths of gracenotes and pauses.</p>"},
    Explanation{command::kUndo, "<b>Undo</b><p>Takes back the last change of the text, whether typed or "
                                "made by the program (a zoom, a text set up, a repair).</p>"},
    Explanation{command::kRefresh, "<b>Refresh Music (F5)</b><p>Reads the text again and engraves it. "
                                   "Repairs the text needs (a text's settings, the tempo line) are written "
                                   "into it as one step that Undo takes back.</p>"},
    Explanation{command::kPlay, "<b>Play</b><p>Plays the tune, or the marked bars, with the bouncing ball "
                                "following the music. Space plays and stops when the music has the "
                                "focus.</p>"},
    Explanation{command::kStop, "<b>Stop</b><p>Stops playing. Play then goes on from where it stopped.</p>"},
    Explanation{command::kRewind, "<b>Rewind</b><p>The next Play starts at the beginning.</p>"},
    Explanation{command::kContinuous, "<b>Play Continuously</b><p>Plays the tune over and over until Stop, "
                                      "as for practising along.</p>"},
    Explanation{command::kZoomBox, "<b>Zoom</b><p>The size of the music on the screen in percent. Choose "
                                   "one or type a number up to 1000 and press Enter; Ctrl with the "
                                   "mouse wheel, Ctrl+plus and Ctrl+minus zoom too. The zoom is kept in "
                                   "the tune's text.</p>"},
    Explanation{command::kDeviceBox, "<b>Output device</b><p>Where the tune is played: the built-in pipes "
                                     "sound, a MIDI port, or the PC speaker. Exports do not depend on "
                                     "it.</p>"},
    Explanation{command::kTempoBox, "<b>Tempo</b><p>Plays the tune slower or faster than written, from 50 "
                                    "to 150 percent, for practising. The ball follows; the tune's own tempo "
                                    "is not changed.</p>"},
    Explanation{command::kClickBox, "<b>Click</b><p>Sounds a click on every beat while the tune plays, "
                                    "higher on the first beat of each bar, through the same output as the "
                                    "tune. It follows the practice tempo and is not saved in the tune.</p>"},
    Explanation{command::kChanterSlider, "<b>Chanter</b><p>The chanter's volume while playing.</p>"},
    Explanation{command::kTenorSlider, "<b>Tenor</b><p>The tenor drones' volume while playing.</p>"},
    Explanation{command::kBassSlider, "<b>Bass</b><p>The bass drone's volume while playing.</p>"},
};

}  // namespace

QString whatsThisText(int commandId) {
    for (const Explanation& explanation : kExplanations) {
        if (explanation.commandId == commandId) return QCoreApplication::translate("WhatsThis", explanation.text);
    }
    return {};
}

}  // namespace skirlo
