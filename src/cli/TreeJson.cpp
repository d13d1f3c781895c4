#include "cli/TreeJson.h"

#include "cli/JsonWriter.h"
#include "notation/TuneTree.h"

namespace skirlo {

namespace {

void writeText(JsonWriter& json, const TextRecord& record) {
    json.beginObject();
    json.field("kind", std::string_view(&record.kind, 1));
    json.field("align", std::string_view(&record.alignment, 1));
    json.field("text", record.text);
    json.field("x", record.x);
    json.field("y", record.y);
    json.field("face", record.description.faceName);
    json.field("size", record.description.heightTenthsOfPoint);
    json.field("weight", record.description.weight);
    json.field("colour", record.colour);
    json.endObject();
}

void writeSymbol(JsonWriter& json, const Symbol& symbol) {
    json.beginObject();
    json.field("name", symbol.name);
    json.field("category", symbol.category);
    json.field("pitch", symbol.pitch);
    json.field("tail", symbol.tailCode);
    json.field("value", symbol.noteValue);
    json.field("flags", static_cast<int>(symbol.timeLines));
    json.field("repeat", static_cast<int>(symbol.repeatMark));
    json.field("tieTarget", symbol.tieTarget);
    json.field("inTuplet", symbol.inTuplet);
    json.field("class", symbol.playbackClass());
    json.field("data", symbol.playbackData());
    json.endObject();
}

template <typename List, typename WriteElement>
void writeList(JsonWriter& json, std::string_view name, const List& list, WriteElement write) {
    json.key(name);
    json.beginArray();
    for (const auto& element : list) write(*element);
    json.endArray();
}

void writeTune(JsonWriter& json, const Tune& tune) {
    json.beginObject();
    json.field("tempo", tune.header.tempo);
    json.field("variationTempo", tune.header.variationTempo);
    json.field("dacapo", tune.daCapo != 0);
    writeList(json, "texts", tune.header.texts, [&](const TextRecord& t) { writeText(json, t); });
    writeList(json, "parts", tune.parts, [&](const PartLayout& part) {
        json.beginObject();
        json.field("coda", part.codaSection != 0);
        writeList(json, "staves", part.staves, [&](const StaffLayout& staff) {
            json.beginObject();
            json.field("coda", staff.codaSection != 0);
            writeList(json, "bars", staff.bars, [&](const BarLayout& bar) {
                json.beginObject();
                json.field("coda", bar.codaSection != 0);
                writeList(json, "symbols", bar.symbols, [&](const Symbol& s) { writeSymbol(json, s); });
                json.endObject();
            });
            json.endObject();
        });
        json.endObject();
    });
    json.endObject();
}

}  // namespace

namespace {

void writeTunes(JsonWriter& json, const std::vector<std::unique_ptr<Tune>>& tunes) {
    json.beginObject();
    writeList(json, "tunes", tunes, [&](const Tune& tune) { writeTune(json, tune); });
    json.endObject();
}

}  // namespace

std::string treeJson(const std::vector<std::unique_ptr<Tune>>& tunes) {
    JsonWriter json;
    writeTunes(json, tunes);
    return json.text() + "\n";
}

bool writeTreeJson(const std::vector<std::unique_ptr<Tune>>& tunes, std::FILE* out) {
    JsonWriter json(out);
    writeTunes(json, tunes);
    return json.flush() && std::fputc('\n', out) != EOF;
}

}  // namespace skirlo
