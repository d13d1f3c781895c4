#include "document/TuneDocument.h"

#include <filesystem>

#include "common/FixedMetrics.h"
#include "engraving/MusicLayout.h"
#include "notation/TuneBuilder.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {

TuneDocument::Opening TuneDocument::open(const std::string& path) {
    Opening opening;
    TuneFileLoad load = loadTuneFile(path);
    if (!load.ok) {
        opening.error = std::move(load.error);
        return opening;
    }
    opening.document.reset(new TuneDocument);
    opening.document->setPath(path);
    opening.document->script_.load(std::move(load.bytes));
    opening.document->noteDiskState();
    return opening;
}

std::unique_ptr<TuneDocument> TuneDocument::createNew(int number) {
    std::unique_ptr<TuneDocument> document(new TuneDocument);
    document->title_ = "QTN32" + std::to_string(number);
    document->createdByNew_ = true;
    return document;
}

std::unique_ptr<TuneDocument> TuneDocument::createImported(int number, std::string text) {
    std::unique_ptr<TuneDocument> document(new TuneDocument);
    document->title_ = "QTN32" + std::to_string(number);
    document->script_.load(std::move(text));
    document->script_.setModified(true);
    return document;
}

void TuneDocument::setPath(const std::string& path) {
    path_ = path;
    title_ = std::filesystem::path(path).filename().string();
}

namespace {

struct FileState {
    bool exists = false;
    std::int64_t writeTime = 0;
    std::uintmax_t size = 0;
};

FileState fileStateOf(const std::string& path) {
    std::error_code error;
    FileState state;
    const auto time = std::filesystem::last_write_time(path, error);
    if (error) return state;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return state;
    return {true, static_cast<std::int64_t>(time.time_since_epoch().count()), size};
}

}  // namespace

void TuneDocument::noteDiskState() {
    const FileState state = fileStateOf(path_);
    disk_ = {state.writeTime, state.size};
}

bool TuneDocument::changedOnDisk() const {
    if (path_.empty()) return false;
    const FileState state = fileStateOf(path_);
    return state.exists && !(DiskState{state.writeTime, state.size} == disk_);
}

bool TuneDocument::reloadFromDisk(std::string& error) {
    TuneFileLoad load = loadTuneFile(path_);
    if (!load.ok) {
        error = std::move(load.error);
        return false;
    }
    script_.select(0, script_.size());
    script_.replaceSelection(load.bytes);
    script_.setModified(false);
    noteDiskState();
    return true;
}

void TuneDocument::firstSetUp(MessageSink& messages) {
    TuneSettingsLines lines(script_, settings_);
    prepareAtFirstSetUp(script_, lines, recognition_, title_, createdByNew_, messages);
}

bool TuneDocument::rebuild(const MusicBuilder& build, TextRepairs repairs) {
    if (playback_.performance.playing()) return false;
    // The first build's header line and conversion wait for a build that mends.
    const bool mends = repairs == TextRepairs::Mend;
    const bool convertBareStrings = mends ? recognition_.beginBuild(script_) : false;
    // The old tree goes before the new one is made, so that a rebuild needs
    // no more memory than one tree.
    music_ = LaidOutMusic{};
    music_ = build(script_, convertBareStrings, repairs);
    if (mends) recognition_.endBuild();
    return true;
}

bool TuneDocument::layOut(const SymbolMap& symbols, MeasuringContext& measuring, MessageSink& messages,
                          const LayoutSettings& settings, TextRepairs repairs) {
    return rebuild(
        [&](ScriptText& script, bool convertBareStrings, TextRepairs buildRepairs) {
            return layOutMusic(script, convertBareStrings, symbols, measuring, messages, settings, buildRepairs);
        },
        repairs);
}

bool TuneDocument::rebuildStructure(const SymbolMap& symbols, MessageSink& messages) {
    return rebuild([&](ScriptText& script, bool convertBareStrings, TextRepairs repairs) {
        FixedMetricsContext measuring;
        LaidOutMusic music;
        TuneBuildContext context{symbols, measuring, *music.fonts, messages, 130};
        context.repairs = repairs;
        music.tunes = buildTunes(script, convertBareStrings, context);
        return music;
    });
}

bool TuneDocument::rebuildPlayback(const Profile& profile, PlaybackOutput output, SendList sendList,
                                   TextRepairs repairs) {
    if (!buildDocumentPlayback(music_.tunes, script_, settings_, profile, output, playback_, sendList, repairs)) {
        return false;
    }
    if (playbackListener_) playbackListener_();
    return true;
}

std::string TuneDocument::firstTitle() const {
    if (music_.tunes.empty()) return {};
    for (const auto& record : music_.tunes.front()->header.texts) {
        if (record->kind == 'T') return record->text;
    }
    return {};
}

}  // namespace skirlo
