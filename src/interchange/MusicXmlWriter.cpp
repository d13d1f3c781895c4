#include "interchange/MusicXmlWriter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <utility>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <variant>

#include "interchange/MovementMarks.h"
#include "common/Windows1252.h"
#include "common/XmlText.h"
#include "notation/SymbolVocabulary.h"
#include "notation/TuneTree.h"
#include "playback/PerformanceBuilder.h"
#include "tunefile/TextRecord.h"

namespace skirlo {

namespace {

// Per quarter note: whole notes to 32nds, double dots and every tuplet of 2
// to 7 notes come out as whole numbers of divisions.
constexpr std::int64_t kDivisions = 6720;

// What the performance sounded for a symbol the first time it played.
struct Sounding {
    std::vector<int> pitches;
    int tempo = 0;
    double beatFactor = 0.25;
};

using Soundings = std::unordered_map<const Symbol*, Sounding>;

Soundings firstSoundings(const std::vector<PerformanceEvent>& performance) {
    Soundings soundings;
    const Symbol* current = nullptr;
    Sounding* firstRun = nullptr;  // null while the current run is a replay
    for (const PerformanceEvent& event : performance) {
        if (event.symbol != current) {
            current = event.symbol;
            firstRun = nullptr;
            if (current != nullptr) {
                auto [entry, inserted] = soundings.try_emplace(current, Sounding{{}, event.tempo, event.beatFactor});
                if (inserted) firstRun = &entry->second;
            }
        }
        if (firstRun != nullptr) firstRun->pitches.push_back(event.pitch);
    }
    return soundings;
}

struct XmlNote {
    bool grace = false;
    bool rest = false;
    int pitch = 0;  // MIDI note number
    int value = 4;  // 1 whole .. 32
    int dots = 0;
    int actual = 1;  // tuplet: `actual` notes in the time of `normal`
    int normal = 1;
    bool tupletStart = false;
    bool tupletStop = false;
    bool tieStart = false;
    bool tieStop = false;
    bool slurStart = false;
    bool slurStop = false;
    bool fermata = false;
    std::int32_t tail = TAIL_N;
    std::vector<std::string> beams;  // one per beam level, "begin" .. "backward hook"
};

struct Ending {
    std::string number;
    std::string text;
};

struct XmlMeasure {
    std::string print;       // <print> before everything
    std::string attributes;  // key, time and clef when they change
    bool forwardRepeat = false;
    std::optional<Ending> endingStart;
    std::string rightStyle;  // empty: a plain bar line
    bool backwardRepeat = false;
    std::optional<std::string> endingStop;
    std::vector<std::variant<XmlNote, std::string>> items;  // notes and directions in order
    bool hasNotes = false;
    bool implicit = false;  // a pickup: not counted as a bar, shorter than one
};

std::string_view typeName(int value) {
    switch (value) {
        case 1: return "whole";
        case 2: return "half";
        case 4: return "quarter";
        case 8: return "eighth";
        case 16: return "16th";
        default: return "32nd";
    }
}

std::int64_t divisionsOf(const XmlNote& note) {
    const std::int64_t base = kDivisions * 4 / (note.value > 0 ? note.value : 4);
    std::int64_t length = base;
    for (int dot = 1; dot <= note.dots; ++dot) length += base >> dot;
    return length * note.normal / note.actual;
}

std::string pitchXml(int midi) {
    static constexpr std::array<std::string_view, 12> kSteps = {"C", "C", "D", "D", "E", "F",
                                                                "F", "G", "G", "A", "A", "B"};
    static constexpr std::array<int, 12> kAlters = {0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};
    const int pitchClass = ((midi % 12) + 12) % 12;
    std::string xml = "<pitch><step>" + std::string(kSteps[pitchClass]) + "</step>";
    if (kAlters[pitchClass] != 0) xml += "<alter>1</alter>";
    xml += "<octave>" + std::to_string(midi / 12 - 1) + "</octave></pitch>";
    return xml;
}

std::string noteXml(const XmlNote& note) {
    std::string xml = "<note>";
    if (note.grace) xml += "<grace/>";
    xml += note.rest ? "<rest/>" : pitchXml(note.pitch);
    if (!note.grace) xml += "<duration>" + std::to_string(divisionsOf(note)) + "</duration>";
    if (note.tieStop) xml += "<tie type=\"stop\"/>";
    if (note.tieStart) xml += "<tie type=\"start\"/>";
    xml += "<voice>1</voice><type>" + std::string(typeName(note.value)) + "</type>";
    for (int dot = 0; dot < note.dots; ++dot) xml += "<dot/>";
    if (note.actual != 1) {
        xml += "<time-modification><actual-notes>" + std::to_string(note.actual) + "</actual-notes><normal-notes>" +
               std::to_string(note.normal) + "</normal-notes></time-modification>";
    }
    if (!note.rest) xml += note.grace ? "<stem>up</stem>" : "<stem>down</stem>";
    for (std::size_t level = 0; level < note.beams.size(); ++level) {
        xml += "<beam number=\"" + std::to_string(level + 1) + "\">" + note.beams[level] + "</beam>";
    }
    std::string notations;
    if (note.tieStop) notations += "<tied type=\"stop\"/>";
    if (note.tieStart) notations += "<tied type=\"start\"/>";
    if (note.slurStart) notations += "<slur type=\"start\" number=\"1\"/>";
    if (note.slurStop) notations += "<slur type=\"stop\" number=\"1\"/>";
    if (note.tupletStart) notations += "<tuplet type=\"start\" bracket=\"yes\"/>";
    if (note.tupletStop) notations += "<tuplet type=\"stop\"/>";
    if (note.fermata) notations += "<fermata type=\"upright\"/>";
    if (!notations.empty()) xml += "<notations>" + notations + "</notations>";
    return xml + "</note>\n";
}

// Beams of one level between neighbours that are joined and both carry it.
void beamLevels(std::vector<XmlNote*>& notes, const std::vector<bool>& joinedToNext) {
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const int levels = beamCount(notes[i]->value);
        for (int level = 1; level <= levels; ++level) {
            const bool before = i > 0 && joinedToNext[i - 1] && beamCount(notes[i - 1]->value) >= level;
            const bool after = i + 1 < notes.size() && joinedToNext[i] && beamCount(notes[i + 1]->value) >= level;
            const bool joinedAtAll = (i > 0 && joinedToNext[i - 1]) || (i + 1 < notes.size() && joinedToNext[i]);
            if (before && after) notes[i]->beams.push_back("continue");
            else if (after) notes[i]->beams.push_back("begin");
            else if (before) notes[i]->beams.push_back("end");
            else if (joinedAtAll) notes[i]->beams.push_back(i > 0 && joinedToNext[i - 1] ? "backward hook" : "forward hook");
        }
    }
}

// Melody notes join where the later one has a left tail; gracenotes of one
// embellishment are beamed together.
void setBeams(XmlMeasure& measure) {
    std::vector<XmlNote*> melody;
    std::vector<bool> joined;
    std::vector<XmlNote*> graces;
    const auto flushGraces = [&] {
        if (graces.size() > 1) beamLevels(graces, std::vector<bool>(graces.size() - 1, true));
        graces.clear();
    };
    for (auto& item : measure.items) {
        auto* note = std::get_if<XmlNote>(&item);
        if (note == nullptr) continue;
        if (note->grace) {
            graces.push_back(note);
            continue;
        }
        flushGraces();
        if (note->rest) continue;
        if (!melody.empty()) joined.push_back(note->tail == TAIL_L && beamCount(melody.back()->value) > 0);
        melody.push_back(note);
    }
    flushGraces();
    joined.push_back(false);
    beamLevels(melody, joined);
}

std::string measureXml(XmlMeasure& measure, int number) {
    setBeams(measure);
    std::string xml = "<measure number=\"" + std::to_string(number) + "\"" + (measure.implicit ? " implicit=\"yes\"" : "") +
                      ">\n" + measure.print + measure.attributes;
    // A part that is not repeated starts after the heavy bar line that ended
    // the part before: score readers know a heavy-light start only as a repeat.
    if (measure.forwardRepeat || measure.endingStart) {
        xml += "<barline location=\"left\">";
        xml += measure.forwardRepeat ? "<bar-style>heavy-light</bar-style>" : "<bar-style>regular</bar-style>";
        if (measure.endingStart) {
            xml += "<ending number=\"" + measure.endingStart->number + "\" type=\"start\">" +
                   xmlEscaped(measure.endingStart->text) + "</ending>";
        }
        if (measure.forwardRepeat) xml += "<repeat direction=\"forward\"/>";
        xml += "</barline>\n";
    }
    for (const auto& item : measure.items) {
        if (const auto* note = std::get_if<XmlNote>(&item)) xml += noteXml(*note);
        else xml += std::get<std::string>(item);
    }
    if (!measure.rightStyle.empty() || measure.backwardRepeat || measure.endingStop) {
        xml += "<barline location=\"right\">";
        const std::string style =
            !measure.rightStyle.empty() ? measure.rightStyle : measure.backwardRepeat ? "light-heavy" : "regular";
        xml += "<bar-style>" + style + "</bar-style>";
        if (measure.endingStop) xml += "<ending number=\"" + *measure.endingStop + "\" type=\"stop\"/>";
        if (measure.backwardRepeat) xml += "<repeat direction=\"backward\"/>";
        xml += "</barline>\n";
    }
    return xml + "</measure>\n";
}

std::string direction(std::string_view content, std::string_view sound) {
    std::string xml = "<direction placement=\"above\"><direction-type>" + std::string(content) + "</direction-type>";
    if (!sound.empty()) xml += "<sound " + std::string(sound) + "/>";
    return xml + "</direction>\n";
}

std::string words(std::string_view text, std::string_view style = {}) {
    return "<words" + std::string(style.empty() ? "" : " ") + std::string(style) + ">" + xmlEscaped(text) +
           "</words>";
}

std::string_view beatUnit(double beatFactor, bool& dotted) {
    dotted = false;
    const int eighths = static_cast<int>(beatFactor * 8 + 0.5);
    if (eighths == 3 || eighths == 6 || eighths == 12) {
        dotted = true;
        return eighths == 3 ? "quarter" : eighths == 6 ? "half" : "whole";
    }
    return eighths <= 1 ? "eighth" : eighths <= 2 ? "quarter" : eighths <= 4 ? "half" : "whole";
}

std::string tempoDirection(const Sounding& sounding) {
    bool dotted = false;
    const std::string_view unit = beatUnit(sounding.beatFactor, dotted);
    const double quarters = sounding.tempo * sounding.beatFactor * 4;
    char sound[40];
    std::snprintf(sound, sizeof sound, "tempo=\"%g\"", quarters);
    return direction("<metronome><beat-unit>" + std::string(unit) + "</beat-unit>" + (dotted ? "<beat-unit-dot/>" : "") +
                         "<per-minute>" + std::to_string(sounding.tempo) + "</per-minute></metronome>",
                     sound);
}

std::optional<std::string> timeAttributes(std::string_view name) {
    if (name == "C") return "<time symbol=\"common\"><beats>4</beats><beat-type>4</beat-type></time>";
    if (name == "C_") return "<time symbol=\"cut\"><beats>2</beats><beat-type>2</beat-type></time>";
    const std::size_t underscore = name.find('_');
    if (underscore == std::string_view::npos) return std::nullopt;
    return "<time><beats>" + std::string(name.substr(0, underscore)) + "</beats><beat-type>" +
           std::string(name.substr(underscore + 1)) + "</beat-type></time>";
}

// The tuplet a playback class closes: how many notes, in the time of how many.
std::optional<std::pair<int, int>> tupletRatio(std::string_view playbackClass) {
    switch (playbackClassFromWord(playbackClass)) {
        case PlaybackClass::RunOf3: return std::pair{3, 2};
        case PlaybackClass::Duplet: return std::pair{2, 3};
        case PlaybackClass::Quadruplet: return std::pair{4, 3};
        case PlaybackClass::Quintuplet: return std::pair{5, 3};
        case PlaybackClass::Sextuplet: return std::pair{6, 4};
        case PlaybackClass::Septuplet: return std::pair{7, 4};
        case PlaybackClass::QuadSex: return std::pair{4, 6};
        case PlaybackClass::QuinQuad: return std::pair{5, 4};
        case PlaybackClass::SeptSex: return std::pair{7, 6};
        default: return std::nullopt;
    }
}

std::optional<Ending> endingFor(std::string_view name) {
    if (name == "'1") return Ending{"1", "1."};
    if (name == "'2") return Ending{"2", "2."};
    if (name == "'si") return Ending{"1", "Singling"};
    if (name == "'do") return Ending{"2", "Doubling"};
    return std::nullopt;
}

// For each gracenote of an embellishment's playback data: whether a
// duration code follows its letter.
std::vector<bool> heldGracenotes(std::string_view data) {
    std::vector<bool> held;
    for (char c : data) {
        const bool code = (c >= '0' && c <= '9') || c == '~' || c == '*';
        if (!code) held.push_back(false);
        else if (!held.empty()) held.back() = true;
    }
    return held;
}

template <typename Visit>
void forEachSymbol(const PartLayout& part, Visit visit) {
    for (const auto& staff : part.staves) {
        for (const auto& bar : staff->bars) {
            for (const auto& symbol : bar->symbols) visit(*symbol);
        }
    }
}

// Whether a score reader's repeat plays a sign's parts as the performance
// does: from the sign's part with its singlings, back from the dal segno's
// part with its doublings, on. Score readers differ on signs (some take
// every D.S. to the first sign, some replay a singling after a jump), never
// on a plain repeat with a first and second ending. It holds only with no
// repeat, 'bis, other time line, sign or jump in those parts, and with any
// da capo's Fine or Coda before them (a da capo replays the parts as played).
bool playsAsRepeat(const Tune& tune, const SignSpan& span) {
    if (!span.replayed) return false;
    bool plain = true;
    int signs = 0;
    for (std::size_t p = span.signPart; p <= span.lastPart; ++p) {
        forEachSymbol(*tune.parts[p], [&](const Symbol& symbol) {
            if (symbol.category == CAT_SIGN) ++signs;
            const bool repeatBar = symbol.barLine == BarLineKind::RepeatStart || symbol.barLine == BarLineKind::RepeatEnd;
            const bool otherJump = symbol.category == CAT_SIGN_REPEAT && symbol.direction != DirectionKind::DalSegno;
            const bool otherTimeLine = (symbol.timeLines & ~(kSingling | kDoubling)) != 0;
            if (repeatBar || otherJump || otherTimeLine || symbol.category == CAT_END_TIMELINE_BIS) plain = false;
        });
    }
    if (!plain || signs != 1) return false;
    if (tune.daCapo == 0) return true;
    bool stopBefore = false;
    for (std::size_t p = 0; p < span.signPart; ++p) {
        forEachSymbol(*tune.parts[p], [&](const Symbol& symbol) {
            const bool stop = symbol.direction == DirectionKind::Fine || symbol.direction == DirectionKind::Coda;
            stopBefore = stopBefore || (symbol.category == CAT_SIGN_REPEAT && stop);
        });
    }
    return stopBefore;
}

std::string firstText(const Tune& tune, char kind) {
    for (const auto& text : tune.header.texts) {
        if (text->kind == kind) return tuneTextToUtf8(text->text);
    }
    return {};
}

// Walks one tune's tree, measure by measure.
class TuneWriter {
public:
    TuneWriter(const Tune& tune, int number, const Soundings& soundings, std::map<std::string, int>& leftOut)
        : tune_(tune), number_(number), soundings_(soundings), leftOut_(leftOut) {
        for (const SignSpan& span : signSpans(tune)) {
            if (playsAsRepeat(tune, span)) repeatSpans_.push_back(span);
        }
    }

    std::vector<XmlMeasure> write() {
        const bool firstTune = number_ == 1;
        markTies();
        current_.print = firstTune ? "" : "<print new-system=\"yes\"/>\n";
        current_.attributes =
            "<attributes><divisions>" + std::to_string(kDivisions) +
            "</divisions><key><fifths>2</fifths></key>" + "<clef><sign>G</sign><line>2</line>"
            "<clef-octave-change>-1</clef-octave-change></clef></attributes>\n";
        if (!firstTune) addTitles();
        // A score reader takes "D.C." to the start of the score: a later tune
        // goes back to a sign at its own start instead.
        if (!firstTune && tune_.daCapo != 0) current_.items.emplace_back(direction("<segno/>", mark("segno", "start")));
        if (tune_.header.variationTempo != 0) ++leftOut_["the variation tempo"];
        for (partIndex_ = 0; partIndex_ < tune_.parts.size(); ++partIndex_) {
            const auto& part = tune_.parts[partIndex_];
            partStart_ = measures_.size();
            for (const auto& staff : part->staves) {
                for (const auto& bar : staff->bars) writeBar(*bar);
                current_.print = "<print new-system=\"yes\"/>\n";
            }
        }
        if (current_.hasNotes) measures_.push_back(std::move(current_));
        return std::move(measures_);
    }

private:
    void addTitles() {
        const std::string title = firstText(tune_, 'T');
        const std::string type = firstText(tune_, 'Y');
        const std::string composer = firstText(tune_, 'M');
        if (!title.empty()) current_.items.emplace_back(direction(words(title, "font-size=\"16\" font-weight=\"bold\""), ""));
        if (!type.empty()) current_.items.emplace_back(direction(words(type), ""));
        if (!composer.empty()) current_.items.emplace_back(direction(words(composer), ""));
        // Only the first tune's texts are the page's credits; a later tune's
        // footer goes with its titles rather than be lost.
        const std::string footer = firstText(tune_, 'F');
        if (!footer.empty()) current_.items.emplace_back(direction(words(footer, "font-size=\"10\""), ""));
    }

    void markTies() {
        const Symbol* previous = nullptr;
        for (const auto& part : tune_.parts) {
            for (const auto& staff : part->staves) {
                for (const auto& bar : staff->bars) {
                    for (const auto& symbol : bar->symbols) {
                        if (!isMelodyCategory(symbol->category)) continue;
                        if (symbol->tieTarget && previous != nullptr) tieStarts_.insert(previous);
                        previous = symbol.get();
                    }
                }
            }
        }
    }

    void writeBar(const BarLayout& bar) {
        for (const auto& symbol : bar.symbols) writeSymbol(*symbol);
        if (current_.hasNotes) {
            measures_.push_back(std::move(current_));
            current_ = XmlMeasure{};
            return;
        }
        // A bar without notes (a lone part end, a sign) gives its closing bar
        // line and directions to the measure before it.
        if (measures_.empty()) return;
        XmlMeasure& before = measures_.back();
        if (!current_.rightStyle.empty()) before.rightStyle = current_.rightStyle;
        before.backwardRepeat = before.backwardRepeat || current_.backwardRepeat;
        if (current_.endingStop) before.endingStop = current_.endingStop;
        for (auto& item : current_.items) {
            if (std::holds_alternative<std::string>(item)) before.items.push_back(std::move(item));
        }
        current_.items.clear();
        current_.rightStyle.clear();
        current_.backwardRepeat = false;
        current_.endingStop.reset();
    }

    XmlNote* lastMelodyNote(std::size_t back = 0) {
        for (auto item = current_.items.rbegin(); item != current_.items.rend(); ++item) {
            auto* note = std::get_if<XmlNote>(&*item);
            if (note == nullptr || note->grace) continue;
            if (back == 0) return note;
            --back;
        }
        return nullptr;
    }

    // The note a pause holds: the held gracenote of a cadence written just
    // before it (its E, which the pause lengthens), else the melody note.
    XmlNote* pausedNote() {
        for (auto item = current_.items.rbegin(); item != current_.items.rend(); ++item) {
            auto* note = std::get_if<XmlNote>(&*item);
            if (note == nullptr || !note->grace) break;
            if (note->value < 32) return note;
        }
        return lastMelodyNote();
    }

    XmlNote* lastNoteOfTune() {
        if (XmlNote* note = lastMelodyNote()) return note;
        for (auto measure = measures_.rbegin(); measure != measures_.rend(); ++measure) {
            for (auto item = measure->items.rbegin(); item != measure->items.rend(); ++item) {
                auto* note = std::get_if<XmlNote>(&*item);
                if (note != nullptr && !note->grace) return note;
            }
        }
        return nullptr;
    }

    void leaveOut(const std::string& what) { ++leftOut_[what]; }

    void writeSymbol(const Symbol& symbol) {
        // An in-line text (a variation's name) stands above the music where it is written.
        if (symbol.inlineText != nullptr && !symbol.inlineText->text.empty()) {
            current_.items.emplace_back(direction(words(tuneTextToUtf8(symbol.inlineText->text), "font-style=\"italic\""), ""));
        }
        const std::int32_t category = symbol.category;
        if (isMelodyCategory(category) || category == CAT_REST) return note(symbol);
        switch (category) {
            case CAT_DOTS: return dots(symbol);
            case CAT_FERMATA:
                if (XmlNote* before = pausedNote()) before->fermata = true;
                return;
            case CAT_RUNS_OF_3:
            case CAT_RUNS_OF_3_END: return tuplet(symbol);
            case CAT_START_TIMELINE: return startEnding(symbol);
            case CAT_END_TIMELINE:
            case CAT_END_TIMELINE_BIS: return stopEnding();
            case CAT_TIME_SIGNATURE: return timeSignature(symbol);
            case CAT_START_SECTION: return startPart(symbol);
            case CAT_END_SECTION: return endPart(symbol);
            case CAT_BAR:
                if (symbol.barLine == BarLineKind::Double) current_.rightStyle = "light-light";
                return;
            case CAT_SIGN: return sign(symbol);
            case CAT_SIGN_REPEAT: return signRepeat(symbol);
            case CAT_TEMPO_MARK:
                tempoPending_ = true;
                // The performance keeps the mark's tempo when the part repeats; a
                // score's reader goes back to the tempo written before it.
                if (repeatedPart_) leaveOut(symbol.name + " in a repeated part (its tempo on the repeat)");
                return;
            // An arc from ^ts to ^te is drawn over notes that are each struck.
            case CAT_TIES_START: spanOpen_ = true; return;
            case CAT_TIES_END:
                if (XmlNote* last = lastNoteOfTune()) last->slurStop = true;
                return;
            case CAT_TIES: return;  // the note after it is held: its tie
            case CAT_G_CLEF:
            case CAT_BEAT_SEPARATOR:
            case CAT_NOTE_CHANGE:
            case CAT_RUNS_OF_3_START: return;  // said by the clef, the key, the pitches and the tuplet
            default: return graces(symbol);
        }
    }

    // Notes before a repeated part's start in its first bar are a pickup
    // played once: a measure of their own, so that the repeat starts after them.
    void startPart(const Symbol& symbol) {
        const bool repeated = symbol.barLine == BarLineKind::RepeatStart || repeatSpanAt(&SignSpan::signPart);
        if (repeated && current_.hasNotes) {
            current_.implicit = true;
            measures_.push_back(std::move(current_));
            current_ = XmlMeasure{};
        }
        current_.forwardRepeat = repeated;
        repeatedPart_ = repeated;
        musicAfterEndings_ = false;
    }

    void note(const Symbol& symbol) {
        const auto sounded = soundings_.find(&symbol);
        if (sounded == soundings_.end() || sounded->second.pitches.empty()) {
            leaveOut(symbol.name + " (never played, so its pitch is unknown)");
            return;
        }
        tempoBefore(sounded->second);
        XmlNote note;
        note.rest = symbol.category == CAT_REST;
        note.pitch = sounded->second.pitches.front();
        note.value = symbol.noteValue;
        note.tail = symbol.tailCode;
        note.tieStop = symbol.tieTarget && !note.rest;
        note.tieStart = tieStarts_.contains(&symbol);
        note.slurStart = std::exchange(spanOpen_, false);
        musicAfterEndings_ = musicAfterEndings_ || !openEnding_;
        current_.items.emplace_back(note);
        current_.hasNotes = true;
    }

    // The tune's tempo goes before its first note, a tempo mark's before the next.
    void tempoBefore(const Sounding& sounding) {
        if (tempoWritten_ && !tempoPending_) return;
        current_.items.emplace_back(tempoDirection(sounding));
        tempoWritten_ = true;
        tempoPending_ = false;
    }

    void graces(const Symbol& symbol) {
        const auto sounded = soundings_.find(&symbol);
        if (sounded == soundings_.end() || sounded->second.pitches.empty()) {
            if (!symbol.playbackData().empty()) leaveOut(symbol.name + " (never played, so its pitches are unknown)");
            else if (const auto mark = movementMarkWords(symbol.name)) current_.items.emplace_back(direction(words(*mark), ""));
            else if (symbol.category != CAT_PIOB_OVERNEXT && symbol.category != CAT_PIOB_UNDERNEXT) leaveOut(symbol.name);
            else leaveOut(symbol.name + " (a piobaireachd mark)");
            return;
        }
        tempoBefore(sounded->second);
        const std::vector<bool> held = heldGracenotes(symbol.playbackData());
        const std::vector<int>& pitches = sounded->second.pitches;
        for (std::size_t i = 0; i < pitches.size(); ++i) {
            XmlNote grace;
            grace.grace = true;
            grace.pitch = pitches[i];
            // A gracenote with a duration code of its own (a cadence's E) is
            // held: written as an eighth among thirty-seconds.
            grace.value = held.size() == pitches.size() && held[i] ? 8 : 32;
            current_.items.emplace_back(grace);
        }
    }

    void dots(const Symbol& symbol) {
        XmlNote* before = lastMelodyNote();
        if (before == nullptr) return leaveOut(symbol.name + " (a dot with no note before it in its bar)");
        before->dots += playbackClassFromWord(symbol.playbackClass()) == PlaybackClass::DoubleDot ? 2 : 1;
    }

    void tuplet(const Symbol& symbol) {
        const auto ratio = tupletRatio(symbol.playbackClass());
        if (!ratio) return;
        const auto [count, normal] = *ratio;
        std::vector<XmlNote*> notes;
        for (int back = count - 1; back >= 0; --back) {
            if (XmlNote* note = lastMelodyNote(static_cast<std::size_t>(back))) notes.push_back(note);
        }
        if (static_cast<int>(notes.size()) != count) {
            return leaveOut(symbol.name + " (a tuplet whose notes are not all in its bar)");
        }
        for (XmlNote* note : notes) {
            note->actual = count;
            note->normal = normal;
        }
        notes.front()->tupletStart = true;
        notes.back()->tupletStop = true;
    }

    void startEnding(const Symbol& symbol) {
        std::optional<Ending> ending = endingFor(symbol.name);
        if (!ending) return leaveOut(symbol.name + " time line");
        openEnding_ = ending->number;
        current_.endingStart = std::move(ending);
    }

    void stopEnding() {
        if (!openEnding_) return;
        XmlMeasure& target = current_.hasNotes || measures_.empty() ? current_ : measures_.back();
        target.endingStop = openEnding_;
        if (*openEnding_ == "1") firstEndingEnd_ = &target == &current_ ? measures_.size() : measures_.size() - 1;
        openEnding_.reset();
        musicAfterEndings_ = false;
    }

    void endPart(const Symbol& symbol) {
        // Endings at the start of a part, the part's own music after them:
        // the repeat goes back from the part's end, each ending taken in turn.
        const bool endingsFirst = !openEnding_ && musicAfterEndings_;
        stopEnding();
        current_.rightStyle = "light-heavy";
        // Played twice with a first ending: the score repeats from the end of
        // the first ending and closes the part after the second.
        const bool repeats = symbol.barLine == BarLineKind::RepeatEnd;
        if (repeatSpanAt(&SignSpan::lastPart)) {
            current_.backwardRepeat = true;
        } else if (repeats && firstEndingEnd_ && *firstEndingEnd_ >= partStart_ && !endingsFirst) {
            if (*firstEndingEnd_ < measures_.size()) measures_[*firstEndingEnd_].backwardRepeat = true;
            else current_.backwardRepeat = true;
        } else {
            current_.backwardRepeat = repeats;
        }
        if (repeats && !repeatedPart_) {
            leaveOut(symbol.name + " (a repeat with no repeated part start)");
        }
        firstEndingEnd_.reset();
        repeatedPart_ = false;
        musicAfterEndings_ = false;
    }

    void timeSignature(const Symbol& symbol) {
        const std::optional<std::string> time = timeAttributes(symbol.name);
        if (!time) return leaveOut(symbol.name + " time signature");
        if (current_.attributes.empty()) {
            current_.attributes = "<attributes>" + *time + "</attributes>\n";
        } else {
            current_.attributes.insert(current_.attributes.find("<clef>") == std::string::npos
                                           ? current_.attributes.find("</attributes>")
                                           : current_.attributes.find("<clef>"),
                                       *time);
        }
    }

    // The repeat's start and end are its sign and its dal segno.
    bool inRepeatSpan() const {
        return std::any_of(repeatSpans_.begin(), repeatSpans_.end(), [this](const SignSpan& span) {
            return partIndex_ >= span.signPart && partIndex_ <= span.lastPart;
        });
    }

    bool repeatSpanAt(std::size_t SignSpan::*end) const {
        return std::any_of(repeatSpans_.begin(), repeatSpans_.end(),
                           [this, end](const SignSpan& span) { return span.*end == partIndex_; });
    }

    void sign(const Symbol& symbol) {
        if (symbol.direction == DirectionKind::Segno && inRepeatSpan()) return;
        if (symbol.direction == DirectionKind::Segno) {
            ++segnos_;
            current_.items.emplace_back(direction("<segno/>", "segno=\"" + segnoName() + "\""));
            return;
        }
        leaveOut(symbol.name);
    }

    void signRepeat(const Symbol& symbol) {
        switch (symbol.direction) {
            case DirectionKind::Fine: current_.items.emplace_back(direction(words("Fine"), "fine=\"yes\"")); break;
            // Score readers take "To Coda" as where the return leaves; a
            // second coda sign would read as a second coda.
            case DirectionKind::Coda: current_.items.emplace_back(direction(words("To Coda"), mark("tocoda", "coda"))); break;
            case DirectionKind::CodaSection:
                current_.items.emplace_back(direction("<coda/>", mark("coda", "coda")));
                break;
            case DirectionKind::DalSegno:
                if (inRepeatSpan()) break;
                current_.items.emplace_back(direction(words("D.S."), "dalsegno=\"" + segnoName() + "\""));
                break;
            case DirectionKind::DaCapoAlFine: current_.items.emplace_back(fromTheStart("Fine")); break;
            case DirectionKind::DaCapoAlCoda: current_.items.emplace_back(fromTheStart("Coda")); break;
            default: leaveOut(symbol.name);
        }
    }

    // Signs are named per tune, so that a jump stays inside its own tune.
    std::string mark(std::string_view attribute, std::string_view sign) const {
        return std::string(attribute) + "=\"" + std::string(sign) + std::to_string(number_) + "\"";
    }

    // A dal segno goes back to the latest sign before it, as the performance
    // does: each sign of a tune has a name of its own.
    std::string segnoName() const {
        const std::string first = "segno" + std::to_string(number_);
        return segnos_ <= 1 ? first : first + "." + std::to_string(segnos_);
    }

    // From the start of the tune to the Fine or the Coda: for a later tune,
    // a dal segno to the sign at its start.
    std::string fromTheStart(std::string_view to) const {
        if (number_ == 1) return direction(words("D.C. al " + std::string(to)), "dacapo=\"yes\"");
        return direction(words("D.S. al " + std::string(to)), mark("dalsegno", "start"));
    }

    const Tune& tune_;
    int number_;
    int segnos_ = 0;  // signs met so far in this tune
    const Soundings& soundings_;
    std::map<std::string, int>& leftOut_;
    std::unordered_set<const Symbol*> tieStarts_;
    std::vector<XmlMeasure> measures_;
    XmlMeasure current_;
    std::size_t partStart_ = 0;
    std::size_t partIndex_ = 0;
    std::vector<SignSpan> repeatSpans_;  // signs and dal segnos written as repeats
    std::optional<std::string> openEnding_;
    std::optional<std::size_t> firstEndingEnd_;
    bool repeatedPart_ = false;
    bool tempoWritten_ = false;
    bool tempoPending_ = false;
    bool spanOpen_ = false;
    bool musicAfterEndings_ = false;  // music outside any ending since the last ending closed
};

std::string credits(const Tune& tune) {
    struct Credit {
        char kind;
        const char* place;
    };
    static constexpr Credit kCredits[] = {
        {'T', "default-x=\"600\" default-y=\"1600\" justify=\"center\" valign=\"top\" font-size=\"22\""},
        {'Y', "default-x=\"100\" default-y=\"1530\" justify=\"left\" valign=\"top\" font-size=\"12\""},
        {'M', "default-x=\"1100\" default-y=\"1530\" justify=\"right\" valign=\"top\" font-size=\"12\""},
        {'F', "default-x=\"600\" default-y=\"90\" justify=\"center\" valign=\"bottom\" font-size=\"10\""},
    };
    std::string xml;
    for (const Credit& credit : kCredits) {
        const std::string text = firstText(tune, credit.kind);
        if (text.empty()) continue;
        xml += "<credit page=\"1\"><credit-words " + std::string(credit.place) + ">" + xmlEscaped(text) +
               "</credit-words></credit>\n";
    }
    return xml;
}

std::string scoreHeader(const Tune* first) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
        "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 3.1 Partwise//EN\" "
        "\"http://www.musicxml.org/dtds/partwise.dtd\">\n"
        "<score-partwise version=\"3.1\">\n";
    const std::string title = first != nullptr ? firstText(*first, 'T') : std::string();
    const std::string composer = first != nullptr ? firstText(*first, 'M') : std::string();
    if (!title.empty()) xml += "<work><work-title>" + xmlEscaped(title) + "</work-title></work>\n";
    xml += "<identification>";
    if (!composer.empty()) xml += "<creator type=\"composer\">" + xmlEscaped(composer) + "</creator>";
    xml += "<encoding><software>Skirlo</software></encoding></identification>\n"
           "<defaults><scaling><millimeters>7</millimeters><tenths>40</tenths></scaling>"
           "<page-layout><page-height>1697</page-height><page-width>1200</page-width>"
           "<page-margins type=\"both\"><left-margin>80</left-margin><right-margin>80</right-margin>"
           "<top-margin>80</top-margin><bottom-margin>80</bottom-margin></page-margins></page-layout></defaults>\n";
    if (first != nullptr) xml += credits(*first);
    xml += "<part-list><score-part id=\"P1\"><part-name>Bagpipe</part-name>"
           "<score-instrument id=\"P1-I1\"><instrument-name>Bagpipe</instrument-name></score-instrument>"
           "<midi-instrument id=\"P1-I1\"><midi-channel>1</midi-channel><midi-program>110</midi-program>"
           "</midi-instrument></score-part></part-list>\n<part id=\"P1\">\n";
    return xml;
}

}  // namespace

MusicXmlScore writeMusicXml(const std::vector<std::unique_ptr<Tune>>& tunes,
                            const std::vector<PerformanceEvent>& performance) {
    const Soundings soundings = firstSoundings(performance);
    std::map<std::string, int> leftOut;
    MusicXmlScore score;
    score.xml = scoreHeader(tunes.empty() ? nullptr : tunes.front().get());
    int number = 0;
    for (std::size_t index = 0; index < tunes.size(); ++index) {
        std::vector<XmlMeasure> measures = TuneWriter(*tunes[index], static_cast<int>(index) + 1, soundings, leftOut).write();
        for (XmlMeasure& measure : measures) score.xml += measureXml(measure, ++number);
    }
    score.xml += "</part>\n</score-partwise>\n";
    for (const auto& [what, count] : leftOut) {
        score.leftOut.push_back(what + (count > 1 ? " (" + std::to_string(count) + " times)" : ""));
    }
    return score;
}

}  // namespace skirlo
