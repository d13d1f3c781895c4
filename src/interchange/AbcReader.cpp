#include "interchange/AbcReader.h"

#include <cstdint>
#include <numeric>
#include <optional>
#include <unordered_set>
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

std::string lowered(std::string_view text) {
    std::string low(text);
    for (char& c : low) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return low;
}

// The value of `key=` in a V: field ("name=\"Pipes\"" or "nm=Pipes").
std::string voiceAttribute(std::string_view value, std::string_view key) {
    for (std::size_t at = value.find(key); at != std::string_view::npos; at = value.find(key, at + 1)) {
        const std::size_t equals = at + key.size();
        if ((at > 0 && value[at - 1] != ' ' && value[at - 1] != '\t') || equals >= value.size() || value[equals] != '=') {
            continue;
        }
        std::size_t start = equals + 1;
        if (start < value.size() && value[start] == '"') {
            const std::size_t close = value.find('"', start + 1);
            return std::string(value.substr(start + 1, (close == std::string_view::npos ? value.size() : close) - start - 1));
        }
        return std::string(value.substr(start, value.find_first_of(" \t", start) - start));
    }
    return {};
}

struct Voice {
    std::string id;
    std::string name;  // as it says it, else its id

    bool isMelody() const {
        const std::string both = lowered(id + " " + name);
        return both.find("chanter") != std::string::npos || both.find("pipe") != std::string::npos ||
               both.find("melody") != std::string::npos;
    }
};

Voice voiceOf(std::string_view value) {
    value = trimmed(value);
    Voice voice{std::string(value.substr(0, value.find_first_of(" \t"))), {}};
    for (const std::string_view key : {"name", "nm", "subname", "snm"}) {
        if (voice.name.empty()) voice.name = voiceAttribute(value, key);
    }
    if (voice.name.empty()) voice.name = voice.id;
    return voice;
}

// The voices of each tune, in the order they are first named: the reader has
// to know which is the chanter's before the music of any of them.
std::vector<std::vector<Voice>> voicesOfTunes(std::string_view abc) {
    std::vector<std::vector<Voice>> tunes;
    const auto add = [&](std::string_view value) {
        if (tunes.empty()) return;
        const Voice voice = voiceOf(value);
        for (Voice& known : tunes.back()) {
            if (known.id != voice.id) continue;
            if (known.name == known.id) known.name = voice.name;
            return;
        }
        tunes.back().push_back(voice);
    };
    std::size_t start = 0;
    while (start < abc.size()) {
        std::size_t end = abc.find('\n', start);
        if (end == std::string_view::npos) end = abc.size();
        const std::string_view line = abc.substr(start, end - start);
        if (line.starts_with("X:")) tunes.emplace_back();
        else if (line.starts_with("V:")) add(line.substr(2));
        else if (!line.starts_with("%")) {
            for (std::size_t at = line.find("[V:"); at != std::string_view::npos; at = line.find("[V:", at + 1)) {
                const std::size_t close = line.find(']', at);
                add(line.substr(at + 3, (close == std::string_view::npos ? line.size() : close) - at - 3));
            }
        }
        start = end + 1;
    }
    return tunes;
}

// Fields that say nothing about what is played or drawn.
bool isHarmlessField(char key) { return std::string_view("ABDFGHINOSZrs").find(key) != std::string_view::npos; }

// The number of an ending label ("1st", "2nd", "1.", "Second"), or 0.
int endingOfLabel(std::string_view label) {
    std::size_t at = label.find_first_of("0123456789");
    if (at != std::string_view::npos) {
        const std::size_t start = at;
        const auto value = number(label, at);
        // "1-2" and "1,3" name several passes.
        const bool several = label.find_first_of("0123456789", at) != std::string_view::npos;
        return value && !several && at - start == 1 ? static_cast<int>(*value) : 0;
    }
    const std::string low = lowered(trimmed(label));
    if (low.starts_with("first")) return 1;
    if (low.starts_with("second")) return 2;
    return 0;
}

struct PendingNote {
    WrittenNote note;
    bool tied = false;  // to the next note
    Fraction length;
    int line = 0;
    int column = 0;
};

class AbcReader {
public:
    explicit AbcReader(const EmbellishmentTable& table) : table_(table) {}

    AbcImport read(std::string_view abc) {
        voicesOfTunes_ = voicesOfTunes(abc);
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

    void report(int line, std::size_t column, std::string text, AbcLoss loss = AbcLoss::Other) {
        AbcMessage message{line, static_cast<int>(column) + 1, std::move(text), loss};
        if (loss == AbcLoss::None) return result_.notices.push_back(std::move(message));
        if (place_ != Place::Outside && !result_.tuneReports.empty()) {
            AbcTuneReport& tune = result_.tuneReports.back();
            if (tune.firstLossLine == 0) tune.firstLossLine = line;
            ++(loss == AbcLoss::Note        ? tune.notes
               : loss == AbcLoss::Gracenote ? tune.gracenotes
               : loss == AbcLoss::Voice     ? tune.voices
                                            : tune.other);
        }
        result_.messages.push_back(std::move(message));
    }

    void notice(int line, std::size_t column, std::string text) { report(line, column, std::move(text), AbcLoss::None); }

    // Returns whether the line ended in a continuation backslash.
    bool readLine(std::string_view line, int lineNumber, bool continued) {
        line_ = lineNumber;
        if (trimmed(line).empty()) {
            if (place_ != Place::Outside) endTune();
            return false;
        }
        if (line.starts_with("%%")) {
            directive(line);
            return continued;
        }
        if (line.front() == '%') return continued;
        if (line.size() >= 2 && line[1] == ':' && ((line[0] >= 'A' && line[0] <= 'Z') || (line[0] >= 'a' && line[0] <= 'z'))) {
            column_ = 0;
            field(line[0], trimmed(line.substr(2)), false);
            return false;
        }
        if (place_ == Place::Outside) {
            notice(line_, 0, "text outside a tune (no X: field before it) skipped");
            return false;
        }
        if (place_ == Place::Header) {
            notice(line_, 0, "music before the K: field: the tune is read as K:HP");
            beginBody();
        }
        return body(line);
    }

    // "%%linebreak !" makes '!' end a staff line; other directives only
    // change how another program lays the music out.
    void directive(std::string_view line) {
        const std::string_view words = trimmed(line.substr(2));
        if (words.starts_with("linebreak")) {
            bangBreaks_ = words.find('!') != std::string_view::npos;
            return;
        }
        notice(line_, 0, "directive " + std::string(trimmed(line)) + " skipped");
    }

    void field(char key, std::string_view value, bool inLine) {
        if (key == 'X') {
            if (inLine) return report(line_, column_, "an X: field inside the music skipped");
            endTune();
            place_ = Place::Header;
            tuneLine_ = line_;
            result_.tuneReports.push_back(AbcTuneReport{line_, 0, {}, 0, 0, 0, 0});
            beginVoices();
            heading_ = TuneHeading{};
            titles_ = 0;
            meter_ = Fraction{4, 4};
            meterGiven_ = false;
            unit_.reset();
            tempo_.reset();
            return;
        }
        if (place_ == Place::Outside) return notice(line_, 0, std::string(1, key) + ": field outside a tune skipped");
        if (key == 'V') return voiceField(value);
        if (voiceSkipped_) return;  // the fields of a voice left out are its own
        switch (key) {
            case 'T': return title(value);
            case 'R': return headerText(heading_.type, value, key);
            case 'C': return headerText(heading_.composer, value, key);
            case 'M': return meter(value);
            case 'L': return unitLength(value);
            case 'Q': return tempo(value);
            case 'K': return keyField(value);
            default: report(line_, column_, std::string(1, key) + ": field skipped", isHarmlessField(key) ? AbcLoss::None : AbcLoss::Other);
        }
    }

    // ---- voices ----

    const std::vector<Voice>& tuneVoices() const {
        static const std::vector<Voice> kNone;
        const std::size_t index = result_.tuneReports.size() - 1;
        return index < voicesOfTunes_.size() ? voicesOfTunes_[index] : kNone;
    }

    // The chanter's voice is the first named for it, else the first voice;
    // music before any V: field in the body belongs to the first voice.
    void beginVoices() {
        const std::vector<Voice>& voices = tuneVoices();
        keptVoice_.clear();
        voicesReported_.clear();
        for (const Voice& voice : voices) {
            if (voice.isMelody()) {
                keptVoice_ = voice.id;
                break;
            }
        }
        if (keptVoice_.empty() && !voices.empty()) keptVoice_ = voices.front().id;
        voiceSkipped_ = !voices.empty() && voices.front().id != keptVoice_;
    }

    void voiceField(std::string_view value) {
        const Voice voice = voiceOf(value);
        if (voice.id != keptVoice_ && voicesReported_.insert(voice.id).second) {
            std::string name;
            for (const Voice& known : tuneVoices()) {
                if (known.id == voice.id) name = known.name;
            }
            report(line_, column_, "voice \"" + name + "\" left out (only the chanter's voice \"" + keptVoice_ + "\" is read)",
                   AbcLoss::Voice);
        }
        // A V: field of the header only names the voice.
        if (place_ != Place::Body) return;
        flush();
        voiceSkipped_ = voice.id != keptVoice_;
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
    // from a Q: field's notes a minute ("1/4=80", "80") or a text that says
    // its beats a minute ("80 bpm"); another text ("Quick March") is the
    // tune's type when it has none, else words over the next note.
    void tempo(std::string_view value) {
        std::string numbers;
        std::vector<std::string_view> texts;
        for (std::size_t at = 0; at < value.size();) {
            if (value[at] != '"') {
                numbers += value[at++];
                continue;
            }
            const std::size_t close = value.find('"', at + 1);
            const std::size_t end = close == std::string_view::npos ? value.size() : close;
            texts.push_back(value.substr(at + 1, end - at - 1));
            at = end + 1;
        }
        std::optional<Tempo> given;
        if (!trimmed(numbers).empty()) {
            given = tempoOfNumbers(trimmed(numbers));
            if (!given) return report(line_, column_, "Q:" + std::string(value) + " is not a tempo such as 1/4=80; skipped");
        }
        for (const std::string_view text : texts) {
            if (const auto perMinute = beatsPerMinuteIn(text); perMinute && !given) {
                given = Tempo{std::nullopt, *perMinute};
            } else if (place_ != Place::Body && heading_.type.empty()) {
                heading_.type = std::string(trimmed(text));
            } else {
                wordsOverNextNote(text);
            }
        }
        if (!given) return;
        if (place_ == Place::Body) writer_.tempoMark(beatsPerMinute(*given));
        else tempo_ = given;
    }

    struct Tempo {
        std::optional<Fraction> beat;  // none: the tune's own beat
        std::int64_t perMinute = 0;
    };

    std::optional<Tempo> tempoOfNumbers(std::string_view text) const {
        const std::size_t equals = text.find('=');
        std::optional<Fraction> beat = unit();
        std::string_view count = text;
        if (equals != std::string_view::npos) {
            // "1/4 3/8=80": the beats add up.
            std::string_view left = trimmed(text.substr(0, equals));
            beat = fraction(left);
            count = trimmed(text.substr(equals + 1));
        }
        std::size_t at = 0;
        const auto perMinute = number(count, at);
        if (!beat || !perMinute || *perMinute == 0 || at != count.size()) return std::nullopt;
        return Tempo{beat, *perMinute};
    }

    // "80 bpm", "bpm 80", "80 BPM": the number of a text that says bpm.
    static std::optional<std::int64_t> beatsPerMinuteIn(std::string_view text) {
        const std::string low = lowered(text);
        if (low.find("bpm") == std::string::npos) return std::nullopt;
        std::size_t at = low.find_first_of("0123456789");
        if (at == std::string::npos) return std::nullopt;
        const auto value = number(low, at);
        return value && *value > 0 ? value : std::nullopt;
    }

    int beatsPerMinute(const Tempo& tempo) const {
        if (!tempo.beat) return static_cast<int>(tempo.perMinute);
        const Fraction beatOfTune = meter_.den >= 8 ? Fraction{3, meter_.den} : Fraction{1, meter_.den};
        const std::int64_t num = tempo.perMinute * tempo.beat->num * beatOfTune.den;
        const std::int64_t den = tempo.beat->den * beatOfTune.num;
        return static_cast<int>((num + den / 2) / den);
    }

    void keyField(std::string_view value) {
        const std::string_view mode = value.substr(0, value.find_first_of(" \t%"));
        if (mode != "HP" && mode != "Hp") {
            notice(line_, column_, "K:" + std::string(value) + " is read as the pipe scale (K:HP)");
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
        heading_.tempo = tempo_ ? beatsPerMinute(*tempo_) : 0;
        for (const auto& [text, what] : {std::pair{&heading_.title, "title"}, std::pair{&heading_.type, "type"},
                                         std::pair{&heading_.composer, "composer"}}) {
            const std::string safe = TuneTextWriter::recordText(*text);
            if (safe != *text) report(line_, 0, std::string("the ") + what + " is written as \"" + safe + "\"");
        }
        writer_.beginTune(heading_);
        if (!timeName_.empty()) writer_.timeSignature(std::exchange(timeName_, {}));
    }

    void endTune() {
        if (place_ == Place::Outside) return;
        result_.tuneReports.back().title = heading_.title;
        if (place_ == Place::Body) {
            flush();
            if (!nextNote_.embellishments.empty()) {
                report(line_, 0, "gracenotes with no note after them skipped", AbcLoss::Gracenote);
            }
            if (!nextNote_.text.empty()) report(line_, 0, "annotation \"" + nextNote_.text + "\" with no note after it skipped");
        }
        const Place place = std::exchange(place_, Place::Outside);
        tieFrom_.reset();
        voiceSkipped_ = false;
        if (place == Place::Body) {
            nextNote_ = WrittenNote{};
            writer_.lineEnd();
            if (writer_.endTune()) {
                ++result_.tunes;
                return;
            }
        }
        place_ = place;  // the message still belongs to the tune
        report(tuneLine_, 0, "the tune has no music; skipped");
        place_ = Place::Outside;
    }

    // ---- the music ----

    bool body(std::string_view text) {
        text_ = text;
        std::size_t at = 0;
        while (at < text.size()) {
            if (voiceSkipped_) {
                // Only an inline V: field can bring the chanter back.
                at = text.find("[V:", at);
                if (at == std::string_view::npos) return false;
                column_ = at;
                at = bracket(at);
                continue;
            }
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
        if (c == '`' || c == ')') return at + 1;  // a slur's end: its start is noticed
        if (c == '|' || c == ':' || (c == '[' && at + 1 < text_.size() && text_[at + 1] == '|')) return barLine(at);
        if (c == '[') return bracket(at);
        if (c == '{') return graceGroup(at);
        if (c == '(') return tuplet(at);
        if (c == '-') {
            if (pending_) pending_->tied = true;
            else notice(line_, at, "a tie with no note before it skipped");
            return at + 1;
        }
        if (c == '>' || c == '<') return brokenRhythm(at);
        if (c == '!' && (bangBreaks_ || text_.find('!', at + 1) == std::string_view::npos)) {
            // A '!' that is no decoration ends the staff line.
            flush();
            writer_.lineEnd();
            return at + 1;
        }
        if (c == '!' || c == '+') return decoration(at, c);
        if (c == '"') return annotation(at);
        if (isNoteLetter(c) || c == 'z' || c == 'x' || c == '^' || c == '_' || c == '=') return note(at);
        report(line_, at, std::string("'") + c + "' skipped");
        return at + 1;
    }

    // "^Urlar": words placed over, under or beside the next note stand over
    // it as an in-line text; a chord symbol ("Am") says nothing to a chanter.
    std::size_t annotation(std::size_t at) {
        const std::size_t close = text_.find('"', at + 1);
        if (close == std::string_view::npos || close == at + 1 || !isPlacement(text_[at + 1])) return skipEnclosed(at, '"');
        wordsOverNextNote(text_.substr(at + 2, close - at - 2));
        return close + 1;
    }

    void wordsOverNextNote(std::string_view words) {
        words = trimmed(words);
        if (!words.empty()) nextNote_.text += (nextNote_.text.empty() ? "" : " ") + std::string(words);
    }

    static bool isPlacement(char c) { return c == '^' || c == '_' || c == '<' || c == '>' || c == '@'; }

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
        // Ornaments, bowings and accents say nothing to a chanter; a held note does.
        if (close != std::string_view::npos && text_.substr(at + 1, close - at - 1) == "fermata") {
            nextNote_.fermata = true;
            return close + 1;
        }
        return skipEnclosed(at, delimiter, close == std::string_view::npos ? AbcLoss::Other : AbcLoss::None);
    }

    std::size_t skipEnclosed(std::size_t at, char delimiter, AbcLoss loss = AbcLoss::Other) {
        const std::size_t close = text_.find(delimiter, at + 1);
        const std::size_t end = close == std::string_view::npos ? text_.size() : close + 1;
        const std::string what = delimiter == '"' ? "annotation " : "decoration ";
        report(line_, at, what + std::string(text_.substr(at, end - at)) + " skipped" +
                              (close == std::string_view::npos ? " (not closed on its line)" : ""), loss);
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
        // |"2nd" labels an ending; |"^B part" are words over the next note.
        const bool label = end + 1 < text_.size() && text_[end] == '"' && !isPlacement(text_[end + 1]);
        if (label && !repeatsOn) return endingLabel(end);
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

    // ["1st", |"2nd": a quoted label names the ending.
    std::size_t endingLabel(std::size_t at) {
        const std::size_t close = text_.find('"', at + 1);
        if (close == std::string_view::npos) return skipEnclosed(at, '"');
        const std::string_view label = text_.substr(at + 1, close - at - 1);
        const int number = endingOfLabel(label);
        if (number == 1 || number == 2) writer_.ending(number);
        else report(line_, at, "ending \"" + std::string(label) + "\" skipped (only first and second times are read)");
        return close + 1;
    }

    std::size_t bracket(std::size_t at) {
        if (at + 1 < text_.size() && isDigit(text_[at + 1])) {
            flush();
            return endingNumber(at + 1);
        }
        if (at + 1 < text_.size() && text_[at + 1] == '"') {
            flush();
            return endingLabel(at + 1);
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
        report(line_, at, "chord " + std::string(text_.substr(at, after - at)) + " skipped", AbcLoss::Note);
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
            if (pitch < 0) report(line_, i, std::string("gracenote '") + c + "' is not on the chanter; skipped", AbcLoss::Gracenote);
            else pitches.push_back(pitch);
        }
        if (const auto name = table_.nameFor(pitches)) {
            nextNote_.embellishments.push_back(*name);
            return close + 1;
        }
        for (int pitch : pitches) {
            if (const auto single = table_.nameFor({pitch})) nextNote_.embellishments.push_back(*single);
            else report(line_, at, std::string("no single gracenote ") + kChanterLetters[pitch] + " in the symbol map; skipped", AbcLoss::Gracenote);
        }
        return close + 1;
    }

    std::size_t tuplet(std::size_t at) {
        if (at + 1 >= text_.size() || !isDigit(text_[at + 1])) {
            notice(line_, at, "slur skipped");
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
            report(line_, at, "note " + written + " is not on the chanter; skipped", rest ? AbcLoss::Other : AbcLoss::Note);
            nextFactor_ = Fraction{1, 1};
            tieFrom_.reset();
            return end;
        }
        if (!length) {
            report(line_, at, "note " + written + " has a length that cannot be read; skipped", AbcLoss::Note);
            tieFrom_.reset();
            return end;
        }
        flush();
        nextNote_.pauseOnEmbellishment = nextNote_.fermata && !nextNote_.embellishments.empty() &&
                                         table_.holdsANote(nextNote_.embellishments.back());
        PendingNote next{std::exchange(nextNote_, WrittenNote{}), false, times(*length, nextFactor_.num, nextFactor_.den), line_,
                         static_cast<int>(at)};
        nextFactor_ = Fraction{1, 1};
        next.note.rest = rest;
        next.note.pitch = rest ? 0 : pitchOf(letter);
        if (const std::optional<int> from = std::exchange(tieFrom_, std::nullopt)) {
            // A tie to another note is a slur, which a chanter cannot play.
            if (!rest && next.note.pitch == *from) next.note.tiedFromPrevious = true;
            else notice(line_, at, "a tie to a different note skipped (both are played)");
        }
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
                   "a note " + describe(pending.length) + " of a whole note long cannot be written as one note; skipped",
                   AbcLoss::Note);
            return;
        }
        writer_.note(pending.note);
        if (pending.tied && !pending.note.rest) tieFrom_ = pending.note.pitch;
    }

    const EmbellishmentTable& table_;
    std::vector<std::vector<Voice>> voicesOfTunes_;
    std::string keptVoice_;
    std::unordered_set<std::string> voicesReported_;
    bool voiceSkipped_ = false;
    bool bangBreaks_ = false;          // "%%linebreak !"
    std::optional<int> tieFrom_;       // the pitch a tie holds on into the next note
    TuneTextWriter writer_;
    AbcImport result_;
    Place place_ = Place::Outside;
    TuneHeading heading_;
    int titles_ = 0;
    Fraction meter_{4, 4};
    bool meterGiven_ = false;
    std::optional<Fraction> unit_;
    std::optional<Tempo> tempo_;  // Q: of the header, read at K:
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

std::string describeLosses(const AbcTuneReport& losses) {
    const auto counted = [](int count, const char* one, const char* many) {
        return std::to_string(count) + " " + (count == 1 ? one : many);
    };
    std::vector<std::string> lost;
    if (losses.notes > 0) lost.push_back(counted(losses.notes, "note", "notes"));
    if (losses.gracenotes > 0) lost.push_back(counted(losses.gracenotes, "gracenote", "gracenotes"));
    if (losses.voices > 0) lost.push_back(counted(losses.voices, "voice", "voices"));
    std::string text;
    for (std::size_t i = 0; i < lost.size(); ++i) {
        if (i > 0) text += i + 1 == lost.size() ? " and " : ", ";
        text += lost[i];
    }
    if (!text.empty()) text += " left out";
    if (losses.other > 0) text += (text.empty() ? "" : ", ") + counted(losses.other, "other change", "other changes");
    return text;
}

}  // namespace skirlo
