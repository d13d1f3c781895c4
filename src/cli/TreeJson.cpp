#include "cli/TreeJson.h"

#include "cli/JsonWriter.h"
#include "engraving/InkBoxes.h"
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
}

void writeBoxes(JsonWriter& json, std::string_view name, const std::vector<Rect>& boxes) {
    json.key(name);
    json.beginArray();
    for (const Rect& r : boxes) {
        json.beginArray();
        json.value(r.left);
        json.value(r.top);
        json.value(r.right);
        json.value(r.bottom);
        json.endArray();
    }
    json.endArray();
}

void writePlace(JsonWriter& json, const MusicRenderer& renderer, const BarLayout& bar, std::size_t index,
                const StaffLayout& staff) {
    const Symbol& s = *bar.symbols[index];
    json.field("x", s.x);
    json.field("y", s.y);
    json.field("advance", s.advanceWidth);
    json.field("stem", s.stemX);
    json.field("centre", s.centreX);
    const SymbolInk ink = inkOf(renderer, bar, index, staff);
    writeBoxes(json, "ink", ink.all);
    if (!ink.flags.empty()) writeBoxes(json, "flagInk", ink.flags);
    if (!ink.beams.empty()) writeBoxes(json, "beamInk", ink.beams);
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
}

template <typename List, typename WriteElement>
void writeList(JsonWriter& json, std::string_view name, const List& list, WriteElement write) {
    json.key(name);
    json.beginArray();
    for (const auto& element : list) write(*element);
    json.endArray();
}

void writeTune(JsonWriter& json, const Tune& tune, const MusicRenderer* layout) {
    json.beginObject();
    if (layout != nullptr) {
        json.field("x", tune.x);
        json.field("y", tune.y);
        json.field("width", tune.width);
        json.field("height", tune.height);
    }
    json.field("tempo", tune.header.tempo);
    json.field("variationTempo", tune.header.variationTempo);
    json.field("dacapo", tune.daCapo != 0);
    writeList(json, "texts", tune.header.texts, [&](const TextRecord& t) {
        writeText(json, t);
        if (layout != nullptr) writeBoxes(json, "box", {{t.box.left, t.box.top, t.box.right, t.box.bottom}});
        json.endObject();
    });
    writeList(json, "parts", tune.parts, [&](const PartLayout& part) {
        json.beginObject();
        json.field("coda", part.codaSection != 0);
        writeList(json, "staves", part.staves, [&](const StaffLayout& staff) {
            json.beginObject();
            json.field("coda", staff.codaSection != 0);
            if (layout != nullptr) {
                json.field("x", staff.x);
                json.field("y", staff.y);
                json.field("width", staff.width);
                json.field("height", staff.height);
                json.field("top", staff.lineY[0]);
                json.field("space", staff.lineY[1] - staff.lineY[0]);
                json.field("lineThickness", staff.lineThickness);
            }
            writeList(json, "bars", staff.bars, [&](const BarLayout& bar) {
                json.beginObject();
                json.field("coda", bar.codaSection != 0);
                if (layout != nullptr) {
                    json.field("x", bar.x);
                    json.field("width", bar.width);
                }
                json.key("symbols");
                json.beginArray();
                for (std::size_t i = 0; i < bar.symbols.size(); ++i) {
                    writeSymbol(json, *bar.symbols[i]);
                    if (layout != nullptr) writePlace(json, *layout, bar, i, staff);
                    json.endObject();
                }
                json.endArray();
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

void writeTunes(JsonWriter& json, const std::vector<std::unique_ptr<Tune>>& tunes, const MusicRenderer* layout) {
    json.beginObject();
    writeList(json, "tunes", tunes, [&](const Tune& tune) { writeTune(json, tune, layout); });
    json.endObject();
}

}  // namespace

std::string treeJson(const std::vector<std::unique_ptr<Tune>>& tunes, const MusicRenderer* layout) {
    JsonWriter json;
    writeTunes(json, tunes, layout);
    return json.text() + "\n";
}

bool writeTreeJson(const std::vector<std::unique_ptr<Tune>>& tunes, std::FILE* out, const MusicRenderer* layout) {
    JsonWriter json(out);
    writeTunes(json, tunes, layout);
    return json.flush() && std::fputc('\n', out) != EOF;
}

}  // namespace skirlo
