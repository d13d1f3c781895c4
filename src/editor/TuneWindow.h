#pragma once
// One open tune: the control bar along the top, the music pane above the
// script pane. The script pane is made first and has the focus; the
// document's first set-up edits the text through it, so those edits are
// undoable and mark the document modified like any other. The window's
// player plays the document's performance; while it plays, nothing rebuilds.

#include <QWidget>

#include <memory>

class QSplitter;
class QTimer;

namespace skirlo {

class ControlBar;
class MessageSink;
class MusicView;
class SaveNameDialog;
class ScriptView;
class TuneDocument;
class TunePlayer;
struct EditorContext;

class TuneWindow final : public QWidget {
    Q_OBJECT
public:
    TuneWindow(std::unique_ptr<TuneDocument> document, EditorContext& context, QWidget* parent = nullptr);
    ~TuneWindow() override;

    TuneDocument& document() { return *document_; }
    ScriptView* scriptView() const { return script_; }
    MusicView* musicView() const { return music_; }
    ControlBar* controlBar() const { return controls_; }
    TunePlayer* player() const { return player_; }

    // The commands of the control bar, the Player menu and the script pane:
    // rewind, stop, play, refresh, continuous and the sliders.
    void runCommand(int commandId);
    // "&Refresh Music": rebuilds at the zoom typed in the zoom box; refused while playing.
    void refreshMusic();
    // Reads the file again as one edit that Undo takes back, and rebuilds.
    void reloadFromDisk();
    // The rebuild a pause in typing asks for: as a refresh, but the text's
    // problems are underlined in the script pane instead of shown in boxes,
    // and the text is never written. While playing it waits for the end.
    void rebuildFromTyping();
    // Before saving and printing: the repairs that the rebuilds while typing
    // left out, written as one undo step (problems underlined, not boxed).
    void mendText();
    // The problems of the music as last built, underlined in the script.
    int problemCount() const;
    // How long typing must pause before the music follows.
    static constexpr int kTypingPauseMs = 300;
    // A "&Volume" menu item, 4501..4533: moves its slider.
    void setVolumeFromMenu(int commandId);
    // "Set &Font..." in the music pane: the Text Setup of the selected text,
    // written back into the script as one edit; titles, types, composers,
    // footers and in-line texts rebuild the music.
    void setUpSelectedText();
    // "Save As &Midi" and "Save As &Image..".
    void saveAsMidi();
    // The MIDI file bent to the pipes' tuning (the profile's scale and low A).
    void saveAsPipeTunedMidi();
    void saveAsImage();
    void saveAsMusicXml();
    // "Set Play &Options..": the "Play Music Setup" dialog on a copy of the
    // tune's playing values; OK writes them into the text as one undo step,
    // stores the moving pointer's state and rebuilds the performance.
    void playOptions();
    // "Page Se&tup..": the music's page settings; OK writes the FontSizes and
    // TuneFormat lines as one undo step and lays the music out again when
    // the bars, scales or space changed.
    void musicPageSetup();
    // F6 and Shift+F6: the focus to the other pane.
    void focusOtherPane();

    // "&Save" and "Save &As..."; true when the file was written.
    bool save(SaveNameDialog& dialog);
    bool saveAs(SaveNameDialog& dialog);
    // Stops the sound and closes the devices, then asks "Save changes to %1?"
    // for a modified document; false when a busy device or the user keeps
    // the window open.
    bool agreeToClose(SaveNameDialog& dialog);

    // Whether a command of the player or the music can run now, and whether
    // its item shows checked: the one answer for the control bar and the menus.
    bool commandEnabled(int commandId) const;
    bool commandChecked(int commandId) const;

    // The window's caption: the document's title, "*" when modified.
    QString caption() const;

signals:
    void captionChanged();
    // Playing started or stopped: the commands' states change.
    void playStateChanged();
    // After a save under a new name.
    void pathChanged(const QString& path);
    // The music was rebuilt: the count of its problems may have changed.
    void problemsChanged();
    // The engraving style was changed in this window's page setup.
    void engravingStyleChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void chainTabOrder();
    // The tempo box's percent for the next play.
    void applyTempo();
    // The click box's state for the next play.
    void applyBeatClick();
    void fillDeviceBox();
    void applyDevice();
    void applyZoom();
    void performanceChanged();
    void onPlayState();
    void updateControls();
    void updateCaption();
    void textEdited();
    // A refresh that writes the text's repairs as one undo step.
    void mendAndRebuild(MessageSink& messages);
    void musicRebuilt();
    void frameSymbolAtCaret();

    std::unique_ptr<TuneDocument> document_;
    EditorContext& context_;
    ControlBar* controls_ = nullptr;
    QSplitter* panes_ = nullptr;
    ScriptView* script_ = nullptr;
    MusicView* music_ = nullptr;
    TunePlayer* player_ = nullptr;
    QTimer* typingPause_ = nullptr;
    bool rebuildAfterPlaying_ = false;
    bool musicOlderThanText_ = false;  // the text changed since the music was built from it
    bool unmendedTyping_ = false;      // built while typing since the text was last mended
};

}  // namespace skirlo
