#include "interchange/AbcReader.h"

#include <cstdint>
#include <numeric>
#include <optional>
#include <utility>

#include "interchange/EmbellishmentTable.h"
#include "interchange/TuneTextWriter.h"

namespace skirlo {

namespace {

// A length as a fraction of a whole note.
struct Fraction {
    std::int64_t num = 1;
    std::int64_t den = 8;
};

Fraction reduced(Fraction f) {
    const std::int64_t divisor = std::gcd(f.num, f.den);
    return divisor > 1 ? Fraction{f.num / divisor, f.den / divisor} : f;
}

Fraction times(Fraction a, std::int64_t num, std::int64_t den) { return reduced({a.num * num, a.den * den}); }

// The chanter's nine notes as pipe ABC writes them, low G to high A.
constexpr std::string_view kChanterLetters = "GABcdefga";

int pitchOf(char letter) {
    const std::size_t at = kChanterLetters.find(letter);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

bool isNoteLetter(char c) { return (c >= 'A' && c <= 'G') || (c >= 'a' && c <= 'g'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// The digits at `at` as a number below a million; none when there are no
// digits or too many (all of them are read either way).
std::optional<std::int64_t> number(std::string_view text, std::size_t& at) {
    const std::size_t start = at;
    std::int64_t value = 0;
    while (at < text.size() && isDigit(text[at])) {
        if (at - start < 6) value = value * 10 + (text[at] - '0');
        ++at;
    }
    if (at == start || at - start > 6) return std::nullopt;
    return value;
}

// "3/8", "1/4", "3": a fraction, or none.
std::optional<Fraction> fraction(std::string_view text) {
    std::size_t at = 0;
    const auto num = number(text, at);
    if (!num || *num == 0) return std::nullopt;
    if (at == text.size()) return Fraction{*num, 1};
    if (text[at] != '/') return std::nullopt;
    ++at;
    const auto den = number(text, at);
    if (!den || *den == 0 || at != text.size()) return std::nullopt;
    return reduced({*num, *den});
}

// The written note value and dots of a length, when one note can say it.
bool noteValueOf(Fraction length, int& value, int& dots) {
    for (int candidate : {1, 2, 4, 8, 16, 32}) {
        for (int dotCount = 0; dotCount <= 2; ++dotCount) {
            // (2^(dots+1) - 1) / (value * 2^dots)
            const std::int64_t num = (std::int64_t{2} << dotCount) - 1;
            const std::int64_t den = std::int64_t{candidate} << dotCount;
            if (length.num * den == length.den * num) {
                value = candidate;
                dots = dotCount;
                return true;
            }
        }
    }
    return false;
}

std::string describe(Fraction f) { return std::to_string(f.num) + "/" + std::to_string(f.den); }

struct PendingNote {
    WrittenNote note;
    Fraction length;
    int line = 0;
    int column = 0;
};

class AbcReader {
public:
    explicit AbcReader(const EmbellishmentTable& table) : table_(table) {}

    AbcImport read(std::string_view abc) {
        std::size_t start = 0;
        int lineNumber = 0;
        bool continued = false;
        while (start <= abc.size()) {
            std::size_t end = abc.find('\n', start);
            if (end == std::string_view::npos) end = abc.size();
            std::string_view line = abc.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            ++lineNumber;
            continued = readLine(line, lineNumber, continued);
            if (end == abc.size()) break;
            start = end + 1;
        }
        endTune();
        result_.tuneText = result_.tunes > 0 ? writer_.text() : std::string();
        return std::move(result_);
    }

private:
    enum class Place { Outside, Header, Body };

    void report(int line, std::size_t column, std::string text) {
        result_.messages.push_back(AbcMessage{line, static_cast<int>(column) + 1, std::move(text)});
    }

    // Returns whether the line ended in a continuation backslash.
    bool readLine(std::string_view line, int lineNumber, bool continued) {
        line_ = lineNumber;
        if (trimmed(line).empty()) {
            if (place_ != Place::Outside) endTune();
            return false;
        }
        if (line.front() == '%') return continued;
        if (line.size() >= 2 && line[1] == ':' && ((line[0] >= 'A' && line[0] <= 'Z') || (line[0] >= 'a' && line[0] <= 'z'))) {
            column_ = 0;
            field(line[0], trimmed(line.substr(2)), false);
            return false;
        }
        if (place_ == Place::Outside) {
            report(line_, 0, "text outside a tune (no X: field before it) skipped");
            return false;
        }
        if (place_ == Place::Header) {
            report(line_, 0, "music before the K: field: the tune is read as K:HP");
            beginBody();
        }
        return body(line);
    }

    void field(char key, std::string_view value, bool inLine) {
        if (key == 'X') {
            if (inLine) return report(line_, column_, "an X: field inside the music skipped");
            endTune();
            place_ = Place::Header;
            tuneLine_ = line_;
            heading_ = TuneHeading{};
            titles_ = 0;
            meter_ = Fraction{4, 4};
            meterGiven_ = false;
            unit_.reset();
            tempo_.reset();
            return;
        }
        if (place_ == Place::Outside) return report(line_, 0, std::string(1, key) + ": field outside a tune skipped");
        switch (key) {
            case 'T': return title(value);
            case 'R': return headerText(heading_.type, value, key);
            case 'C': return headerText(heading_.composer, value, key);
            case 'M': return meter(value);
            case 'L': return unitLength(value);
            case 'Q': return tempo(value);
            case 'K': return keyField(value);
            default: report(line_, column_, std::string(1, key) + ": field skipped");
        }
    }

    void title(std::string_view value) {
        ++titles_;
        if (place_ == Place::Body) return report(line_, column_, "T: field inside the music skipped");
        if (titles_ == 1) heading_.title = std::string(value);
        else if (titles_ == 2 && heading_.type.empty()) heading_.type = std::string(value);
        else report(line_, column_, "a further T: field skipped");
    }

    void headerText(std::string& slot, std::string_view value, char key) {
        if (place_ == Place::Body) return report(line_, column_, std::string(1, key) + ": field inside the music skipped");
        slot = std::string(value);
    }

    void meter(std::string_view value) {
        std::string name;
        Fraction parsed;
        if (value == "C") {
            name = "C";
            parsed = {4, 4};
        } else if (value == "C|") {
            name = "C_";
            parsed = {2, 2};
        } else if (const auto f = fraction(value); f && value.find('/') != std::string_view::npos) {
            const std::size_t slash = value.find('/');
            name = std::string(value.substr(0, slash)) + "_" + std::string(value.substr(slash + 1));
            parsed = {std::stoll(std::string(value.substr(0, slash))), std::stoll(std::string(value.substr(slash + 1)))};
        }
        if (name.empty() || !table_.hasName(name)) {
            return report(line_, column_, "M:" + std::string(value) + " has no time signature in the symbol map; skipped");
        }
        meter_ = parsed;
        meterGiven_ = true;
        if (place_ == Place::Body) writer_.timeSignature(name);
        else timeName_ = name;
    }

    void unitLength(std::string_view value) {
        const auto f = fraction(value);
        if (!f || value.find('/') == std::string_view::npos) {
            return report(line_, column_, "L:" + std::string(value) + " is not a length such as 1/8; skipped");
        }
        unit_ = *f;
    }

    // Beats a minute of the tune's beat (a dotted quarter in eighths time)
    // from a Q: field's notes a minute.
    void tempo(std::string_view value) {
        const std::size_t equals = value.find('=');
        std::optional<Fraction> beat = equals == std::string_view::npos ? unit() : std::optional<Fraction>();
        std::string_view count = value;
        if (equals != std::string_view::npos) {
            std::string_view left = trimmed(value.substr(0, equals));
            if (const std::size_t quote = left.rfind('"'); quote != std::string_view::npos) left = trimmed(left.substr(quote + 1));
            beat = fraction(left);
            count = trimmed(value.substr(equals + 1));
        }
        std::size_t at = 0;
        const auto perMinute = number(count, at);
        if (!beat || !perMinute || at != count.size()) {
            return report(line_, column_, "Q:" + std::string(value) + " is not a tempo such as 1/4=80; skipped");
        }
        if (place_ == Place::Body) writer_.tempoMark(beatsPerMinute(*beat, *perMinute));
        else tempo_ = std::pair{*beat, *perMinute};
    }

    int beatsPerMinute(Fraction beat, std::int64_t perMinute) const {
        const Fraction beatOfTune = meter_.den >= 8 ? Fraction{3, meter_.den} : Fraction{1, meter_.den};
        const std::int64_t num = perMinute * beat.num * beatOfTune.den;
        const std::int64_t den = beat.den * beatOfTune.num;
        return static_cast<int>((num + den / 2) / den);
    }

    void keyField(std::string_view value) {
        const std::string_view mode = value.substr(0, value.find_first_of(" \t%"));
        if (mode != "HP" && mode != "Hp") {
            report(line_, column_, "K:" + std::string(value) + " is read as the pipe scale (K:HP)");
        }
        if (place_ == Place::Header) beginBody();
    }

    Fraction unit() const {
        if (unit_) return *unit_;
        // ABC's default: sixteenths in a metre under 3/4, else eighths.
        return meter_.num * 4 < meter_.den * 3 && meterGiven_ ? Fraction{1, 16} : Fraction{1, 8};
    }

    void beginBody() {
        place_ = Place::Body;
        heading_.tempo = tempo_ ? beatsPerMinute(tempo_->first, tempo_->second) : 0;
        for (const auto& [text, what] : {std::pair{&heading_.title, "title"}, std::pair{&heading_.type, "type"},
                                         std::pair{&heading_.composer, "composer"}}) {
            const std::string safe = TuneTextWriter::recordText(*text);
            if (safe != *text) report(line_, 0, std::string("the ") + what + " is written as \"" + safe + "\"");
        }
        writer_.beginTune(heading_);
        if (!timeName_.empty()) writer_.timeSignature(std::exchange(timeName_, {}));
    }

    void endTune() {
        const Place place = std::exchange(place_, Place::Outside);
        if (place == Place::Outside) return;
        if (place == Place::Body) {
            flush();
            if (!nextNote_.embellishments.empty()) report(line_, 0, "gracenotes with no note after them skipped");
            nextNote_ = WrittenNote{};
            writer_.lineEnd();
            if (writer_.endTune()) {
                ++result_.tunes;
                return;
            }
        }
        report(tuneLine_, 0, "the tune has no music; skipped");
    }

    // ---- the music ----

    bool body(std::string_view text) {
        text_ = text;
        std::size_t at = 0;
        while (at < text.size()) {
            column_ = at;
            const char c = text[at];
            if (c == '%') break;
            if (c == '\\' && trimmed(text.substr(at + 1)).empty()) {
                flush();
                return true;
            }
            at = element(at);
        }
        flush();
        writer_.lineEnd();
        return false;
    }

    std::size_t element(std::size_t at) {
        const char c = text_[at];
        if (c == ' ' || c == '\t') {
            flush();
            writer_.beatBreak();
            return at + 1;
        }
        if (c == '`') return at + 1;
        if (c == '|' || c == ':' || (c == '[' && at + 1 < text_.size() && text_[at + 1] == '|')) return barLine(at);
        if (c == '[') return bracket(at);
        if (c == '{') return graceGroup(at);
        if (c == '(') return tuplet(at);
        if (c == '-') {
            if (pending_) pending_->note.tieToNext = true;
            else report(line_, at, "a tie with no note before it skipped");
            return at + 1;
        }
        if (c == '>' || c == '<') return brokenRhythm(at);
        if (c == '!' || c == '+') return decoration(at, c);
        if (c == '"') return skipEnclosed(at, c);
        if (isNoteLetter(c) || c == 'z' || c == 'x' || c == '^' || c == '_' || c == '=') return note(at);
        report(line_, at, std::string("'") + c + "' skipped");
        return at + 1;
    }

    // The signs and jumps the notation has; other decorations are skipped.
    std::size_t decoration(std::size_t at, char delimiter) {
        static constexpr std::pair<std::string_view, std::string_view> kSigns[] = {
            {"segno", "segno"},           {"coda", "coda"},
            {"fine", "fine"},             {"D.S.", "dalsegno"},
            {"D.C.", "dacapoalfine"},     {"D.C.alfine", "dacapoalfine"},
            {"D.C.alcoda", "dacapoalcoda"},
        };
        const std::size_t close = text_.find(delimiter, at + 1);
        if (close != std::string_view::npos) {
            const std::string_view name = text_.substr(at + 1, close - at - 1);
            for (const auto& [abc, symbol] : kSigns) {
                if (name != abc) continue;
                flush();
                writer_.direction(std::string(symbol));
                return close + 1;
            }
        }
        return skipEnclosed(at, delimiter);
    }

    std::size_t skipEnclosed(std::size_t at, char delimiter) {
        const std::size_t close = text_.find(delimiter, at + 1);
        const std::size_t end = close == std::string_view::npos ? text_.size() : close + 1;
        const std::string what = delimiter == '"' ? "annotation " : "decoration ";
        report(line_, at, what + std::string(text_.substr(at, end - at)) + " skipped" +
                              (close == std::string_view::npos ? " (not closed on its line)" : ""));
        return end;
    }

    std::size_t barLine(std::size_t at) {
        flush();
        std::size_t end = at;
        while (end < text_.size() && (text_[end] == '|' || text_[end] == ':' || text_[end] == ']' ||
                                      (text_[end] == '[' && end + 1 < text_.size() && text_[end + 1] == '|'))) {
            ++end;
        }
        const std::string_view bar = text_.substr(at, end - at);
        const bool repeatsBack = bar.front() == ':';
        const bool repeatsOn = bar.size() > 1 && bar.back() == ':';
        if (bar == ":") {
            report(line_, at, "':' skipped");
        } else if (repeatsBack || repeatsOn) {
            if (repeatsBack) writer_.repeatEnd();
            if (repeatsOn) {
                if (!repeatsBack && bar.size() > 2) writer_.partEnd();
                writer_.repeatStart();
            }
        } else if (bar == "|") {
            writer_.barLine();
        } else {
            writer_.partEnd();
        }
        if (end < text_.size() && isDigit(text_[end]) && !repeatsOn) return endingNumber(end);
        return end;
    }

    std::size_t endingNumber(std::size_t at) {
        const int number = text_[at] - '0';
        std::size_t end = at + 1;
        while (end < text_.size() && (isDigit(text_[end]) || text_[end] == ',' || text_[end] == '-')) ++end;
        if (end != at + 1 || (number != 1 && number != 2)) {
            report(line_, at, "ending " + std::string(text_.substr(at, end - at)) + " skipped (only 1 and 2 are read)");
        } else {
            writer_.ending(number);
        }
        return end;
    }

    std::size_t bracket(std::size_t at) {
        if (at + 1 < text_.size() && isDigit(text_[at + 1])) {
            flush();
            return endingNumber(at + 1);
        }
        const std::size_t close = text_.find(']', at);
        const std::size_t end = close == std::string_view::npos ? text_.size() : close + 1;
        const std::string_view inside = text_.substr(at + 1, (close == std::string_view::npos ? text_.size() : close) - at - 1);
        if (inside.size() >= 2 && inside[1] == ':' && close != std::string_view::npos) {
            flush();
            field(inside[0], trimmed(inside.substr(2)), true);
            return end;
        }
        // The chord's length goes with it.
        std::size_t after = end;
        if (close != std::string_view::npos) lengthAt(after);
        report(line_, at, "chord " + std::string(text_.substr(at, after - at)) + " skipped");
        return after;
    }

    std::size_t graceGroup(std::size_t at) {
        const std::size_t close = text_.find('}', at);
        if (close == std::string_view::npos) {
            report(line_, at, "grace group not closed on its line; the rest of the line skipped");
            return text_.size();
        }
        std::vector<int> pitches;
        for (std::size_t i = at + 1; i < close; ++i) {
            const char c = text_[i];
            if (c == '/' || isDigit(c) || c == ' ') continue;
            const int pitch = pitchOf(c);
            if (pitch < 0) report(line_, i, std::string("gracenote '") + c + "' is not on the chanter; skipped");
            else pitches.push_back(pitch);
        }
        if (const auto name = table_.nameFor(pitches)) {
            nextNote_.embellishments.push_back(*name);
            return close + 1;
        }
        for (int pitch : pitches) {
            if (const auto single = table_.nameFor({pitch})) nextNote_.embellishments.push_back(*single);
            else report(line_, at, std::string("no single gracenote ") + kChanterLetters[pitch] + " in the symbol map; skipped");
        }
        return close + 1;
    }

    std::size_t tuplet(std::size_t at) {
        if (at + 1 >= text_.size() || !isDigit(text_[at + 1])) {
            report(line_, at, "slur skipped");
            return at + 1;
        }
        const int count = text_[at + 1] - '0';
        std::size_t end = at + 2;
        if (end < text_.size() && text_[end] == ':') {
            while (end < text_.size() && (isDigit(text_[end]) || text_[end] == ':')) ++end;
            report(line_, at, "tuplet " + std::string(text_.substr(at, end - at)) + " skipped (only (2, (3 and (4 are read)");
            return end;
        }
        if (count < 2 || count > 4) {
            report(line_, at, "tuplet " + std::string(text_.substr(at, end - at)) + " skipped (only (2, (3 and (4 are read)");
            return end;
        }
        flush();
        nextNote_.tupletCount = count;
        return end;
    }

    std::size_t brokenRhythm(std::size_t at) {
        const char c = text_[at];
        std::size_t end = at;
        while (end < text_.size() && text_[end] == c && end - at < 3) ++end;
        const int marks = static_cast<int>(end - at);
        if (!pending_) {
            report(line_, at, std::string(marks, c) + " with no note before it skipped");
            return end;
        }
        // '>' dots the note before and shortens the next to match; '<' the other way.
        const std::int64_t half = std::int64_t{1} << marks;
        const Fraction longer{2 * half - 1, half};
        const Fraction shorter{1, half};
        const Fraction before = c == '>' ? longer : shorter;
        nextFactor_ = c == '>' ? shorter : longer;
        pending_->length = times(pending_->length, before.num, before.den);
        return end;
    }

    std::size_t note(std::size_t at) {
        std::size_t end = at;
        bool outsideScale = false;
        while (end < text_.size() && (text_[end] == '^' || text_[end] == '_' || text_[end] == '=')) {
            ++end;
            outsideScale = true;
        }
        if (end >= text_.size() || !(isNoteLetter(text_[end]) || text_[end] == 'z' || text_[end] == 'x')) {
            report(line_, at, "accidental with no note after it skipped");
            return end;
        }
        const char letter = text_[end++];
        while (end < text_.size() && (text_[end] == '\'' || text_[end] == ',')) {
            ++end;
            outsideScale = true;
        }
        const bool rest = letter == 'z' || letter == 'x';
        if (!rest && pitchOf(letter) < 0) outsideScale = true;
        std::optional<Fraction> length = lengthAt(end);
        const std::string written(text_.substr(at, end - at));
        if (outsideScale) {
            report(line_, at, "note " + written + " is not on the chanter; skipped");
            nextFactor_ = Fraction{1, 1};
            return end;
        }
        if (!length) {
            report(line_, at, "note " + written + " has a length that cannot be read; skipped");
            return end;
        }
        flush();
        PendingNote next{std::exchange(nextNote_, WrittenNote{}), times(*length, nextFactor_.num, nextFactor_.den), line_,
                         static_cast<int>(at)};
        nextFactor_ = Fraction{1, 1};
        next.note.rest = rest;
        next.note.pitch = rest ? 0 : pitchOf(letter);
        pending_ = std::move(next);
        return end;
    }

    // The length after a note letter, times the unit length.
    std::optional<Fraction> lengthAt(std::size_t& at) {
        std::int64_t num = 1;
        std::int64_t den = 1;
        if (at < text_.size() && isDigit(text_[at])) {
            const auto value = number(text_, at);
            if (!value || *value == 0) return std::nullopt;
            num = *value;
        }
        while (at < text_.size() && text_[at] == '/') {
            ++at;
            if (at < text_.size() && isDigit(text_[at])) {
                const auto value = number(text_, at);
                if (!value || *value == 0) return std::nullopt;
                den *= *value;
            } else {
                den *= 2;
            }
            if (den > 1024) return std::nullopt;
        }
        return times(unit(), num, den);
    }

    void flush() {
        if (!pending_) return;
        PendingNote pending = std::move(*pending_);
        pending_.reset();
        if (!noteValueOf(pending.length, pending.note.value, pending.note.dots)) {
            report(pending.line, static_cast<std::size_t>(pending.column),
                   "a note " + describe(pending.length) + " of a whole note long cannot be written as one note; skipped");
            return;
        }
        writer_.note(pending.note);
    }

    const EmbellishmentTable& table_;
    TuneTextWriter writer_;
    AbcImport result_;
    Place place_ = Place::Outside;
    TuneHeading heading_;
    int titles_ = 0;
    Fraction meter_{4, 4};
    bool meterGiven_ = false;
    std::optional<Fraction> unit_;
    std::optional<std::pair<Fraction, std::int64_t>> tempo_;  // Q: of the header, read at K:
    std::string timeName_;
    int line_ = 0;
    int tuneLine_ = 0;  // of its X: field
    std::size_t column_ = 0;
    std::string_view text_;
    WrittenNote nextNote_;
    std::optional<PendingNote> pending_;
    Fraction nextFactor_{1, 1};
};

}  // namespace

AbcImport importAbc(std::string_view abc, const EmbellishmentTable& table) { return AbcReader(table).read(abc); }

}  // namespace skirlo
