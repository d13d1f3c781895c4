#include "cli/SoundOptions.h"

#include <cstdio>
#include <string>

#include "playback/DocumentPlayback.h"

namespace skirlo {

std::optional<SoundOptions> readSoundOptions(const CommandLine& line) {
    SoundOptions options;
    if (const auto text = line.value("low-a")) {
        options.lowA = parseLowA(*text);
        if (!options.lowA) {
            line.usageError("--low-a takes a pitch in Hz from 440 to 495, not '" + *text + "'");
            return std::nullopt;
        }
    }
    if (const auto text = line.value("tempo")) {
        const std::optional<int> percent = strictInt(*text, kMinTempoPercent, kMaxTempoPercent);
        if (!percent) {
            line.usageError("--tempo takes a whole percent from 50 to 150, not '" + *text + "'");
            return std::nullopt;
        }
        options.tempoPercent = *percent;
    }
    options.beatClick = line.isSet("click");
    return options;
}

void applySoundOptions(const SoundOptions& options, DocumentPlayback& playback) {
    if (options.lowA) playback.settings.pipes.lowA = *options.lowA;
    playback.tempoPercent = options.tempoPercent;
    playback.beatClick = options.beatClick;
    // The list was built before the options were read.
    if (playback.settings.output == PlaybackOutput::Midi) buildEventList(playback);
}

}  // namespace skirlo
