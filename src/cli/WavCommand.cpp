#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputFile.h"
#include "cli/SoundOptions.h"
#include "export/ExportProgress.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiPlatform.h"
#include "playback/live/Synthesizer.h"
#include "playback/live/WavRenderer.h"

namespace skirlo {

namespace {

const CommandSpec kWav{"wav",
                       "FILE -o OUT.wav [--sound pipes|midi] [--low-a HZ] [--tempo PERCENT] [--click] "
                       "[--volumes CHANTER,TENOR,BASS] [--profile FILE]",
                       "Renders the performance of FILE with the drones through the built-in synthesizer into a\n"
                       "WAV file (16-bit stereo, 44100 Hz): with the pipes voice, tuned as pipers tune, or with\n"
                       "the tune's General MIDI instruments.",
                       {"FILE"},
                       {{"o,output", "OUT.wav", "the file to write (.wav); - for standard output"},
                        {"sound", "VOICE", "pipes (the default) or midi (the tune's instruments)"},
                        kLowAOption,
                        kTempoOption,
                        kClickOption,
                        {"volumes", "C,T,B",
                         "the chanter, tenor and bass volumes, 0 to 127 (default: the tune's, or 127,77,38)"}}};

// The pipes voice, or where its SoundFont cannot be read the General MIDI
// synthesizer, saying so.
std::uint32_t createSynthesizer(bool pipes, const CliEnvironment& environment, DiagnosticLog& log,
                                std::unique_ptr<Synthesizer>& synthesizer) {
    if (pipes) {
        const std::uint32_t created =
            Synthesizer::createPipes(kWavSampleRate, pipesSoundfont(environment.resourceDir), log, synthesizer);
        if (created == midi_error::kNone) return created;
        std::fprintf(stderr, "skirlo-cli: %s\n", midiErrorText(created).value_or("").c_str());
    }
    return Synthesizer::create(kWavSampleRate, log, synthesizer);
}

bool readVolume(const std::string& text, std::size_t& at, int& volume) {
    const std::size_t end = text.find(',', at);
    const std::string field = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    const std::optional<int> value = strictInt(field, 0, 127);
    if (!value) return false;
    volume = *value;
    at = end == std::string::npos ? text.size() : end + 1;
    return true;
}

// Three numbers 0-127 separated by commas, in the order of the sliders.
bool parseVolumes(const std::string& text, Volumes& volumes) {
    std::size_t at = 0;
    return readVolume(text, at, volumes.chanter) && at < text.size() && readVolume(text, at, volumes.tenor) &&
           at < text.size() && readVolume(text, at, volumes.bass) && at == text.size() && text.back() != ',';
}

// A long performance takes a while to render: its percentage on a terminal.
class WavTerminalProgress {
public:
    explicit WavTerminalProgress(const std::string& path) { progress_.begin("Saving Progress", savingMessage(path), 0, 100); }
    ~WavTerminalProgress() { progress_.end(); }
    WavTerminalProgress(const WavTerminalProgress&) = delete;
    WavTerminalProgress& operator=(const WavTerminalProgress&) = delete;

    void update(std::uint64_t done, std::uint64_t total) {
        const std::uint64_t percent = total > 0 ? done * 100 / total : 100;
        for (; shown_ < percent; ++shown_) progress_.step();
    }

private:
    TerminalProgress progress_;
    std::uint64_t shown_ = 0;
};

}  // namespace

int runWav(const std::vector<std::string>& args) {
    CommandLine line(kWav);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> out = line.value("output");
    if (!out) return line.usageError("missing -o OUT.wav");
    if (const std::string problem = extensionProblem(*out, ".wav"); !problem.empty()) return line.usageError(problem);
    const std::optional<std::string> volumeText = line.value("volumes");
    Volumes volumes{};
    if (volumeText && !parseVolumes(*volumeText, volumes)) {
        return line.usageError("--volumes takes three numbers 0-127, as in 127,77,38, not '" + *volumeText + "'");
    }
    const std::string sound = line.value("sound").value_or("pipes");
    if (sound != "pipes" && sound != "midi") {
        return line.usageError("--sound takes pipes or midi, not '" + sound + "'");
    }
    const std::optional<SoundOptions> soundOptions = readSoundOptions(line);
    if (!soundOptions) return 1;
    OutputFile output(*out, ".wav");
    if (!output.open()) return 1;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    auto document = openDocument(line.files()[0], *environment, PlaybackOutput::Midi, FileNeed::Music, SendList::Build);
    if (!document || musicHasErrors(*environment, line.files()[0], *out)) return 1;
    DocumentPlayback& playback = document->playback();
    applySoundOptions(*soundOptions, playback);
    if (!volumeText) {
        volumes = {playback.settings.chanterVolume, playback.settings.tenorVolume, playback.settings.bassVolume};
    }
    if (playback.performance.events().empty()) {
        environment->messages.show("The tune is empty. Nothing will be saved to disk!.", "Skirlo", MessageButtons::Ok);
        return 1;
    }
    RecordingDiagnosticLog log;
    std::unique_ptr<Synthesizer> synthesizer;
    const std::uint32_t created = createSynthesizer(sound == "pipes", *environment, log, synthesizer);
    if (created != midi_error::kNone) {
        std::fprintf(stderr, "skirlo-cli: %s\n", midiErrorText(created).value_or("").c_str());
        return 1;
    }
    std::string error;
    bool written = false;
    {
        WavTerminalProgress progress(*out);
        written = renderWav(playback.midiEvents.events(), playSetup(playback.settings), volumes, *synthesizer,
                            output.path(), error,
                            [&progress](std::uint64_t done, std::uint64_t total) { progress.update(done, total); });
    }
    if (!written) {
        std::fprintf(stderr, "skirlo-cli: %s\n", error.c_str());
        return 1;
    }
    return output.finish() ? 0 : 1;
}

}  // namespace skirlo
