#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/Commands.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiPlatform.h"
#include "playback/live/Synthesizer.h"
#include "playback/live/WavRenderer.h"

namespace skirlo {

namespace {

constexpr const char* kUsage = "wav FILE -o OUT.wav [--volumes CHANTER,TENOR,BASS]";

bool readVolume(const std::string& text, std::size_t& at, int& volume) {
    const std::size_t end = text.find(',', at);
    const std::string field = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (field.empty() || field.size() > 3 || field.find_first_not_of("0123456789") != std::string::npos) return false;
    volume = std::stoi(field);
    at = end == std::string::npos ? text.size() : end + 1;
    return volume <= 127;
}

// Three bytes 0-127 separated by commas, in the order of the sliders.
bool parseVolumes(const std::string& text, Volumes& volumes) {
    std::size_t at = 0;
    return readVolume(text, at, volumes.chanter) && at < text.size() && readVolume(text, at, volumes.tenor) &&
           at < text.size() && readVolume(text, at, volumes.bass) && at == text.size() && text.back() != ',';
}

}  // namespace

int runWav(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    auto environment = openEnvironment(args);
    if (!environment) return 1;
    std::string error;
    const std::optional<std::string> out = takeOption(args, "-o", error);
    const std::optional<std::string> volumeText = takeOption(args, "--volumes", error);
    if (!error.empty() || !out || args.size() != 1) return usageError(kUsage);
    auto document = openDocument(args[0], *environment, PlaybackOutput::Midi);
    if (!document) return 1;
    const DocumentPlayback& playback = document->playback();
    Volumes volumes{playback.settings.chanterVolume, playback.settings.tenorVolume, playback.settings.bassVolume};
    if (volumeText && !parseVolumes(*volumeText, volumes)) {
        std::fprintf(stderr, "skirlo-cli: --volumes takes three numbers 0-127, as in 127,77,38\n");
        return 1;
    }
    if (playback.performance.events().empty()) {
        std::fprintf(stderr, "Skirlo: The tune is empty. Nothing will be saved to disk!.\n");
        return 1;
    }
    StderrDiagnosticLog log;
    std::unique_ptr<Synthesizer> synthesizer;
    const std::uint32_t created = Synthesizer::create(kWavSampleRate, log, synthesizer);
    if (created != midi_error::kNone) {
        std::fprintf(stderr, "skirlo-cli: %s\n", midiErrorText(created).value_or("").c_str());
        return 1;
    }
    if (!renderWav(playback.midiEvents.events(), playSetup(playback.settings), volumes, *synthesizer, *out, error)) {
        std::fprintf(stderr, "skirlo-cli: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace skirlo
