#include "editor/MusicExport.h"

#include <QFileDialog>
#include <QFileInfo>

#include <filesystem>

#include "common/MessageSink.h"
#include "document/DocumentMidiFile.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/EditorContext.h"
#include "editor/ImageFileDialog.h"
#include "editor/ProgressWindow.h"
#include "editor/WaitCursor.h"
#include "engraving/MusicRenderer.h"
#include "export/PictureExport.h"
#include "interchange/MusicXmlWriter.h"
#include "tunefile/FileReplace.h"
#include "view/QtMeasuring.h"

namespace skirlo {

namespace {

constexpr std::string_view kEmptyTune = "The tune is empty.\nNothing will be saved to disk!.";
constexpr std::string_view kMidiSaveError = "Error in saving the midi file!";
constexpr std::string_view kMidiSaveCaption = "Midi File Save";
constexpr std::string_view kImageSaveError = "Error in saving the image file!\n";
constexpr std::string_view kImageSaveCaption = "Image File Save";
constexpr std::string_view kMusicXmlSaveError = "Error in saving the MusicXML file!\n";
constexpr std::string_view kMusicXmlSaveCaption = "MusicXML File Save";


}  // namespace

std::string chooseMidiFile(QWidget* parent, const std::string& proposal) {
    QFileDialog dialog(parent, QFileDialog::tr("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("mid"));
    dialog.setNameFilters({QFileDialog::tr("Midi Files (*.mid)"), QFileDialog::tr("All Files (*.*)")});
    const QFileInfo file(QString::fromStdString(proposal));
    dialog.setDirectory(file.absolutePath());
    dialog.selectFile(file.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

std::string chooseMusicXmlFile(QWidget* parent, const std::string& proposal) {
    QFileDialog dialog(parent, QFileDialog::tr("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("musicxml"));
    dialog.setNameFilters({QFileDialog::tr("MusicXML Files (*.musicxml *.xml)"), QFileDialog::tr("All Files (*.*)")});
    const QFileInfo file(QString::fromStdString(proposal));
    dialog.setDirectory(file.absolutePath());
    dialog.selectFile(file.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

std::string chooseImageFile(QWidget* parent, const std::string& proposal) {
    ImageFileDialog dialog(parent, QString::fromStdString(proposal));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

std::string exportProposal(const TuneDocument& document, std::string_view extension) {
    const std::string& title = document.title();
    const std::size_t dot = title.find('.');
    std::string name = dot == std::string::npos ? title + "." : title.substr(0, dot + 1);
    name += extension;
    if (document.path().empty()) return name;
    return (std::filesystem::path(document.path()).parent_path() / name).string();
}

void MusicExporter::saveMidi(const TuneDocument& document, QWidget* parent,
                             const std::optional<PipeTuning>& tuning) const {
    if (document.playback().performance.events().empty()) {
        messages_.show(kEmptyTune, kApplicationTitle, MessageButtons::Ok);
        return;
    }
    const std::string path = chooseMidi(parent, exportProposal(document, "mid"));
    if (path.empty()) return;
    MidiFileOutcome outcome;
    {
        WaitCursor wait;
        outcome = writeDocumentMidiFile(document, path, nullptr, tuning);
    }
    if (outcome != MidiFileOutcome::Written) messages_.show(kMidiSaveError, kMidiSaveCaption, MessageButtons::Ok);
}

void MusicExporter::saveImage(const TuneDocument& document, QWidget* parent) const {
    const std::string path = chooseImage(parent, exportProposal(document, "pcx"));
    if (path.empty()) return;
    const MusicRenderer renderer(workspace_.symbols.hiliteColour());
    ProgressWindow progress(*workspace_.profile, parent);
    std::string error;
    WriteOutcome outcome;
    {
        WaitCursor wait;
        outcome = writeMusicPicture(document.music(), renderer, imageFormatForPath(path), path,
                                    screenPcxDevice(measuring_), progress, messages_, error);
    }
    if (outcome == WriteOutcome::Failed) {
        messages_.show(std::string(kImageSaveError) + error, kImageSaveCaption, MessageButtons::Ok);
    }
}

void MusicExporter::saveMusicXml(const TuneDocument& document, QWidget* parent) const {
    // The pitches are the MIDI ones whichever device the box has chosen.
    const std::vector<PerformanceEvent> events = midiPerformanceEvents(document);
    if (events.empty()) {
        messages_.show(kEmptyTune, kApplicationTitle, MessageButtons::Ok);
        return;
    }
    const std::string path = chooseMusicXml(parent, exportProposal(document, "musicxml"));
    if (path.empty()) return;
    MusicXmlScore score;
    std::string error;
    {
        WaitCursor wait;
        score = writeMusicXml(document.tunes(), events);
        if (!replaceFileContents(path, score.xml, error, Durability::Renamed)) score.leftOut.clear();
    }
    if (!error.empty()) {
        messages_.show(std::string(kMusicXmlSaveError) + error, kMusicXmlSaveCaption, MessageButtons::Ok);
        return;
    }
    if (score.leftOut.empty()) return;
    std::string text = "Not in the MusicXML file:";
    for (const std::string& what : score.leftOut) text += "\n" + what;
    messages_.show(text, kMusicXmlSaveCaption, MessageButtons::Ok);
}

void saveMusicAsMidi(TuneDocument& document, EditorContext& context, QWidget* parent,
                     const std::optional<PipeTuning>& tuning) {
    MusicExporter(context.workspace, context.measuring, context.messages).saveMidi(document, parent, tuning);
}

void saveMusicAsImage(TuneDocument& document, EditorContext& context, QWidget* parent) {
    MusicExporter(context.workspace, context.measuring, context.messages).saveImage(document, parent);
}

void saveMusicAsMusicXml(TuneDocument& document, EditorContext& context, QWidget* parent) {
    MusicExporter(context.workspace, context.measuring, context.messages).saveMusicXml(document, parent);
}

}  // namespace skirlo
