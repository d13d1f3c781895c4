#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/JsonWriter.h"
#include "playback/SymbolTraits.h"

namespace skirlo {

namespace {

const CommandSpec kEvents{"events", "FILE [--speaker] [--profile FILE]",
                          "Prints the performance of FILE, one event a note, as JSON: pitches are MIDI note\n"
                          "numbers, or frequencies in hertz with --speaker; durations are in milliseconds.",
                          {"FILE"},
                          {{"speaker", "", "perform for the PC speaker: pitches as frequencies"}}};

// Written as it is made, so that the JSON of a large file needs no memory of its size.
bool writeEventsJson(const std::vector<PerformanceEvent>& events, std::FILE* out) {
    JsonWriter json(out);
    json.beginArray();
    for (const PerformanceEvent& event : events) {
        json.beginObject();
        json.field("pitch", event.pitch);
        json.field("duration", static_cast<long long>(event.duration));
        json.field("name", std::string_view(event.name));
        json.field("flags", static_cast<int>(event.flags));
        json.field("tempo", event.tempo);
        json.field("numerator", event.numerator);
        json.field("exponent", static_cast<int>(event.exponent));
        // What a reader of the MIDI file needs to know which notes are struck.
        json.field("rest", isRest(event.symbol));
        json.field("tieTarget", isTieTarget(event.symbol));
        json.endObject();
    }
    json.endArray();
    return json.flush();
}

}  // namespace

int runEvents(const std::vector<std::string>& args) {
    CommandLine line(kEvents);
    if (const auto status = line.parse(args)) return *status;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    const PlaybackOutput output = line.isSet("speaker") ? PlaybackOutput::Speaker : PlaybackOutput::Midi;
    auto document = openDocument(line.files()[0], *environment, output);
    if (!document) return 1;
    if (writeEventsJson(document->playback().performance.events(), stdout)) return 0;
    std::fprintf(stderr, "skirlo-cli: the events could not be written to standard output\n");
    return 1;
}

}  // namespace skirlo
