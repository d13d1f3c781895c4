#include "interchange/MusicXmlReader.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "interchange/EmbellishmentTable.h"
#include "interchange/MovementMarks.h"
#include "interchange/TuneTextWriter.h"
#include "notation/SymbolVocabulary.h"

namespace skirlo {

namespace {

// The score as a tree of elements, each with its attributes and the text
// directly inside it. Expat reads the bytes; no entity outside the file is
// ever fetched.
struct Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;
    std::vector<std::unique_ptr<Element>> children;
    Element* parent = nullptr;
};

using Node = const Element*;

// A score nests a few levels deep; far deeper is not a score.
constexpr int kMaxDepth = 64;

struct TreeBuilder {
    std::unique_ptr<Element> root;
    Element* current = nullptr;
    int depth = 0;
    bool tooDeep = false;

    static void start(void* data, const XML_Char* name, const XML_Char** attributes) {
        auto& builder = *static_cast<TreeBuilder*>(data);
        if (++builder.depth > kMaxDepth) {
            builder.tooDeep = true;
            return;
        }
        auto element = std::make_unique<Element>();
        element->name = name;
        for (int i = 0; attributes[i] != nullptr && attributes[i + 1] != nullptr; i += 2) {
            element->attributes.emplace_back(attributes[i], attributes[i + 1]);
        }
        element->parent = builder.current;
        Element* made = element.get();
        if (builder.current == nullptr) builder.root = std::move(element);
        else builder.current->children.push_back(std::move(element));
        builder.current = made;
    }
    static void end(void* data, const XML_Char*) {
        auto& builder = *static_cast<TreeBuilder*>(data);
        if (builder.depth-- > kMaxDepth) return;
        if (builder.current != nullptr) builder.current = builder.current->parent;
    }
    static void characters(void* data, const XML_Char* text, int length) {
        auto& builder = *static_cast<TreeBuilder*>(data);
        if (builder.current != nullptr && builder.depth <= kMaxDepth) builder.current->text.append(text, std::size_t(length));
    }
};

// The document's root element, or none with the reason in `error`.
std::unique_ptr<Element> parseXml(std::string_view xml, std::string& error) {
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate("UTF-8"),
                                                                               XML_ParserFree);
    if (!parser) {
        error = "no memory to read the score";
        return nullptr;
    }
    TreeBuilder builder;
    XML_SetUserData(parser.get(), &builder);
    XML_SetElementHandler(parser.get(), TreeBuilder::start, TreeBuilder::end);
    XML_SetCharacterDataHandler(parser.get(), TreeBuilder::characters);
    std::size_t at = 0;
    constexpr std::size_t kPiece = 1 << 20;
    bool done = false;
    while (!done) {
        const std::size_t length = std::min(kPiece, xml.size() - at);
        done = at + length == xml.size();
        const bool parsed = XML_Parse(parser.get(), xml.data() + at, static_cast<int>(length), done) != XML_STATUS_ERROR;
        if (builder.tooDeep) {
            error = "elements nested more than " + std::to_string(kMaxDepth) + " deep: not a score";
            return nullptr;
        }
        if (!parsed) {
            error = "not well-formed XML (line " + std::to_string(XML_GetCurrentLineNumber(parser.get())) + ": " +
                    XML_ErrorString(XML_GetErrorCode(parser.get())) + ")";
            return nullptr;
        }
        at += length;
    }
    if (!builder.root) error = "no element in the file";
    return std::move(builder.root);
}

bool named(Node node, std::string_view name) { return node != nullptr && node->name == name; }

Node child(Node node, std::string_view name) {
    if (node == nullptr) return nullptr;
    for (const auto& c : node->children) {
        if (c->name == name) return c.get();
    }
    return nullptr;
}

std::vector<Node> children(Node node, std::string_view name = {}) {
    std::vector<Node> found;
    if (node == nullptr) return found;
    for (const auto& c : node->children) {
        if (name.empty() || c->name == name) found.push_back(c.get());
    }
    return found;
}

// The text inside an element, without the blanks around it.
std::string text(Node node) {
    if (node == nullptr) return {};
    const std::size_t first = node->text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const std::size_t last = node->text.find_last_not_of(" \t\r\n");
    return node->text.substr(first, last - first + 1);
}

std::string attribute(Node node, const char* name) {
    if (node == nullptr) return {};
    for (const auto& [key, value] : node->attributes) {
        if (key == name) return value;
    }
    return {};
}

std::optional<int> number(const std::string& digits) {
    if (digits.empty() || digits.size() > 6) return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A pitch as a semitone number (middle C 60), or none for a rest or an
// unpitched note.
std::optional<int> semitones(Node note) {
    const Node pitch = child(note, "pitch");
    if (pitch == nullptr) return std::nullopt;
    static constexpr std::array<int, 7> kSteps{9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    const std::string step = text(child(pitch, "step"));
    const auto octave = number(text(child(pitch, "octave")));
    if (step.size() != 1 || step[0] < 'A' || step[0] > 'G' || !octave) return std::nullopt;
    int alter = 0;
    const std::string alterText = text(child(pitch, "alter"));
    if (alterText == "1") alter = 1;
    if (alterText == "-1") alter = -1;
    return kSteps[static_cast<std::size_t>(step[0] - 'A')] + alter + 12 * (*octave + 1);
}

// The chanter's degree (0 low G .. 8 high A) of a semitone number an octave
// shift puts between low G (55) and high A (69); C and F either way, the
// chanter's being sharp.
std::optional<int> degreeOf(int semitone) {
    switch (semitone) {
        case 55: return 0;
        case 57: return 1;
        case 59: return 2;
        case 60: case 61: return 3;
        case 62: return 4;
        case 64: return 5;
        case 65: case 66: return 6;
        case 67: return 7;
        case 69: return 8;
        default: return std::nullopt;
    }
}

// The note value of a type name: 1 whole .. 32 thirty-second.
std::optional<int> valueOf(const std::string& type) {
    static const std::map<std::string, int> kValues{{"whole", 1}, {"half", 2},  {"quarter", 4},
                                                    {"eighth", 8}, {"16th", 16}, {"32nd", 32}};
    const auto found = kValues.find(type);
    if (found == kValues.end()) return std::nullopt;
    return found->second;
}

// Quarters in a beat of a time signature, as the performance counts beats:
// a dotted quarter in eighths, a half in halves, a dotted eighth in sixteenths.
double quartersInBeat(std::string_view name) {
    if (name.ends_with("_8")) return 1.5;
    if (name.ends_with("_2") || name == "C_") return 2;
    if (name.ends_with("_16")) return 0.75;
    return 1;
}

// The symbol name of a time signature: "6_8", "C", "C_".
std::string timeName(Node time) {
    if (time == nullptr) return {};
    const std::string symbol = attribute(time, "symbol");
    if (symbol == "common") return "C";
    if (symbol == "cut") return "C_";
    return text(child(time, "beats")) + "_" + text(child(time, "beat-type"));
}

// The octaves to move the part's notes by so that most of them fall on the
// chanter: scores write it at its written octave, an octave lower, or higher.
int octaveShift(const std::vector<Node>& measures) {
    std::map<int, int> fits;
    for (int shift = -3; shift <= 3; ++shift) fits[shift] = 0;
    for (Node measure : measures) {
        for (Node note : children(measure, "note")) {
            const auto pitch = semitones(note);
            if (!pitch) continue;
            for (auto& [shift, count] : fits) count += degreeOf(*pitch + 12 * shift) ? 1 : 0;
        }
    }
    int best = 0;
    for (const auto& [shift, count] : fits) {
        if (count > fits[best] || (count == fits[best] && std::abs(shift) < std::abs(best))) best = shift;
    }
    return best;
}

// The part the chanter plays: one named for it, else the first.
std::string chanterPartId(Node score, int& otherParts) {
    std::vector<std::pair<std::string, std::string>> parts;  // id, name
    for (Node part : children(child(score, "part-list"), "score-part")) {
        parts.emplace_back(attribute(part, "id"), lower(text(child(part, "part-name"))));
    }
    otherParts = parts.empty() ? 0 : static_cast<int>(parts.size()) - 1;
    for (const auto& [id, name] : parts) {
        for (const char* word : {"pipe", "chanter", "bagpipe"}) {
            if (name.find(word) != std::string::npos) return id;
        }
    }
    return parts.empty() ? std::string() : parts.front().first;
}

class PartReader {
public:
    PartReader(const EmbellishmentTable& table, MusicXmlImport& result) : table_(table), result_(result) {}

    void read(Node score, Node part) {
        heading_.title = text(child(child(score, "work"), "work-title"));
        if (heading_.title.empty()) heading_.title = text(child(score, "movement-title"));
        for (Node creator : children(child(score, "identification"), "creator")) {
            if (attribute(creator, "type") == "composer") heading_.composer = text(creator);
        }
        // The tune type stands at the left under the title on the first
        // page, the footer at its foot.
        for (Node credit : children(score, "credit")) {
            const Node words = child(credit, "credit-words");
            if (attribute(words, "justify") == "left" && heading_.type.empty()) heading_.type = text(words);
            if (attribute(words, "valign") == "bottom" && heading_.footer.empty()) heading_.footer = text(words);
        }
        const std::vector<Node> measures = children(part, "measure");
        shift_ = octaveShift(measures);
        for (Node measure : measures) readMeasure(measure);
        finishTune();
    }

private:
    // The tune begins where its music does: what stands before its first
    // note or bar line (title, tempo, time) is its heading.
    void ensureTune() {
        if (tuneOpen_) return;
        writer_.beginTune(heading_);
        tuneOpen_ = true;
        if (!pendingTime_.empty()) writer_.timeSignature(std::exchange(pendingTime_, {}));
    }

    void finishTune() {
        if (!pendingText_.empty()) lose("words over the music with no note after them");
        pendingText_.clear();
        if (!tuneOpen_) return;
        writer_.lineEnd();
        if (writer_.endTune()) ++result_.tunes;
        tuneOpen_ = false;
        result_.tuneText = writer_.text();
    }

    void lose(const std::string& what) { ++lost_[what]; }

    void readMeasure(Node measure) {
        // A later tune of our own export opens a new system under its bold title.
        const Node print = child(measure, "print");
        const bool newSystem = print != nullptr && attribute(print, "new-system") == "yes";
        if (newSystem && tuneOpen_ && startsTune(measure)) {
            finishTune();
            heading_ = {};
            lastTempo_ = 0;
            musicStarted_ = segnoAtStart_ = false;
            laterTune_ = true;
            takeHeading(measure);
        }
        if (newSystem && tuneOpen_) writer_.lineEnd();
        // The tempo over a tune's first notes is the tune's own, in its heading.
        if (!tuneOpen_) {
            for (Node item : children(measure)) {
                if (named(item, "note")) break;
                if (named(item, "attributes")) beatQuarters_ = quartersInBeat(timeName(child(item, "time")));
                if (named(item, "direction")) sound(child(item, "sound"));
            }
        }
        bool repeatsBack = false;
        bool partEnds = false;
        bool endingStops = false;
        for (Node item : children(measure)) {
            if (named(item, "attributes")) attributes(item);
            else if (named(item, "barline")) barline(item, repeatsBack, partEnds, endingStops);
            else if (named(item, "direction")) direction(item);
            else if (named(item, "note")) note(item);
            else if (named(item, "sound")) sound(item);
            else if (named(item, "backup") || named(item, "forward")) lose("second voices in the part");
        }
        if (!graces_.empty()) {
            lose("gracenotes with no note after them in their bar");
            graces_.clear();
        }
        ensureTune();
        if (repeatsBack) writer_.repeatEnd();
        else if (partEnds) writer_.partEnd();
        else writer_.barLine();
        if (endingStops && !repeatsBack && !partEnds) writer_.endingStop();
    }

    // A later tune's title, type, composer and footer: the words over its
    // first measure, the title in bold; they are not read again as words.
    void takeHeading(Node measure) {
        for (Node direction : children(measure, "direction")) {
            for (Node type : children(direction, "direction-type")) {
                const Node words = child(type, "words");
                if (words == nullptr) continue;
                const std::string said = lower(text(words));
                if (isJumpWords(said)) continue;
                if (movementMarkNamed(text(words))) continue;
                if (headingText(text(words), true)) headingWords_.insert(words);
            }
        }
    }

    // Whether the measure's first direction is a title in bold: a tune begins.
    bool startsTune(Node measure) {
        for (Node direction : children(measure, "direction")) {
            for (Node type : children(direction, "direction-type")) {
                const Node words = child(type, "words");
                if (words != nullptr && attribute(words, "font-weight") == "bold") return true;
            }
        }
        return false;
    }

    void attributes(Node node) {
        const Node time = child(node, "time");
        if (time == nullptr) return;
        const std::string name = timeName(time);
        if (!table_.hasName(name)) return lose("time signatures the symbol map lacks");
        beatQuarters_ = quartersInBeat(name);
        if (tuneOpen_) writer_.timeSignature(name);
        else pendingTime_ = name;
    }

    void barline(Node node, bool& repeatsBack, bool& partEnds, bool& endingStops) {
        const bool left = attribute(node, "location") == "left";
        const Node repeat = child(node, "repeat");
        const std::string style = text(child(node, "bar-style"));
        ensureTune();
        if (left && repeat != nullptr && attribute(repeat, "direction") == "forward") writer_.repeatStart();
        if (const Node ending = child(node, "ending"); ending != nullptr && attribute(ending, "type") == "start") {
            const auto first = number(attribute(ending, "number").substr(0, 1));
            if (first == 1 || first == 2) writer_.ending(*first);
            else lose("endings other than first and second");
        }
        if (left) return;
        const std::string endingType = attribute(child(node, "ending"), "type");
        endingStops = endingType == "stop" || endingType == "discontinue";
        if (repeat != nullptr && attribute(repeat, "direction") == "backward") repeatsBack = true;
        if (style == "light-heavy" || style == "light-light") partEnds = true;
    }

    void direction(Node node) {
        for (Node type : children(node, "direction-type")) {
            if (child(type, "segno") != nullptr) {
                // A sign over a later tune's first measure, before its first note
                // (our own export's for that tune's da capo), makes its dal segno a
                // da capo: a score's "D.C." would go back to the first tune.
                if ((laterTune_ && !musicStarted_) || attribute(child(node, "sound"), "segno").starts_with("start")) {
                    segnoAtStart_ = true;
                    continue;
                }
                ensureTune();
                writer_.direction("segno");
            } else if (child(type, "coda") != nullptr) {
                // The sign where the coda begins says so; one the return
                // leaves the tune at says "tocoda", or nothing.
                const Node sound = child(node, "sound");
                const bool begins = !attribute(sound, "coda").empty() && attribute(sound, "tocoda").empty();
                ensureTune();
                writer_.direction(begins ? std::string(kCodaSectionName) : "coda");
            } else if (const Node words = child(type, "words"); words != nullptr) {
                if (!headingWords_.contains(words)) jumpOrText(node, text(words));
            } else if (child(type, "metronome") == nullptr) {
                ++notices_["directions that sound nothing (dynamics, pedals, brackets)"];
            }
        }
        sound(child(node, "sound"));
    }

    // Words that say where the playing goes (in lower case).
    static bool isJumpWords(const std::string& said) {
        return said == "fine" || said.starts_with("to coda") || said.starts_with("d.c.") || said.starts_with("d.s.");
    }

    void jumpOrText(Node direction, const std::string& words) {
        const std::string said = lower(words);
        const bool toStart = segnoAtStart_ || attribute(child(direction, "sound"), "dalsegno").starts_with("start");
        if (const auto mark = movementMarkNamed(words)) {
            pendingMarks_.emplace_back(*mark);
            return;
        }
        if (!isJumpWords(said) && !tuneOpen_ && headingText(words)) return;
        ensureTune();
        if (said == "fine") return writer_.direction("fine");
        if (said.starts_with("to coda")) return writer_.direction("coda");
        if (said.starts_with("d.c.") || (toStart && said.starts_with("d.s."))) {
            return writer_.direction(said.find("coda") != std::string::npos ? "dacapoalcoda" : "dacapoalfine");
        }
        if (said.starts_with("d.s.")) return writer_.direction("dalsegno");
        pendingText_ += (pendingText_.empty() ? "" : " ") + words;
    }

    // A later tune's title, type and composer (and our export's footer) stand
    // as words before its music; false when the heading is full (words over
    // the first note).
    bool headingText(const std::string& words, bool footerToo = false) {
        for (std::string* field : {&heading_.title, &heading_.type, &heading_.composer, &heading_.footer}) {
            if (field == &heading_.footer && !footerToo) break;
            if (field->empty()) {
                *field = words;
                return true;
            }
        }
        return false;
    }

    // A score's tempo counts quarters a minute; a tune's counts its beats.
    void sound(Node node) {
        const std::string given = attribute(node, "tempo");
        double quarters = 0;
        const auto [end, problem] = std::from_chars(given.data(), given.data() + given.size(), quarters);
        if (given.empty() || problem != std::errc() || quarters < 1 || quarters > 1000) return;
        const int tempo = static_cast<int>(std::lround(quarters / beatQuarters_));
        if (!tuneOpen_) heading_.tempo = tempo;
        else if (tempo != lastTempo_) writer_.tempoMark(tempo);
        lastTempo_ = tempo;
    }

    std::optional<int> degree(Node note) {
        const auto pitch = semitones(note);
        if (!pitch) return std::nullopt;
        return degreeOf(*pitch + 12 * shift_);
    }

    void note(Node node) {
        if (child(node, "chord") != nullptr) return lose("chord notes (the first note of each chord kept)");
        if (child(node, "cue") != nullptr) return lose("cue notes");
        if (const Node grace = child(node, "grace"); grace != nullptr) return gracenote(node);
        const bool rest = child(node, "rest") != nullptr;
        const auto pitch = degree(node);
        if (!rest && !pitch) {
            graces_.clear();
            return lose("notes off the chanter's scale");
        }
        WrittenNote written;
        written.rest = rest;
        written.pitch = pitch.value_or(0);
        const auto value = valueOf(text(child(node, "type")));
        if (!value) {
            graces_.clear();
            return lose("notes of a length the notation cannot write");
        }
        written.value = *value;
        written.dots = static_cast<int>(children(node, "dot").size());
        written.embellishments = std::move(pendingMarks_);
        pendingMarks_.clear();
        written.text = std::exchange(pendingText_, {});
        for (std::string& name : embellishments()) written.embellishments.push_back(std::move(name));
        const Node notations = child(node, "notations");
        for (Node tie : children(node, "tie")) written.tiedFromPrevious |= attribute(tie, "type") == "stop";
        for (Node tied : children(notations, "tied")) written.tiedFromPrevious |= attribute(tied, "type") == "stop";
        written.fermata = child(notations, "fermata") != nullptr || pauseOnGrace_;
        written.pauseOnEmbellishment = std::exchange(pauseOnGrace_, false);
        for (Node tuplet : children(notations, "tuplet")) {
            if (attribute(tuplet, "type") != "start") continue;
            const auto actual = number(text(child(child(node, "time-modification"), "actual-notes")));
            if (actual) written.tupletCount = *actual;
        }
        if (child(notations, "slur") != nullptr) ++notices_["slurs (a chanter cannot slur)"];
        ensureTune();
        musicStarted_ = true;
        const std::string beam = text(child(node, "beam"));
        if (beam != "continue" && beam != "end") writer_.beatBreak();
        writer_.note(written);
    }

    void gracenote(Node node) {
        const auto pitch = degree(node);
        if (!pitch) return lose("gracenotes off the chanter's scale");
        // A gracenote written longer than its neighbours is held: a cadence's E.
        const auto value = valueOf(text(child(node, "type")));
        graces_.push_back({*pitch, value.value_or(32) <= 8});
        // A pause over a cadence holds its E.
        pauseOnGrace_ = pauseOnGrace_ || child(child(node, "notations"), "fermata") != nullptr;
    }

    // The grace group before a note: its named embellishment, else its single gracenotes.
    std::vector<std::string> embellishments() {
        std::vector<std::string> names;
        if (graces_.empty()) return names;
        std::vector<int> pitches;
        bool held = false;
        for (const Grace& grace : graces_) {
            pitches.push_back(grace.pitch);
            held = held || grace.held;
        }
        graces_.clear();
        if (const auto name = table_.nameFor(pitches, held)) return {*name};
        for (const int pitch : pitches) {
            if (const auto single = table_.nameFor({pitch})) names.push_back(*single);
            else lose("gracenotes the symbol map has no single gracenote for");
        }
        return names;
    }

    struct Grace {
        int pitch;
        bool held;
    };

    const EmbellishmentTable& table_;
    MusicXmlImport& result_;
    TuneTextWriter writer_;
    TuneHeading heading_;
    int shift_ = 0;
    double beatQuarters_ = 1;  // quarters in a beat of the time signature
    bool tuneOpen_ = false;
    int lastTempo_ = 0;
    std::string pendingTime_;
    std::vector<Grace> graces_;
    std::vector<std::string> pendingMarks_;  // movement marks over the next note
    std::string pendingText_;                // words over the next note
    bool pauseOnGrace_ = false;
    bool musicStarted_ = false;  // a note of the current tune has been read
    bool segnoAtStart_ = false;  // a sign before its first note
    bool laterTune_ = false;     // not the score's first tune
    std::set<Node> headingWords_;

public:
    std::map<std::string, int> lost_;
    std::map<std::string, int> notices_;
};

std::vector<std::string> counted(const std::map<std::string, int>& kinds) {
    std::vector<std::string> lines;
    for (const auto& [what, count] : kinds) lines.push_back(std::to_string(count) + " " + what);
    return lines;
}

}  // namespace

MusicXmlImport importMusicXml(std::string_view xml, const EmbellishmentTable& table) {
    MusicXmlImport result;
    const std::unique_ptr<Element> root = parseXml(xml, result.error);
    if (!root) return result;
    const Node score = root.get();
    if (named(score, "score-timewise")) {
        result.error = "a timewise score: save it from the score editor as MusicXML (partwise)";
        return result;
    }
    if (!named(score, "score-partwise")) {
        result.error = "not a MusicXML score (no score-partwise element)";
        return result;
    }
    int otherParts = 0;
    const std::string id = chanterPartId(score, otherParts);
    Node part = nullptr;
    for (Node candidate : children(score, "part")) {
        if (attribute(candidate, "id") == id || (part == nullptr && id.empty())) part = candidate;
    }
    if (part == nullptr) {
        result.error = "the score has no part";
        return result;
    }
    PartReader reader(table, result);
    reader.read(score, part);
    if (otherParts > 0) reader.lost_["parts besides the chanter's (only the chanter's is read)"] = otherParts;
    if (result.tunes == 0) {
        result = {};
        result.error = "the chanter's part holds no notes";
        return result;
    }
    result.lost = counted(reader.lost_);
    result.notices = counted(reader.notices_);
    return result;
}

}  // namespace skirlo
