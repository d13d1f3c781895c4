#include "TreeMaker.h"

#include <map>
#include <sstream>

namespace skirlo::test {

namespace {

struct Named {
    std::string_view name;
    Row row;
};

const Named kRows[] = {
    {"!", {CAT_BAR}},
    {"!t", {CAT_END_SECTION}},
    {"I!", {CAT_START_SECTION}},
    {"!I", {CAT_END_SECTION}},
    {"I!''", {CAT_START_SECTION}},
    {"''!I", {CAT_END_SECTION}},
    {"&", {CAT_G_CLEF}},
    {"_'", {CAT_END_TIMELINE}},
    {"_'b", {CAT_END_TIMELINE_BIS}},
    {"4_4", {CAT_TIME_SIGNATURE}},
    {"2_4", {CAT_TIME_SIGNATURE}},
    {"6_8", {CAT_TIME_SIGNATURE}},
    {"C", {CAT_TIME_SIGNATURE}},
    {"C_", {CAT_TIME_SIGNATURE}},
    {"3_2", {CAT_TIME_SIGNATURE}},
    {"sharpc", {CAT_NOTE_CHANGE, "no_sound", "#c"}},
    {"naturalc", {CAT_NOTE_CHANGE, "no_sound", "^c"}},
    {"sharpf", {CAT_NOTE_CHANGE, "no_sound", "#f"}},
    {"'c", {CAT_DOTS, "dot"}},
    {"'e", {CAT_DOTS, "dot"}},
    {"''e", {CAT_DOTS, "doubledot"}},
    {"^3s", {CAT_RUNS_OF_3_START}},
    {"^3e", {CAT_RUNS_OF_3_END, "run_of_3"}},
    {"^2e", {CAT_RUNS_OF_3_END, "duplet"}},
    {"^4e", {CAT_RUNS_OF_3_END, "quadruplet"}},
    {"fermat", {CAT_FERMATA, "fermata"}},
    {"gg", {CAT_GRACENOTES, "embellishment", "G"}},
    {"dbe", {CAT_EMBELISHMENTS, "embellishment", "Gef"}},
    {"grp", {CAT_EMBELISHMENTS, "embellishment", "gdg"}},
    {"g2d", {CAT_EMBELISHMENTS, "embellishment", "g2d"}},
    {"qx*z", {CAT_EMBELISHMENTS, "embellishment", "qx*A~"}},
    {"over", {CAT_PIOB_OVERNEXT, "embellishment", "e1"}},
    {"uprev", {CAT_PIOB_UNDERPREV, "embellishment", "e3d3"}},
    {"camach", {CAT_PIOB_UNDERNEXT_CAMACH, "embellishment", "G"}},
    {"^t", {CAT_TIES}},
    {"segno", {CAT_SIGN}},
    {"dalsegno", {CAT_SIGN_REPEAT}},
    {"dacapoalfine", {CAT_SIGN_REPEAT}},
    {"dacapoalcoda", {CAT_SIGN_REPEAT}},
    {"fine", {CAT_SIGN_REPEAT}},
    {"coda", {CAT_SIGN_REPEAT}},
    {"codasection", {CAT_SIGN_REPEAT}},
    {"REST_4", {CAT_REST, "melody", "b4"}},
    {"REST_8", {CAT_REST, "melody", "b8"}},
};

// Melody notes P_v: the pitch word and its letter in the note map.
const std::pair<std::string_view, std::pair<char, int>> kPitches[] = {
    {"LG", {'g', PITCH_LG}}, {"LA", {'a', PITCH_LA}}, {"B", {'b', PITCH_B}},   {"C", {'c', PITCH_C}},
    {"D", {'d', PITCH_D}},   {"E", {'e', PITCH_E}},   {"F", {'f', PITCH_F}},   {"HG", {'G', PITCH_HG}},
    {"HA", {'A', PITCH_HA}}};

// Playback data of the melody notes, kept for the views the symbols hold.
const std::string& melodyData(char letter, int value) {
    static std::map<std::pair<char, int>, std::string> data;
    auto [it, added] = data.try_emplace({letter, value}, std::string(1, letter) + std::to_string(value));
    return it->second;
}

// The map row a symbol points to, made once per name so that it outlives
// every tree made from it, as the symbol map does.
const SymbolMapEntry* entryFor(std::string_view name, const Row& row) {
    static std::map<std::string, SymbolMapEntry, std::less<>> entries;
    auto found = entries.find(name);
    if (found == entries.end()) {
        SymbolMapEntry entry;
        entry.playbackClass = std::string(row.playbackClass);
        entry.playbackData = std::string(row.playbackData);
        found = entries.emplace(std::string(name), std::move(entry)).first;
    }
    return &found->second;
}

bool isPartEnd(std::string_view name) { return name == "!I" || name == "''!I"; }
bool isBarEnd(std::string_view name) {
    return name == "!" || name == "!t" || name == "I!" || name == "I!''" || isPartEnd(name);
}
// Directions stay with the bar line before them.
bool isDirection(std::string_view name) {
    return name == "dalsegno" || name == "dacapoalfine" || name == "dacapoalcoda";
}

}  // namespace

Row rowFor(std::string_view name) {
    for (const Named& named : kRows) {
        if (named.name == name) return named.row;
    }
    if (name.find("TuneTempo") != std::string_view::npos || name.find("VariationTempo") != std::string_view::npos) {
        return {CAT_TEMPO_MARK};
    }
    if (timeLineBit(name) != 0 || (name.size() > 1 && name[0] == '\'')) return {CAT_START_TIMELINE};
    const std::size_t underscore = name.find('_');
    if (underscore != std::string_view::npos) {
        for (const auto& [word, pitch] : kPitches) {
            if (name.substr(0, underscore) == word) {
                const int value = std::stoi(std::string(name.substr(underscore + 1)));
                return {CAT_MELODY_NO_TAIL, "melody", melodyData(pitch.first, value), pitch.second, value};
            }
        }
    }
    return {};
}

TreeMaker& TreeMaker::part() {
    pending_ = Level::Part;
    return *this;
}

TreeMaker& TreeMaker::staff() {
    if (pending_ != Level::Part) pending_ = Level::Staff;
    return *this;
}

TreeMaker& TreeMaker::bar() {
    if (pending_ == Level::None) pending_ = Level::Bar;
    return *this;
}

void TreeMaker::open() {
    if (pending_ == Level::Part || tune_->parts.empty()) {
        tune_->parts.push_back(std::make_unique<PartLayout>());
        timeLines_ = 0;
        pending_ = Level::Staff;
    }
    PartLayout& part = *tune_->parts.back();
    if (pending_ == Level::Staff || part.staves.empty()) {
        part.staves.push_back(std::make_unique<StaffLayout>());
        pending_ = Level::Bar;
    }
    StaffLayout& staff = *part.staves.back();
    if (pending_ == Level::Bar || staff.bars.empty()) {
        staff.bars.push_back(std::make_unique<BarLayout>());
        // A coda section runs on from its bar to the end of the part.
        staff.bars.back()->codaSection = part.codaSection;
    }
    pending_ = Level::None;
}

Symbol& TreeMaker::append(std::string name) {
    if (!isDirection(name) || tune_->parts.empty()) open();
    PartLayout& part = *tune_->parts.back();
    BarLayout& bar = *part.staves.back()->bars.back();
    auto symbol = std::make_unique<Symbol>();
    const Row row = rowFor(name);
    symbol->setEntry(entryFor(name, row));
    symbol->name = std::move(name);
    symbol->barLine = barLineKindOf(symbol->name);  // as the bar builder sets them
    symbol->direction = directionKindOf(symbol->name);
    symbol->category = static_cast<std::int16_t>(row.category);
    symbol->pitch = static_cast<std::int16_t>(row.pitch);
    symbol->noteValue = row.noteValue;
    symbol->staff = part.staves.back().get();
    symbol->previousSymbol = lastSymbol_;
    symbol->backLink = lastSymbol_;
    if (row.category == CAT_START_TIMELINE) {
        timeLines_ = timeLineBit(symbol->name) == 0 ? 0 : static_cast<TimeLineFlags>(timeLines_ | timeLineBit(symbol->name));
    } else if (row.category == CAT_END_TIMELINE || row.category == CAT_END_TIMELINE_BIS) {
        timeLines_ = closeTimeLines(timeLines_);
    }
    symbol->timeLines = timeLines_;
    Symbol& made = *symbol;
    bar.symbols.push_back(std::move(symbol));
    lastSymbol_ = &made;
    return made;
}

TreeMaker& TreeMaker::add(std::string_view names) {
    std::istringstream words{std::string(names)};
    std::string name;
    bool inTuplet = false;
    while (words >> name) {
        Symbol& symbol = append(name);
        if (isMelodyCategory(symbol.category) || symbol.category == CAT_REST) {
            symbol.inTuplet = inTuplet;
            symbol.tieTarget = tieOpen_;
            tieOpen_ = false;
            if (pendingForward_ != nullptr) pendingForward_->forwardLink = &symbol;
            pendingForward_ = nullptr;
            previousNote_ = &symbol;
        }
        if (symbol.category == CAT_TIES) tieOpen_ = true;
        if (symbol.category == CAT_PIOB_UNDERNEXT_CAMACH) pendingForward_ = &symbol;
        if (symbol.name == "^3s") inTuplet = true;
        if (symbol.category == CAT_RUNS_OF_3_END) inTuplet = false;
        if (symbol.name == "fine" || symbol.name == "coda") {
            for (Symbol* s = symbol.previousSymbol; s != nullptr; s = s->previousSymbol) {
                if (s->playbackClass() == "melody" || s->playbackClass() == "embellishment") {
                    s->repeatMark = symbol.name == "fine" ? 1 : 2;
                    break;
                }
            }
        }
        if (symbol.name == "codasection") {
            tune_->parts.back()->staves.back()->bars.back()->codaSection = 1;
            tune_->parts.back()->codaSection = 1;
        }
        if (symbol.name == "dacapoalfine" || symbol.name == "dacapoalcoda") tune_->daCapo = 1;
        if (isPartEnd(symbol.name)) part();
        else if (symbol.name == "!t") staff();
        else if (isBarEnd(symbol.name)) bar();
        if (isBarEnd(symbol.name)) lastSymbol_ = nullptr;
    }
    return *this;
}

}  // namespace skirlo::test
