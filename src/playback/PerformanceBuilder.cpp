#include "playback/PerformanceBuilder.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "notation/TuneTree.h"
#include "playback/MidiEventList.h"

namespace skirlo {

namespace {

// '22 to '28 and '224: endings that later parts take over.
constexpr TimeLineFlags kLaterEndings = 0x07F8;

constexpr std::string_view kBis = "'bis";

// Renditions (counting from 1) whose second pass takes an ending over.
struct EndingTarget {
    TimeLineFlags flag;
    std::array<int, 2> renditions;  // 0 = none
};
constexpr std::array<EndingTarget, 8> kEndingTargets{{{kSecondOf22, {2, 0}},
                                                      {kSecondOf23, {3, 0}},
                                                      {kSecondOf24, {4, 0}},
                                                      {kSecondOf224, {2, 4}},
                                                      {kSecondOf25, {5, 0}},
                                                      {kSecondOf26, {6, 0}},
                                                      {kSecondOf27, {7, 0}},
                                                      {kSecondOf28, {8, 0}}}};

bool has(TimeLineFlags flags, TimeLineFlags bit) { return (flags & bit) != 0; }

template <typename Predicate>
bool partHolds(const PartLayout& part, Predicate predicate) {
    for (const auto& staff : part.staves) {
        for (const auto& bar : staff->bars) {
            if (std::any_of(bar->symbols.begin(), bar->symbols.end(),
                            [&](const auto& symbol) { return predicate(*symbol); })) {
                return true;
            }
        }
    }
    return false;
}

bool barHolds(const BarLayout& bar, BarLineKind kind) {
    return std::any_of(bar.symbols.begin(), bar.symbols.end(), [&](const auto& s) { return s->barLine == kind; });
}

bool staffHoldsDaCapoAlFine(const StaffLayout& staff) {
    for (const auto& bar : staff.bars) {
        for (const auto& symbol : bar->symbols) {
            if (symbol->category == CAT_SIGN_REPEAT && symbol->direction == DirectionKind::DaCapoAlFine) return true;
        }
    }
    return false;
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::string_view tuneTypeOf(const Tune& tune) {
    for (const auto& record : tune.header.texts) {
        if (record->kind == 'Y') return record->text;
    }
    return {};
}

void removeFirstEndings(std::vector<PerformanceEvent>& events) {
    std::erase_if(events, [](const PerformanceEvent& e) { return has(e.flags, kFirstTime); });
}

// A bar's place in its part, for the jumps back to a repeat or 'bis start.
struct BarPlace {
    const StaffLayout* staff;
    const BarLayout* bar;
    bool firstOfStaff;
    bool lastOfStaff;
};

std::vector<BarPlace> barsOf(const PartLayout& part) {
    std::vector<BarPlace> places;
    for (const auto& staff : part.staves) {
        for (std::size_t b = 0; b < staff->bars.size(); ++b) {
            places.push_back({staff.get(), staff->bars[b].get(), b == 0, b + 1 == staff->bars.size()});
        }
    }
    return places;
}

// Appends to the end of the tune the music from its start to the note
// marked by "fine", or to the note marked by "coda" and then the coda
// section; a coda section not reached that way is not played the first time.
void resolveDaCapo(TunePerformance& performance) {
    std::vector<PerformanceEvent> replay;
    bool copying = true;
    bool armed = false;
    bool done = false;
    int mark = 0;
    std::string_view armedName;
    for (PartRendition& rendition : performance.renditions) {
        for (RepeatPass& pass : rendition.passes) {
            for (BarEvents& bar : pass.bars) {
                int markInBar = 0;
                for (const PerformanceEvent& event : bar.events) {
                    const int repeatMark = event.symbol != nullptr ? event.symbol->repeatMark : 0;
                    if (repeatMark == 1 || repeatMark == 2) {
                        armed = true;
                        armedName = event.name;
                        mark = markInBar = repeatMark;
                    } else if (bar.codaSection) {
                        copying = true;
                    }
                    if (armed && event.name != armedName) {
                        if (mark == 1) {
                            done = true;
                            break;
                        }
                        armed = false;
                        copying = false;
                    } else if (copying) {
                        replay.push_back(event);
                    }
                }
                if (done || markInBar == 1) {
                    done = true;
                    break;
                }
                if (markInBar == 2) {
                    armed = false;
                    copying = false;
                }
            }
            if (done) break;
        }
        if (done) break;
    }
    if (!done) {
        for (PartRendition& rendition : performance.renditions) {
            for (RepeatPass& pass : rendition.passes) {
                for (BarEvents& bar : pass.bars) {
                    if (bar.codaSection) bar.events.clear();
                }
            }
        }
    }
    if (performance.renditions.empty() || performance.renditions.back().passes.empty() ||
        performance.renditions.back().passes.back().bars.empty()) {
        return;
    }
    std::vector<PerformanceEvent>& last = performance.renditions.back().passes.back().bars.back().events;
    last.insert(last.end(), std::make_move_iterator(replay.begin()), std::make_move_iterator(replay.end()));
}

std::size_t eventCount(const TunePerformance& performance) {
    std::size_t count = 0;
    for (const PartRendition& rendition : performance.renditions) {
        for (const RepeatPass& pass : rendition.passes) {
            for (const BarEvents& bar : pass.bars) count += bar.events.size();
        }
    }
    return count;
}

// Makes room for `adding` more events and, when the list must grow, for the
// tunes still to come at the average so far and a quarter more. A large
// file's list then grows a few times by about what it needs, where doubling
// would leave up to half of it unused and hold the old and the new list at
// once when the last tunes arrive.
void makeRoom(std::vector<PerformanceEvent>& events, std::size_t adding, std::size_t tunesDone,
              std::size_t tunesLeft) {
    const std::size_t needed = events.size() + adding;
    if (needed <= events.capacity()) return;
    const std::size_t rest = needed / tunesDone * tunesLeft;
    events.reserve(needed + rest + rest / 4);
}

}  // namespace

int defaultTempoForTuneType(std::string_view tuneType) {
    const std::string type = lowerCase(tuneType);
    int tempo = 90;
    if (type == "march") tempo = 84;
    if (type == "strathspey") tempo = 130;
    if (type == "reel") tempo = 98;
    if (type == "jig") tempo = 132;
    if (type == "retreat march") tempo = 94;
    if (type == "hornpipe") tempo = 94;
    if (type == "air" || type == "slow air" || type == "gaelic air" || type == "slow march") tempo = 46;
    return tempo;
}

bool isPlayed(TimeLineFlags flags, int repeatPass, int partNumber, bool firstEndingSkip, bool inSegno,
              int segnoPass) {
    flags &= static_cast<TimeLineFlags>(~kBisTimeLine);
    const int n = partNumber;
    const bool singlingPlays = !inSegno || segnoPass == 1;
    const bool doublingPlays = !inSegno || segnoPass == 2;
    if (repeatPass == 1) {
        if (flags == 0 || has(flags, kFirstTime | kIntroduction)) return true;
        if (has(flags, kSecondOf22)) return n != 2;
        if (has(flags, kSecondOf23)) return n != 3;
        if (has(flags, kSecondOf24)) return n != 4;
        if (has(flags, kSecondOf224)) return n != 2 && n != 4;
        if (has(flags, kSecondOf25)) return n != 5;
        if (has(flags, kSecondOf26)) return n != 6;
        if (has(flags, kSecondOf27)) return n != 7;
        if (has(flags, kSecondOf28)) return n != 8;
        if (has(flags, kSingling)) return singlingPlays;
        if (has(flags, kDoubling)) return doublingPlays;
        return false;
    }
    if (flags == 0 || has(flags, kSecondTime | kLaterEndings | kIntroduction)) return true;
    if (has(flags, kFirstTime)) return !firstEndingSkip;
    if (has(flags, kSingling)) return singlingPlays;
    if (has(flags, kDoubling)) return doublingPlays;
    return false;
}

struct PerformanceBuilder::PassState {
    int partNumber = 1;
    bool inSegno = false;
    int segnoPass = 1;
    int repeatPass = 1;
    int bisPass = 1;
    bool insideRepeat = false;
    bool repeatEnded = false;
    bool bisSeen = false;
    bool bisEnd = false;
    bool firstEndingSkip = false;
};

BarEvents PerformanceBuilder::buildBar(const BarLayout& bar, const NoteMap& staffMap, PassState& state,
                                       const BarEvents* previous) {
    BarEvents events;
    events.codaSection = bar.codaSection != 0;
    events.map = staffMap;
    if (state.repeatPass == 2 && !state.insideRepeat && !barHolds(bar, BarLineKind::RepeatStart)) state.insideRepeat = true;
    for (const auto& owned : bar.symbols) {
        const Symbol& symbol = *owned;
        if (symbol.category == CAT_TIME_SIGNATURE) generator_.applyTimeSignature(symbol);
        if (symbol.category == CAT_TEMPO_MARK) generator_.applyTempoMark(symbol);
        if (symbol.category == CAT_NOTE_CHANGE) generator_.applyNoteChange(symbol, events.map);
        if (symbol.category == CAT_END_TIMELINE_BIS && state.bisPass == 1) {
            state.bisEnd = true;
            break;
        }
        const bool played = isPlayed(symbol.timeLines, state.repeatPass, state.partNumber, state.firstEndingSkip,
                                     state.inSegno, state.segnoPass);
        if (state.repeatPass == 1) {
            if (played) generator_.generate(symbol, events, previous, state.segnoPass);
            if (symbol.barLine == BarLineKind::RepeatStart) state.insideRepeat = true;
            if (symbol.barLine == BarLineKind::RepeatEnd) {
                state.repeatEnded = true;
                break;
            }
        } else if (state.insideRepeat) {
            if (played) generator_.generate(symbol, events, previous, state.segnoPass);
        } else if (symbol.barLine == BarLineKind::RepeatStart) {
            // The second pass starts after the repeat sign, not at its bar's start.
            state.insideRepeat = true;
        }
        if (symbol.name == kBis) state.bisSeen = true;
    }
    return events;
}

PartRendition PerformanceBuilder::buildPart(const PartLayout& part, int partNumber, bool inSegno, int segnoPass,
                                            bool& daCapoStop) {
    PassState state;
    state.partNumber = partNumber;
    state.inSegno = inSegno;
    state.segnoPass = segnoPass;
    PartRendition rendition;
    rendition.passes.emplace_back();
    const std::vector<BarPlace> places = barsOf(part);
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t repeatBar = kNone;
    std::size_t bisBar = kNone;
    const BarEvents* previous = nullptr;
    NoteMap staffMap = viewMap_;
    bool jumped = false;
    for (std::size_t at = 0; at < places.size();) {
        const BarPlace& place = places[at];
        if (place.firstOfStaff && !jumped) {
            // The key signature at the staff's start holds for the whole staff.
            staffMap = viewMap_;
            for (const auto& symbol : place.bar->symbols) {
                if (symbol->category == CAT_NOTE_CHANGE) generator_.applyNoteChange(*symbol, staffMap);
            }
        }
        jumped = false;
        if (repeatBar == kNone) repeatBar = at;
        if (bisBar == kNone) bisBar = at;
        const bool bisSeenBefore = state.bisSeen;
        const bool insideBefore = state.insideRepeat;
        RepeatPass& pass = rendition.passes.back();
        pass.bars.push_back(buildBar(*place.bar, staffMap, state, previous));
        previous = &pass.bars.back();
        if (!bisSeenBefore && state.bisSeen) bisBar = at;
        if (!insideBefore && state.insideRepeat) repeatBar = at;

        if (state.bisEnd && state.bisPass == 1) {
            state.bisEnd = false;
            state.bisSeen = false;
            state.bisPass = 2;
            at = bisBar;
            jumped = true;
            continue;
        }
        if (state.repeatEnded && state.repeatPass == 1) {
            rendition.passes.emplace_back();
            state.bisEnd = false;
            state.bisSeen = false;
            state.bisPass = 1;
            state.firstEndingSkip =
                partHolds(part, [](const Symbol& s) { return has(s.timeLines, kSecondTime); });
            state.insideRepeat = false;
            state.repeatEnded = false;
            state.repeatPass = 2;
            at = repeatBar;
            jumped = true;
            continue;
        }
        if (place.lastOfStaff && staffHoldsDaCapoAlFine(*place.staff)) {
            daCapoStop = true;
            return rendition;
        }
        ++at;
    }
    return rendition;
}

void PerformanceBuilder::transplantBar(const BarLayout& source, RepeatPass& pass, std::size_t barIndex) {
    BarEvents& target = pass.bars[barIndex];
    const BarEvents* previous = barIndex > 0 ? &pass.bars[barIndex - 1] : nullptr;
    std::vector<PerformanceEvent>& events = target.events;
    const auto firstEnding = std::find_if(events.begin(), events.end(),
                                          [](const PerformanceEvent& e) { return has(e.flags, kFirstTime); });
    std::vector<PerformanceEvent> after;
    if (firstEnding == events.end()) {
        events.clear();
    } else {
        std::move(firstEnding + 1, events.end(), std::back_inserter(after));
        events.erase(firstEnding, events.end());
        removeFirstEndings(events);
        removeFirstEndings(after);
    }
    for (const auto& symbol : source.symbols) {
        if (has(symbol->timeLines, kLaterEndings)) generator_.generate(*symbol, target, previous, 1);
    }
    events.insert(events.end(), std::make_move_iterator(after.begin()), std::make_move_iterator(after.end()));
}

void PerformanceBuilder::transplantLaterEndings(const Tune& tune, TunePerformance& performance) {
    for (const auto& part : tune.parts) {
        std::size_t barIndex = 0;
        for (const auto& staff : part->staves) {
            for (const auto& bar : staff->bars) {
                const auto flagged = std::find_if(bar->symbols.begin(), bar->symbols.end(), [](const auto& s) {
                    return has(s->timeLines, kLaterEndings);
                });
                if (flagged != bar->symbols.end()) {
                    const TimeLineFlags flags = (*flagged)->timeLines;
                    const auto target = std::find_if(kEndingTargets.begin(), kEndingTargets.end(),
                                                      [flags](const EndingTarget& t) { return has(flags, t.flag); });
                    for (int position : target->renditions) {
                        if (position == 0 || static_cast<std::size_t>(position) > performance.renditions.size()) {
                            continue;
                        }
                        PartRendition& rendition = performance.renditions[static_cast<std::size_t>(position - 1)];
                        if (rendition.passes.size() < 2 || barIndex >= rendition.passes[1].bars.size()) continue;
                        transplantBar(*bar, rendition.passes[1], barIndex);
                    }
                }
                ++barIndex;
            }
        }
    }
}

std::vector<SignSpan> signSpans(const Tune& tune) {
    std::vector<SignSpan> spans;
    bool open = false;
    for (std::size_t p = 0; p < tune.parts.size(); ++p) {
        const PartLayout& part = *tune.parts[p];
        if (!open && partHolds(part, [](const Symbol& s) { return s.category == CAT_SIGN; })) {
            spans.push_back(SignSpan{p, p, false});
            open = true;
        }
        if (!open) continue;
        spans.back().lastPart = p;
        if (partHolds(part, [](const Symbol& s) { return s.direction == DirectionKind::DalSegno; })) {
            spans.back().replayed = true;
            open = false;
        }
    }
    return spans;
}

TunePerformance PerformanceBuilder::buildTune(const Tune& tune) {
    TunePerformance performance;
    const std::vector<SignSpan> spans = signSpans(tune);
    auto span = spans.begin();
    bool daCapoStop = false;
    for (std::size_t p = 0; p < tune.parts.size() && !daCapoStop; ++p) {
        const int partNumber = static_cast<int>(p) + 1;
        if (span != spans.end() && p > span->lastPart) ++span;
        const bool inSegno = span != spans.end() && p >= span->signPart;
        performance.renditions.push_back(buildPart(*tune.parts[p], partNumber, inSegno, 1, daCapoStop));
        if (inSegno && span->replayed && p == span->lastPart) {
            for (std::size_t replay = span->signPart; replay <= p; ++replay) {
                bool ignored = false;
                performance.renditions.push_back(buildPart(*tune.parts[replay], partNumber, true, 2, ignored));
            }
        }
    }
    transplantLaterEndings(tune, performance);
    for (PartRendition& rendition : performance.renditions) {
        if (rendition.passes.size() >= 2) {
            for (BarEvents& bar : rendition.passes[1].bars) removeFirstEndings(bar.events);
        }
    }
    if (tune.daCapo != 0) resolveDaCapo(performance);
    return performance;
}

void keepFirstMarkedRun(std::vector<PerformanceEvent>& events) {
    const auto marked = [](const PerformanceEvent& e) { return e.symbol != nullptr && e.symbol->marked; };
    const auto begin = std::find_if(events.begin(), events.end(), marked);
    if (begin == events.end()) return;
    const auto end = std::find_if(begin, events.end(), [](const PerformanceEvent& e) {
        return e.symbol != nullptr && !e.symbol->marked;
    });
    events.erase(end, events.end());
    events.erase(events.begin(), begin);
}

NoteMap noteMapFor(const PlaybackSettings& settings) {
    return NoteMap::fromTable(settings.output == PlaybackOutput::Speaker ? settings.frequencies : settings.midiNotes);
}

int tuneTempo(const Tune& tune) {
    return tune.header.tempo != 0 ? tune.header.tempo : defaultTempoForTuneType(tuneTypeOf(tune));
}

bool Performance::build(const std::vector<std::unique_ptr<Tune>>& tunes, PlaybackSettings& settings,
                        const NoteMap& viewMap, bool& lacksTempoLine, const TempoLineWriter& writeTempoLine) {
    if (playing()) return false;
    playIndex_ = 0;
    settings.timerResolution = timerResolution(std::nullopt);
    events_.clear();
    int rememberedTempo = settings.tempo;
    PerformanceBuilder builder(settings, viewMap);
    for (std::size_t done = 0; done < tunes.size(); ++done) {
        const Tune* tune = tunes[done].get();
        const int tempo = tuneTempo(*tune);
        settings.tempo = tempo;
        if (tune->header.variationTempo != 0) settings.variationTempo = tune->header.variationTempo;
        if (lacksTempoLine) {
            lacksTempoLine = false;
            if (writeTempoLine) writeTempoLine(tempo);
            rememberedTempo = tempo;
        }
        TunePerformance performance = builder.buildTune(*tune);
        makeRoom(events_, eventCount(performance), done + 1, tunes.size() - done - 1);
        for (PartRendition& rendition : performance.renditions) {
            for (RepeatPass& pass : rendition.passes) {
                BarMark mark = BarMark::Part;
                for (BarEvents& bar : pass.bars) {
                    if (bar.events.empty()) continue;
                    bar.events.front().bar = mark;
                    mark = BarMark::Bar;
                    events_.insert(events_.end(), std::make_move_iterator(bar.events.begin()),
                                   std::make_move_iterator(bar.events.end()));
                }
            }
        }
    }
    keepFirstMarkedRun(events_);
    settings.tempo = rememberedTempo;
    return true;
}

}  // namespace skirlo
