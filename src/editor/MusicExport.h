#pragma once
// "Save As &Midi" and "Save As &Image.." of a tune window: the save dialog,
// the export itself (the same code and bytes as `skirlo-cli midi` and
// `skirlo-cli image`), the progress window and the messages.
//
// Every failure and a cancel leave no file behind; an older file of the
// chosen name stays untouched then.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "playback/PipeTuning.h"

class QWidget;

namespace skirlo {

class MeasuringContext;
class MessageSink;
class TuneDocument;
struct EditorContext;
struct Workspace;

// Asks where to save, proposing `proposal` (folder and file name); empty when
// the user cancels. Tests put their own in place of the dialogs.
using ExportFileChooser = std::function<std::string(QWidget* parent, const std::string& proposal)>;

// The save dialogs: MIDI files (default extension "mid") and pictures
// (ImageFileDialog, default extension "pcx").
std::string chooseMidiFile(QWidget* parent, const std::string& proposal);
std::string chooseImageFile(QWidget* parent, const std::string& proposal);
// MusicXML scores, default extension "musicxml".
std::string chooseMusicXmlFile(QWidget* parent, const std::string& proposal);

// The proposed file: in the document's folder, its title up to and including
// the first "." followed by `extension`; a title without "." gets one.
std::string exportProposal(const TuneDocument& document, std::string_view extension);

// The two exports with what they use of the running program.
class MusicExporter {
public:
    MusicExporter(Workspace& workspace, const MeasuringContext& measuring, MessageSink& messages)
        : workspace_(workspace), measuring_(measuring), messages_(messages) {}

    // Writes the current performance (the marked run when symbols are
    // marked); "The tune is empty.\nNothing will be saved to disk!." when
    // there is none, "Error in saving the midi file!" when the file cannot be
    // written. With `tuning`, every note and drone carries the pitch bend
    // that sounds the pipes' scale at its low A on any General MIDI player.
    void saveMidi(const TuneDocument& document, QWidget* parent,
                  const std::optional<PipeTuning>& tuning = std::nullopt) const;
    // Writes the music as the window shows it (its current build and zoom):
    // BMP for a ".bmp" name, PNG, SVG or PDF for those extensions, PCX for any
    // other. PCX and BMP are written a scan line at a time under the progress
    // window; a file that cannot be written is reported.
    void saveImage(const TuneDocument& document, QWidget* parent) const;
    // Writes the tunes as a MusicXML score (the bytes `skirlo-cli musicxml`
    // writes) and names what the score could not hold.
    void saveMusicXml(const TuneDocument& document, QWidget* parent) const;

    ExportFileChooser chooseMidi = chooseMidiFile;
    ExportFileChooser chooseImage = chooseImageFile;
    ExportFileChooser chooseMusicXml = chooseMusicXmlFile;

private:
    Workspace& workspace_;
    const MeasuringContext& measuring_;
    MessageSink& messages_;
};

// "Save As &Midi", "Save As &Image.." and "Save As Music&XML..." of a tune window.
void saveMusicAsMidi(TuneDocument& document, EditorContext& context, QWidget* parent,
                     const std::optional<PipeTuning>& tuning = std::nullopt);
void saveMusicAsImage(TuneDocument& document, EditorContext& context, QWidget* parent);
void saveMusicAsMusicXml(TuneDocument& document, EditorContext& context, QWidget* parent);

}  // namespace skirlo
