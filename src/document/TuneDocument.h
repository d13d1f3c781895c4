#pragma once
// One open tune file as both front ends see it. The script text is the
// document; everything else (the settings read from it, the built tree, the
// performance) is derived from it and rebuilt on request.
//
// Opening loads the bytes; the first set-up then does what the first display
// of a newly opened document does to the text (settings lines, a new
// document's default text, recognition and conversion); every build goes
// through `rebuild`, which brackets it with the recognition's header-line
// handling, so the first build writes the header line as the music view's
// first build does.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "notation/LaidOutMusic.h"
#include "playback/DocumentPlayback.h"
#include "tunefile/ScriptText.h"
#include "tunefile/TuneFileFormat.h"
#include "tunefile/TuneSettings.h"

namespace skirlo {

class MeasuringContext;
class MessageSink;
struct LayoutSettings;
class Profile;
class SymbolMap;

class TuneDocument {
public:
    // Builds the tree from the script; the flag asks bare quoted strings to be
    // converted (the first build of an older file); `repairs` says whether
    // the build may complete records in the script.
    using MusicBuilder = std::function<LaidOutMusic(ScriptText& script, bool convertBareStrings, TextRepairs repairs)>;

    struct Opening {
        std::unique_ptr<TuneDocument> document;  // null on failure
        std::string error;                       // the message to show
    };

    // Reads the file byte for byte; refuses files over ScriptText::kMaxSize
    // with "The file is too large to open.".
    static Opening open(const std::string& path);
    // An untitled document with the default title "QTN32<number>"; its first
    // set-up adds the default text of a new tune.
    static std::unique_ptr<TuneDocument> createNew(int number);
    // An untitled document holding tunes read from another format, titled as
    // a new one and unsaved until the user saves it.
    static std::unique_ptr<TuneDocument> createImported(int number, std::string text);

    // The first display's edits of the text. Call once, before the first rebuild.
    void firstSetUp(MessageSink& messages);

    // Rebuilds the tree. Refused (false) while the performance plays: the
    // scheduler points into the tree. Only a build that mends writes into the
    // text (the header line of the first build among its repairs).
    bool rebuild(const MusicBuilder& build, TextRepairs repairs = TextRepairs::Mend);
    // The tree laid out as the music view shows it, at the given settings
    // (see MusicSettings.h), measured by `measuring`.
    bool layOut(const SymbolMap& symbols, MeasuringContext& measuring, MessageSink& messages,
                const LayoutSettings& settings, TextRepairs repairs = TextRepairs::Mend);
    // The tree without glyph geometry: what the headless commands need.
    bool rebuildStructure(const SymbolMap& symbols, MessageSink& messages);
    // The note map, performance and (for MIDI) event list of the current
    // tree; the playback listener is told when they are new.
    bool rebuildPlayback(const Profile& profile, PlaybackOutput output, SendList sendList = SendList::Build,
                         TextRepairs repairs = TextRepairs::Mend);
    // The tempo line rebuildPlayback writes into a file without one, without
    // building the performance.
    void writeMissingTempoLine() { skirlo::writeMissingTempoLine(music_.tunes, script_, settings_); }

    ScriptText& script() { return script_; }
    const ScriptText& script() const { return script_; }
    TuneSettings& settings() { return settings_; }
    const TuneSettings& settings() const { return settings_; }
    FileRecognition& recognition() { return recognition_; }
    const LaidOutMusic& music() const { return music_; }
    const std::vector<std::unique_ptr<Tune>>& tunes() const { return music_.tunes; }
    // Told after each rebuild of the playback: the player takes the new
    // lists from here, whoever asked for the rebuild. One listener; empty
    // for none.
    using PlaybackListener = std::function<void()>;
    void setPlaybackListener(PlaybackListener listener) { playbackListener_ = std::move(listener); }

    DocumentPlayback& playback() { return playback_; }
    const DocumentPlayback& playback() const { return playback_; }

    // The full path; empty for an untitled document.
    const std::string& path() const { return path_; }
    // The file name of the path, or the untitled document's title.
    const std::string& title() const { return title_; }
    void setPath(const std::string& path);
    bool createdByNew() const { return createdByNew_; }

    // Remembers the file as it now is on disk (after opening or saving), so
    // that a change another program makes to it can be told.
    void noteDiskState();
    // True when the file's time or size differs from the one noted; false
    // for an untitled document and for a file that has gone.
    bool changedOnDisk() const;
    // Reads the file again into the text as one replacement (which the
    // desktop program can undo) and marks the text unmodified; false, with
    // `error` set and the text untouched, when the file cannot be read.
    bool reloadFromDisk(std::string& error);
    bool modified() const { return script_.modified(); }

    // The text of the first title record of the first tune; empty when there
    // is none. `hasTunes` is false before a build that made a tune.
    bool hasTunes() const { return !music_.tunes.empty(); }
    std::string firstTitle() const;

private:
    TuneDocument() = default;

    std::string path_;
    std::string title_;
    bool createdByNew_ = false;
    struct DiskState {
        std::int64_t writeTime = 0;
        std::uintmax_t size = 0;
        bool operator==(const DiskState&) const = default;
    };
    DiskState disk_;
    ScriptText script_;
    TuneSettings settings_;
    FileRecognition recognition_;
    LaidOutMusic music_;
    DocumentPlayback playback_;
    PlaybackListener playbackListener_;
};

}  // namespace skirlo
