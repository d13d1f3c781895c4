#include "playback/NoteEvents.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "common/LenientNumber.h"
#include "notation/Symbol.h"
#include "playback/Tempo.h"

namespace skirlo {

namespace {

constexpr std::uint64_t kLongestNote = std::numeric_limits<std::uint32_t>::max();

std::uint32_t clampDuration(std::uint64_t value) { return static_cast<std::uint32_t>(std::min(value, kLongestNote)); }

// Smoothing factors come from the file unchecked; a negative one takes nothing.
std::uint64_t percent(int factor) { return static_cast<std::uint64_t>(std::max(factor, 0)); }

std::uint32_t scaled(std::uint32_t duration, std::uint64_t multiplier, std::uint64_t divisor) {
    return clampDuration(duration * multiplier / divisor);
}

// Embellishments and the marks that borrow their time from the next note.
bool lendsTimeToNextNote(const Symbol* symbol, bool camachCounts) {
    if (symbol == nullptr) return false;
    const std::int32_t c = symbol->category;
    return c == CAT_EMBELISHMENTS || c == CAT_PIOB_OVERNEXT || c == CAT_PIOB_UNDERNEXT ||
           (camachCounts && c == CAT_PIOB_UNDERNEXT_CAMACH);
}

// The duration of the event at `last` plus those of the events directly
// before it that carry the same name: one embellishment's whole time.
std::uint64_t embellishmentTotal(const std::vector<PerformanceEvent>& events, std::size_t last) {
    std::uint64_t total = events[last].duration;
    for (std::size_t i = last; i > 0 && events[i - 1].name == events[last].name; --i) total += events[i - 1].duration;
    return total;
}

// Takes `cut` from a note; a note that would be left with nothing gets the
// shortest length instead.
std::uint32_t shortened(std::uint32_t duration, std::uint64_t cut) {
    return cut >= duration ? kShortestNote : static_cast<std::uint32_t>(duration - cut);
}

std::string_view codeSpan(std::string_view data, std::size_t from) {
    std::size_t end = from;
    while (end < data.size() && (std::isdigit(static_cast<unsigned char>(data[end])) || data[end] == '~' ||
                                 data[end] == '*')) {
        ++end;
    }
    return data.substr(from, end - from);
}

// The event a pause lengthens: the last one, except after a cadence, where
// the pause is on the cadence's held note (its longest, the later on a tie),
// not on the gracenote that ends it.
std::size_t pausedEvent(const Symbol& fermata, const std::vector<PerformanceEvent>& events) {
    std::size_t chosen = events.size() - 1;
    const Symbol* cadence = fermata.backLink;
    if (cadence == nullptr || cadence->category != CAT_CADENCE || events[chosen].symbol != cadence) return chosen;
    for (std::size_t i = chosen; i > 0 && events[i - 1].symbol == cadence; --i) {
        if (events[i - 1].duration > events[chosen].duration) chosen = i - 1;
    }
    return chosen;
}

}  // namespace

void NoteEventGenerator::applyTimeSignature(const Symbol& symbol) {
    const std::string_view text = symbol.name;
    settings_.numerator = leadingInt(text);
    const auto contains = [text](std::string_view part) { return text.find(part) != std::string_view::npos; };
    if (contains("_4") || text == "C") {
        settings_.beatFactor = 0.25;
        settings_.exponent = 2;
        if (text == "C") settings_.numerator = 4;
    }
    if (contains("_8")) {
        settings_.beatFactor = 0.375;
        settings_.exponent = 3;
    }
    if (contains("_2") || text == "C_") {
        settings_.beatFactor = 0.5;
        settings_.exponent = 1;
        if (text == "C_") settings_.numerator = 2;
    }
    if (contains("_16")) {
        settings_.beatFactor = 0.1875;
        settings_.exponent = 4;
    }
}

void NoteEventGenerator::applyTempoMark(const Symbol& symbol) {
    const std::string_view text = symbol.name;
    const std::size_t comma = text.find(',');
    const std::string_view afterComma = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    if (text.find("TuneTempo") != std::string_view::npos) {
        settings_.tempo = leadingDigits(afterComma);
        return;
    }
    if (text.find("VariationTempo") == std::string_view::npos) return;
    // VariationTempo,(T,V): one character (the parenthesis) is dropped.
    const std::string_view inner = afterComma.substr(std::min<std::size_t>(1, afterComma.size()));
    const std::size_t innerComma = inner.find(',');
    if (innerComma == std::string_view::npos) {
        settings_.tempo = 0;
        return;
    }
    settings_.tempo = leadingDigits(inner.substr(0, innerComma));
    settings_.variationTempo = leadingDigits(inner.substr(innerComma + 1));
}

void NoteEventGenerator::applyNoteChange(const Symbol& symbol, NoteMap& map) const {
    const std::string_view key = symbol.playbackData().substr(0, 2);
    if (key.size() < 2) return;
    if (const auto value = viewMap_.find(key)) map.set(key.substr(1), *value);
}

std::uint32_t NoteEventGenerator::gracenoteDuration(std::string_view code) const {
    constexpr std::string_view kCodes = "1234567890~*";
    int duration = settings_.gracenotes.plain;
    if (code.size() == 1) {
        const std::size_t index = kCodes.find(code[0]);
        if (index != std::string_view::npos) duration = settings_.gracenotes.coded[index];
    }
    return static_cast<std::uint32_t>(std::max(duration, 0));
}

int NoteEventGenerator::tempoFor(int segnoPass) const {
    const int tempo = segnoPass == 2 && settings_.variationTempo != 0 ? settings_.variationTempo : settings_.tempo;
    return playableTempo(tempo);
}

PerformanceEvent NoteEventGenerator::eventFor(const Symbol& symbol, int pitch, std::uint32_t duration,
                                              int segnoPass) const {
    PerformanceEvent event;
    event.pitch = pitch;
    event.duration = duration;
    event.name = symbol.name;
    event.numerator = settings_.numerator;
    event.exponent = static_cast<std::int8_t>(settings_.exponent);
    event.beatFactor = static_cast<float>(settings_.beatFactor);
    event.tempo = tempoFor(segnoPass);
    event.flags = symbol.timeLines;
    event.symbol = &symbol;
    return event;
}

void NoteEventGenerator::melody(const Symbol& symbol, BarEvents& bar, const BarEvents* previous, int segnoPass) {
    const std::string_view data = symbol.playbackData();
    const auto mapped = bar.map.find(data.substr(0, 1));
    if (data.empty() || !mapped) return;
    // A value the data does not give would divide by zero: play it as a whole note.
    const int value = std::max(leadingDigits(data.substr(1)), 1);
    const double exact = 60000.0 / (value * settings_.beatFactor * tempoFor(segnoPass));
    std::uint32_t duration = static_cast<std::uint32_t>(std::clamp(exact, 0.0, static_cast<double>(kLongestNote)));
    const int pitch =
        settings_.output == PlaybackOutput::Speaker && symbol.category == CAT_REST ? kSilentFrequency : *mapped;

    const std::vector<PerformanceEvent>* before = &bar.events;
    if (before->empty() && previous != nullptr) before = &previous->events;
    if (!before->empty() && !symbol.inTuplet && lendsTimeToNextNote(before->back().symbol, true)) {
        const std::uint64_t total = embellishmentTotal(*before, before->size() - 1);
        duration = shortened(duration, total * percent(settings_.smoothFactorA) / 100);
    }
    bar.events.push_back(eventFor(symbol, pitch, duration, segnoPass));
}

std::uint64_t NoteEventGenerator::appendGroups(const Symbol& symbol, BarEvents& bar, int segnoPass) {
    const std::string_view data = symbol.playbackData();
    std::uint64_t total = 0;
    std::size_t at = 0;
    while (at < data.size()) {
        const char letter = data[at] == 'q' ? 'g' : data[at];
        const std::string_view code = codeSpan(data, at + 1);
        at += 1 + code.size();
        const auto pitch = bar.map.find(std::string_view(&letter, 1));
        if (!pitch) continue;
        const std::uint32_t duration = gracenoteDuration(code);
        bar.events.push_back(eventFor(symbol, *pitch, duration, segnoPass));
        total += duration;
    }
    return total;
}

void NoteEventGenerator::underPrevious(const Symbol& symbol, BarEvents& bar, int segnoPass) {
    if (bar.events.empty()) return;
    std::size_t noteIndex = bar.events.size() - 1;
    const Symbol* before = symbol.backLink;
    if (before == nullptr || before->pitch != PITCH_HA) {
        // The note before needs a gracenote of its own to be struck again.
        const bool fromHighG = before != nullptr && before->pitch == PITCH_HG;
        PerformanceEvent gracenote = eventFor(symbol, *bar.map.find(fromHighG ? "A" : "G"),
                                              gracenoteDuration({}), segnoPass);
        gracenote.name = fromHighG ? "tg" : "gg";
        gracenote.symbol = nullptr;
        PerformanceEvent note = std::move(bar.events.back());
        bar.events.back() = std::move(gracenote);
        bar.events.push_back(std::move(note));
        ++noteIndex;
    }
    const std::uint64_t total = appendGroups(symbol, bar, segnoPass);
    PerformanceEvent& note = bar.events[noteIndex];
    note.duration = shortened(note.duration, total * percent(settings_.smoothFactorB) / 100);
}

void NoteEventGenerator::embellishment(const Symbol& symbol, BarEvents& bar, int segnoPass) {
    if (symbol.category == CAT_PIOB_UNDERPREV) {
        underPrevious(symbol, bar, segnoPass);
        return;
    }
    appendGroups(symbol, bar, segnoPass);
    if (symbol.category == CAT_PIOB_UNDERNEXT_CAMACH && symbol.forwardLink != nullptr) {
        symbol.forwardLink->soundAsE();
    }
}

void NoteEventGenerator::tuplet(BarEvents& bar, std::size_t count, int multiplier, int divisor) {
    std::vector<PerformanceEvent>& events = bar.events;
    if (events.size() < count) return;
    const std::size_t first = events.size() - count;
    for (std::size_t i = first; i < events.size(); ++i) {
        events[i].duration = scaled(events[i].duration, static_cast<std::uint64_t>(multiplier),
                                    static_cast<std::uint64_t>(divisor));
    }
    // An embellishment before the tuplet takes its time from all its notes.
    if (first == 0 || !lendsTimeToNextNote(events[first - 1].symbol, false)) return;
    const std::uint64_t share = embellishmentTotal(events, first - 1) * percent(settings_.smoothFactorA) / 100 / count;
    for (std::size_t i = first; i < events.size(); ++i) events[i].duration = shortened(events[i].duration, share);
}

void NoteEventGenerator::generate(const Symbol& symbol, BarEvents& bar, const BarEvents* previous, int segnoPass) {
    std::vector<PerformanceEvent>& events = bar.events;
    switch (playbackClassFromWord(symbol.playbackClass())) {
        case PlaybackClass::Embellishment: embellishment(symbol, bar, segnoPass); break;
        case PlaybackClass::Melody: melody(symbol, bar, previous, segnoPass); break;
        case PlaybackClass::Dot:
            if (!events.empty()) events.back().duration = clampDuration(std::uint64_t{events.back().duration} * 3 >> 1);
            break;
        case PlaybackClass::DoubleDot:
            if (!events.empty()) events.back().duration = scaled(events.back().duration, 7, 4);
            break;
        case PlaybackClass::Fermata:
            if (!events.empty()) {
                PerformanceEvent& held = events[pausedEvent(symbol, events)];
                const std::int64_t longer = std::int64_t{held.duration} * settings_.fermataPercent / 100;
                held.duration = clampDuration(
                    static_cast<std::uint64_t>(std::max<std::int64_t>(std::int64_t{held.duration} + longer, 0)));
            }
            break;
        case PlaybackClass::RunOf3: tuplet(bar, 3, 4, 6); break;
        case PlaybackClass::Duplet: tuplet(bar, 2, 3, 2); break;
        case PlaybackClass::Quadruplet: tuplet(bar, 4, 3, 4); break;
        case PlaybackClass::Quintuplet: tuplet(bar, 5, 3, 5); break;
        case PlaybackClass::Sextuplet: tuplet(bar, 6, 4, 6); break;
        case PlaybackClass::Septuplet: tuplet(bar, 7, 4, 7); break;
        case PlaybackClass::QuadSex: tuplet(bar, 4, 6, 4); break;
        case PlaybackClass::QuinQuad: tuplet(bar, 5, 4, 5); break;
        case PlaybackClass::SeptSex: tuplet(bar, 7, 6, 7); break;
        case PlaybackClass::NoSound:
        case PlaybackClass::Silent: break;
    }
}

}  // namespace skirlo
