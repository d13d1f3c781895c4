#include "playback/DocumentPlayback.h"

#include "notation/TuneTree.h"
#include "tunefile/Profile.h"
#include "tunefile/TuneSettings.h"

namespace skirlo {

namespace {

constexpr int kDefaultFermataPercent = 75;

std::string firstText(const Tune& tune, char kind) {
    for (const auto& record : tune.header.texts) {
        if (record->kind == kind) return record->text;
    }
    return {};
}

}  // namespace

MidiListSettings midiListSettings(const PlaybackSettings& settings) {
    return {settings.chanterInstrument, settings.bassDroneNote, settings.tenorDroneNote, settings.timerResolution};
}

void buildEventList(DocumentPlayback& playback) {
    MidiListSettings list = midiListSettings(playback.settings);
    list.beatClick = playback.beatClick;
    playback.midiEvents.build(playback.performance.events(), list);
    playback.midiEvents.scaleTempo(playback.tempoPercent);
}

MidiFileSettings midiFileSettings(const PlaybackSettings& settings, const Tune* firstTune) {
    MidiFileSettings file;
    file.chanterInstrument = settings.chanterInstrument;
    file.droneInstrument = settings.droneInstrument;
    file.bassDroneNote = settings.bassDroneNote;
    file.tenorDroneNote = settings.tenorDroneNote;
    file.droneIntroduction = settings.droneIntroduction;
    file.chanterVolume = settings.chanterVolume;
    file.bassVolume = settings.bassVolume;
    file.tenorVolume = settings.tenorVolume;
    if (firstTune != nullptr) {
        file.title = firstText(*firstTune, 'T');
        file.composer = firstText(*firstTune, 'M');
        file.footer = firstText(*firstTune, 'F');
    }
    return file;
}

void writeMissingTempoLine(const std::vector<std::unique_ptr<Tune>>& tunes, ScriptText& script,
                           TuneSettings& tuneSettings) {
    if (!tuneSettings.lacksTempoLine || tunes.empty()) return;
    TuneSettingsLines(script, tuneSettings).writeTuneTempo(tuneTempo(*tunes.front()));
}

int pausePercentOf(const Profile& profile) {
    return profile.getInt("PlayOptions", "FermataDuration", kDefaultFermataPercent);
}

bool buildDocumentPlayback(const std::vector<std::unique_ptr<Tune>>& tunes, ScriptText& script,
                           TuneSettings& tuneSettings, const Profile& profile, PlaybackOutput output,
                           DocumentPlayback& playback, SendList sendList, TextRepairs repairs) {
    if (playback.performance.playing()) return false;
    PlaybackSettings& settings = playback.settings;
    applyTuneSettings(tuneSettings, settings);
    settings.fermataPercent = pausePercentOf(profile);
    settings.pipes = pipeTuning(profile);
    settings.output = output;
    playback.noteMap = noteMapFor(settings);
    TuneSettingsLines lines(script, tuneSettings);
    if (repairs == TextRepairs::Mend) {
        playback.performance.build(tunes, settings, playback.noteMap, tuneSettings.lacksTempoLine,
                                   [&lines](int tempo) { lines.writeTuneTempo(tempo); });
    } else {
        bool lacksTempoLine = tuneSettings.lacksTempoLine;  // stays missing in the text
        playback.performance.build(tunes, settings, playback.noteMap, lacksTempoLine, {});
    }
    if (output == PlaybackOutput::Midi && sendList == SendList::Build) {
        buildEventList(playback);
    }
    return true;
}

}  // namespace skirlo
