#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/SoundOptions.h"
#include "notation/Symbol.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/PlaybackScheduler.h"
#include "playback/live/SpeakerTone.h"
#include "playback/live/Synthesizer.h"
#include "playback/live/SystemMidiPlatform.h"

namespace skirlo {

namespace {

const CommandSpec kPlay{"play", "FILE [--device NAME] [--low-a HZ] [--tempo PERCENT] [--click] [--profile FILE]",
                        "Plays FILE, printing the name of each symbol as it starts to sound. Ctrl+C stops.",
                        {"FILE"},
                        {{"device", "NAME", "the output device, as skirlo-cli devices lists it (default: the "
                                            "desktop program's choice)"},
                         kLowAOption,
                         kTempoOption,
                         kClickOption}};

// The speaker's tone output is opened only when the speaker plays.
class DeferredToneOutput final : public ToneOutput {
public:
    explicit DeferredToneOutput(DiagnosticLog& log) : log_(log) {}
    void sound(std::int32_t frequency) override {
        if (!output_) output_ = openToneOutput(log_);
        output_->sound(frequency);
    }

private:
    DiagnosticLog& log_;
    std::unique_ptr<ToneOutput> output_;
};

std::optional<std::size_t> chooseDevice(const OutputDeviceList& list, const std::optional<std::string>& name) {
    if (!name) return list.initialSelection;
    const auto found = std::find(list.names.begin(), list.names.end(), *name);
    if (found == list.names.end()) return std::nullopt;
    return static_cast<std::size_t>(found - list.names.begin());
}

// The name of the symbol now sounding, or of the inserted gracenote.
std::string soundingName(const TuneDocument& document, PlaybackOutput output, std::size_t index) {
    const DocumentPlayback& playback = document.playback();
    if (output == PlaybackOutput::Speaker) {
        const auto& events = playback.performance.events();
        return index < events.size() ? std::string(events[index].name) : std::string();
    }
    const auto& events = playback.midiEvents.events();
    const Symbol* symbol = index < events.size() ? events[index].symbol : nullptr;
    return symbol != nullptr ? symbol->name : std::string("-");
}

// Waits for the end of the tune or for Ctrl+C (or a termination request),
// which the calling thread has blocked so that it can take them here.
bool waitForEnd(const std::atomic<bool>& ended, const sigset_t& stopSignals) {
    const timespec poll{0, 50'000'000};
    while (!ended) {
        if (sigtimedwait(&stopSignals, nullptr, &poll) > 0) return false;
    }
    return true;
}

}  // namespace

int runPlay(const std::vector<std::string>& args) {
    CommandLine line(kPlay);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> deviceName = line.value("device");
    const std::optional<SoundOptions> soundOptions = readSoundOptions(line);
    if (!soundOptions) return 1;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    auto document = openDocument(line.files()[0], *environment, PlaybackOutput::Midi, FileNeed::Music, SendList::Build);
    if (!document) return 1;

    // The device layer's diagnostics are shown only when playing fails.
    RecordingDiagnosticLog log;
    SystemMidiPlatform platform(log, pipesSoundfont(environment->resourceDir));
    MidiDeviceLayer devices(platform, environment->messages, log);
    const OutputDeviceList list = devices.enumerateOutputs();
    const std::optional<std::size_t> choice = chooseDevice(list, deviceName);
    if (!choice) {
        std::fprintf(stderr, "skirlo-cli: no output device is named \"%s\" (see skirlo-cli devices)\n",
                     deviceName->c_str());
        return 1;
    }
    DocumentPlayback& playback = document->playback();
    PlaybackOutput output = playback.settings.output;
    devices.applySelection(choice, output, true, [&](PlaybackOutput chosen) {
        document->rebuildPlayback(*environment->profile, chosen);
    });
    applySoundOptions(*soundOptions, playback);

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    // Blocked before the playback thread starts, so that it inherits the mask
    // and the signals wait for this thread.
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    DeferredToneOutput tone(log);
    PitSpeakerPorts ports(tone);
    SpeakerTone speaker(ports);
    SteadyPlaybackClock clock;
    std::atomic<bool> ended{false};
    PlaybackNotifications notifications;
    notifications.progress = [&](std::size_t index) {
        std::printf("%s\n", soundingName(*document, output, index).c_str());
        std::fflush(stdout);
    };
    notifications.end = [&ended] { ended = true; };
    PlaybackScheduler scheduler(devices, speaker, clock, notifications);
    scheduler.setLists(&playback.midiEvents.events(), &playback.performance.events());
    scheduler.setSetup(playSetup(playback.settings));
    scheduler.setVolume(VolumeChannel::Chanter, playback.settings.chanterVolume);
    scheduler.setVolume(VolumeChannel::Tenor, playback.settings.tenorVolume);
    scheduler.setVolume(VolumeChannel::Bass, playback.settings.bassVolume);

    const bool started = scheduler.play();
    const bool completed = started && waitForEnd(ended, stopSignals);
    if (completed) {
        scheduler.handleEnd();
    } else {
        scheduler.stop();
    }
    pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
    if (!started && playback.performance.events().empty()) {
        std::fprintf(stderr, "skirlo-cli: the tune has no notes to play\n");
    } else if (!started) {
        std::fprintf(stderr, "%s", log.text().c_str());
    }
    return started ? 0 : 1;
}

}  // namespace skirlo
