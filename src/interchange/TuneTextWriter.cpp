#include "interchange/TuneTextWriter.h"

#include <cctype>
#include <utility>

#include "notation/SymbolVocabulary.h"
#include "tunefile/TuneFileFormat.h"
#include "tunefile/TuneSettings.h"

namespace skirlo {

namespace {

constexpr int kRestPitch = PITCH_B;  // where a rest's dot stands

std::string record(const std::string& text, const char* attributes) {
    return "\"" + text + "\",(" + attributes + ")\r\n\r\n";
}

std::string dotName(int pitch, int dots) {
    std::string name(static_cast<std::size_t>(dots), '\'');
    for (const char c : kPitchWords[static_cast<std::size_t>(pitch)]) {
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

bool endsBeamRun(const std::string& token) {
    return token.find('!') != std::string::npos || token.starts_with("REST_");
}

}  // namespace

std::string TuneTextWriter::recordText(std::string_view text) {
    std::string safe;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool endsPartOrStaff = c == '!' && i + 1 < text.size() && (text[i + 1] == 'I' || text[i + 1] == 't');
        if (c == '"') safe += '\'';
        else if (c == '&') safe += '+';
        else if (endsPartOrStaff) safe += '.';
        else if (static_cast<unsigned char>(c) >= 0x20) safe += c;
    }
    // A header word anywhere in the text would begin another tune there.
    for (const std::string_view word : {"Chantrel", "Skirlo", "Tartanix"}) {
        for (std::size_t at = safe.find(word); at != std::string::npos; at = safe.find(word, at + 1)) {
            safe.insert(at + 4, 1, '-');
        }
    }
    return safe;
}

void TuneTextWriter::beginTune(const TuneHeading& heading) {
    heading_ = heading;
    lines_.clear();
    lineOpen_ = partOpen_ = partHasMusic_ = barHasMusic_ = repeatConfirmed_ = false;
    openEnding_.reset();
    pendingEnding_.reset();
    endingClosesAtBar_ = partHasSharedMusic_ = false;
    lastBar_.reset();
    pendingTime_.clear();
    pendingJump_.clear();
    partEndings_.clear();
    repeatEndings_.clear();
    repeatStart_.reset();
    repeatStartPending_ = false;
    segnoOpen_ = false;
    codaWritten_ = false;
    tabNext_ = false;
    tupletLeft_ = tupletSize_ = 0;
}

void TuneTextWriter::writeHeading() {
    if (tuneCount_ > 0) tunes_ += "\"Skirlo: a second tune follows\"\r\n\r\n";
    if (tuneCount_ == 0) firstTempo_ = heading_.tempo;
    else if (heading_.tempo > 0) tunes_ += "TuneTempo," + std::to_string(heading_.tempo) + "\r\n\r\n";
    ++tuneCount_;
    if (!heading_.title.empty()) {
        tunes_ += record(recordText(heading_.title), "T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0");
    }
    if (!heading_.type.empty()) tunes_ += record(recordText(heading_.type), "Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0");
    if (!heading_.composer.empty()) {
        tunes_ += record(recordText(heading_.composer), "M,R,0,0,Times New Roman,14,400,0,0,18,0,0,0");
    }
    if (!heading_.footer.empty()) tunes_ += record(recordText(heading_.footer), "F,R,0,0,Times New Roman,10,400,0,0,18,0,0,0");
}

void TuneTextWriter::push(std::string text, bool tabBefore) { lines_.back().push_back(Token{std::move(text), tabBefore}); }

void TuneTextWriter::ensurePartOpen() {
    if (!lineOpen_) {
        lines_.emplace_back();
        lineOpen_ = true;
        for (const char* name : {"&", "sharpf", "sharpc"}) push(name);
        if (!pendingTime_.empty()) push(std::exchange(pendingTime_, {}));
    }
    if (!partOpen_) {
        push("I!");
        partStart_ = Place{lines_.size() - 1, lines_.back().size() - 1};
        partOpen_ = true;
        partHasMusic_ = partHasSharedMusic_ = false;
        repeatConfirmed_ = false;
        if (std::exchange(repeatStartPending_, false)) repeatStart_ = partStart_;
    }
}

void TuneTextWriter::timeSignature(const std::string& name) {
    if (lineOpen_) push(name);
    else pendingTime_ = name;
}

void TuneTextWriter::tempoMark(int tempo) {
    ensurePartOpen();
    push("TuneTempo," + std::to_string(tempo));
}

void TuneTextWriter::note(const WrittenNote& note) {
    ensurePartOpen();
    // A tab between the beats of a bar; the first beat follows the bar line.
    const bool tab = std::exchange(tabNext_, false) && barHasMusic_;
    const std::size_t first = lines_.back().size();
    if (pendingEnding_) startEnding(*std::exchange(pendingEnding_, std::nullopt));
    // Set as the examples set a variation's name: bold italic, over the note.
    if (!note.text.empty()) push("\"" + recordText(note.text) + "\",(I,L,0,0,Times New Roman,11,700,1,0,0,0,0,0)");
    if (note.tupletCount > 0) {
        push("^" + std::to_string(note.tupletCount) + "s");
        tupletLeft_ = tupletSize_ = note.tupletCount;
    }
    // The tie stands in the bar of the note it holds: a tie is linked only
    // to a note after it in its own bar.
    if (note.tiedFromPrevious) push("^t");
    for (const std::string& name : note.embellishments) push(name);
    if (note.fermata && note.pauseOnEmbellishment) push("fermat");
    if (note.rest) {
        push("REST_" + std::to_string(note.value));
    } else {
        push({});
        lines_.back().back().pitch = note.pitch;
        lines_.back().back().value = note.value;
    }
    if (note.dots > 0) push(dotName(note.rest ? kRestPitch : note.pitch, note.dots));
    if (note.fermata && !note.pauseOnEmbellishment) push("fermat");
    if (tupletLeft_ > 0 && --tupletLeft_ == 0) push("^" + std::to_string(tupletSize_) + "e");
    lines_.back()[first].tabBefore = tab;
    barHasMusic_ = partHasMusic_ = true;
    partHasSharedMusic_ = partHasSharedMusic_ || !openEnding_;
}

void TuneTextWriter::barToken(const std::string& name) {
    tabNext_ = false;
    push(name);
    lastBar_ = Place{lines_.size() - 1, lines_.back().size() - 1};
    barHasMusic_ = false;
    if (!pendingJump_.empty()) {
        segnoOpen_ = segnoOpen_ && pendingJump_ != "dalsegno";
        push(std::exchange(pendingJump_, {}));
    }
}

void TuneTextWriter::direction(const std::string& given) {
    // The coda's sign stands twice: where the return leaves the tune, then
    // where the coda begins.
    const std::string name = given == "coda" && std::exchange(codaWritten_, true) ? std::string(kCodaSectionName) : given;
    const bool jump = name == "dalsegno" || name.starts_with("dacapo");
    if (name == "segno") segnoOpen_ = true;
    if (jump && barHasMusic_) {
        pendingJump_ = name;
        return;
    }
    if (jump && !lines_.empty()) {
        segnoOpen_ = segnoOpen_ && name != "dalsegno";
        lines_.back().push_back(Token{name, false});
        return;
    }
    ensurePartOpen();
    push(name);
}

bool TuneTextWriter::lastTokenIsBar() const {
    return lastBar_ && lastBar_->line + 1 == lines_.size() && lastBar_->token + 1 == lines_.back().size();
}

void TuneTextWriter::barLine() {
    if (!barHasMusic_) return;
    barToken("!");
    if (endingClosesAtBar_) closeEnding();
}

void TuneTextWriter::closeEnding() {
    if (!openEnding_) return;
    openEnding_.reset();
    endingClosesAtBar_ = false;
    if (barHasMusic_ || !lastBar_) {
        push("_'");
        return;
    }
    // The time line ends before the bar line that closed the ending's last bar.
    auto& line = lines_[lastBar_->line];
    line.insert(line.begin() + static_cast<std::ptrdiff_t>(lastBar_->token), Token{"_'", false});
    std::swap(line[lastBar_->token].tabBefore, line[lastBar_->token + 1].tabBefore);
    ++lastBar_->token;
}

void TuneTextWriter::endPart(bool repeated) {
    // A repeat that began in an earlier part plays every part from there
    // twice: a sign at its start and a dal segno at its end say that.
    const bool replaysParts = repeated && repeatStart_ && (repeatStart_->line != partStart_.line ||
                                                           repeatStart_->token != partStart_.token);
    if (replaysParts) {
        repeated = false;
        segnoOpen_ = true;
        partEndings_ = std::move(repeatEndings_);
    }
    // First and second times of a part that is not repeated but replayed by a
    // dal segno are its singling and doubling.
    if (!repeated && segnoOpen_) {
        for (const Place& place : partEndings_) at(place).text = at(place).text == "'1" ? "'si" : "'do";
    }
    partEndings_.clear();
    pendingEnding_.reset();
    const std::string name = repeated ? "''!I" : "!I";
    if (lastTokenIsBar()) at(*lastBar_).text = name;
    else barToken(name);
    if (repeated) at(partStart_).text = "I!''";
    if (replaysParts) {
        push("dalsegno");
        segnoOpen_ = false;
        insertAfter(*repeatStart_, "segno");
    }
    if (repeated || replaysParts) {
        repeatStart_.reset();
        repeatEndings_.clear();
    }
    partOpen_ = false;
    lineOpen_ = false;
    barHasMusic_ = false;
}

void TuneTextWriter::insertAfter(Place place, std::string text) {
    auto& line = lines_[place.line];
    line.insert(line.begin() + static_cast<std::ptrdiff_t>(place.token + 1), Token{std::move(text), false});
    for (Place* later : {&partStart_, lastBar_ ? &*lastBar_ : nullptr}) {
        if (later != nullptr && later->line == place.line && later->token > place.token) ++later->token;
    }
}

void TuneTextWriter::repeatEnd() {
    if (!partOpen_) return;
    if (openEnding_ == 1) {
        closeEnding();
        repeatConfirmed_ = true;
        barLine();
        return;
    }
    closeEnding();
    endPart(true);
}

void TuneTextWriter::repeatStart() {
    if (partOpen_ && partHasMusic_) partEnd();
    repeatEndings_.clear();
    repeatStart_.reset();
    if (partOpen_) repeatStart_ = partStart_;
    else repeatStartPending_ = true;
}

void TuneTextWriter::partEnd() {
    if (!partOpen_) return;
    closeEnding();
    endPart(repeatConfirmed_);
}

void TuneTextWriter::ending(int number) {
    closeEnding();
    pendingEnding_ = number;
}

void TuneTextWriter::startEnding(int number) {
    push("'" + std::to_string(number));
    partEndings_.push_back(Place{lines_.size() - 1, lines_.back().size() - 1});
    if (repeatStart_) repeatEndings_.push_back(partEndings_.back());
    openEnding_ = number;
    // A first time at the start runs until the second; a second time there
    // is the bar the repeat begins with, and the part's music follows it.
    endingClosesAtBar_ = number == 2 && !partHasSharedMusic_ && !repeatConfirmed_;
}

void TuneTextWriter::lineEnd() {
    if (!lineOpen_) return;
    if (!lastTokenIsBar()) barToken("!t");
    else if (at(*lastBar_).text == "!") at(*lastBar_).text = "!t";
    lineOpen_ = false;
}

bool TuneTextWriter::endTune() {
    pendingEnding_.reset();
    if (partOpen_) partEnd();
    if (lines_.empty()) return false;
    writeHeading();
    for (const auto& line : lines_) tunes_ += lineText(line) + "\r\n";
    tunes_ += "\r\n";
    lines_.clear();
    return true;
}

std::string TuneTextWriter::lineText(const std::vector<Token>& tokens) {
    std::vector<std::string> names(tokens.size());
    std::vector<std::size_t> run;
    const auto nameRun = [&] {
        for (std::size_t k = 0; k < run.size(); ++k) {
            const Token& token = tokens[run[k]];
            const char* tail = run.size() < 2 ? "" : k == 0 ? "r" : "l";
            names[run[k]] = std::string(kPitchWords[static_cast<std::size_t>(token.pitch)]) + tail + "_" +
                            std::to_string(token.value);
        }
        run.clear();
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.tabBefore) nameRun();
        if (token.pitch >= 0) {
            if (token.value < 8) nameRun();
            run.push_back(i);
            if (token.value < 8) nameRun();
            continue;
        }
        names[i] = token.text;
        if (endsBeamRun(token.text)) nameRun();
    }
    nameRun();
    std::string text;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i > 0) text += tokens[i].tabBefore ? '\t' : ' ';
        text += names[i];
    }
    return text;
}

std::string TuneTextWriter::text() const {
    const TuneSettings defaults;
    std::string text(kHeaderLine);
    text += midiNoteMappingsLine(defaults) + frequencyMappingsLine(defaults) + instrumentMappingsLine(defaults) +
            gracenoteDurationsLine(defaults) + fontSizesLine(defaults) + tuneFormatLine(defaults);
    if (firstTempo_ > 0) text += tuneTempoLine(firstTempo_);
    return text + "\r\n" + tunes_;
}

}  // namespace skirlo
