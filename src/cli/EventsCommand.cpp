#include <algorithm>
#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/Commands.h"
#include "cli/JsonWriter.h"
#include "playback/SymbolTraits.h"

namespace skirlo {

namespace {

std::string eventsJson(const std::vector<PerformanceEvent>& events) {
    JsonWriter json;
    json.beginArray();
    for (const PerformanceEvent& event : events) {
        json.beginObject();
        json.field("pitch", event.pitch);
        json.field("duration", static_cast<long long>(event.duration));
        json.field("name", std::string_view(event.name));
        json.field("flags", static_cast<int>(event.flags));
        json.field("tempo", event.tempo);
        json.field("numerator", event.numerator);
        json.field("exponent", event.exponent);
        // What a reader of the MIDI file needs to know which notes are struck.
        json.field("rest", isRest(event.symbol));
        json.field("tieTarget", isTieTarget(event.symbol));
        json.endObject();
    }
    json.endArray();
    return json.text();
}

}  // namespace

int runEvents(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    auto environment = openEnvironment(args);
    if (!environment) return 1;
    const auto speaker = std::find(args.begin(), args.end(), "--speaker");
    const PlaybackOutput output = speaker != args.end() ? PlaybackOutput::Speaker : PlaybackOutput::Midi;
    if (speaker != args.end()) args.erase(speaker);
    if (args.size() != 1) return usageError("events FILE [--speaker]");
    auto document = openDocument(args[0], *environment, output);
    if (!document) return 1;
    const std::string json = eventsJson(document->playback().performance.events());
    std::fwrite(json.data(), 1, json.size(), stdout);
    return 0;
}

}  // namespace skirlo
