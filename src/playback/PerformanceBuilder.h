#pragma once
// From the tunes of a document to one flat, ordered list of chanter notes:
// part repeats, first and second endings, the later-part endings ('22 to
// '28, '224), singling and doubling, 'bis, dal segno and da capo resolved;
// the notes of each bar come from the NoteEventGenerator.
//
// While building, each tune is held as renditions of its parts, each with one
// or two passes of bars; the events then move into the flat list.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "notation/SymbolVocabulary.h"
#include "playback/NoteEvents.h"

namespace skirlo {

struct Tune;
struct PartLayout;
struct StaffLayout;
struct BarLayout;

// One pass through a part.
struct RepeatPass {
    std::vector<BarEvents> bars;
};

// One played part: two passes when it repeats ("I!''" ... "''!I"), else one.
struct PartRendition {
    std::vector<RepeatPass> passes;
};

// A tune's parts in playing order; a dal segno adds the replayed parts.
struct TunePerformance {
    std::vector<PartRendition> renditions;
};

// Beats per minute for a tune type text, compared in lower case.
int defaultTempoForTuneType(std::string_view tuneType);
// The tempo a tune plays at: its own, or else that of its type.
int tuneTempo(const Tune& tune);

// Whether a symbol with these time lines sounds on this pass. `partNumber`
// counts from 1; `inSegno` and `segnoPass` (1 or 2) say whether the part is
// between a sign and its dal segno and whether this is the replay.
bool isPlayed(TimeLineFlags flags, int repeatPass, int partNumber, bool firstEndingSkip, bool inSegno,
              int segnoPass);

// The parts from a sign to the end of the part that holds its dal segno
// (indexes into the tune's parts). The performance plays them with their
// singlings, then again with their doublings. A sign with no dal segno after
// it reaches to the tune's last part and is not replayed; a dal segno with no
// sign before it is not taken.
struct SignSpan {
    std::size_t signPart = 0;
    std::size_t lastPart = 0;
    bool replayed = false;
};
std::vector<SignSpan> signSpans(const Tune& tune);

class PerformanceBuilder {
public:
    PerformanceBuilder(PlaybackSettings& settings, const NoteMap& viewMap)
        : viewMap_(viewMap), generator_(settings, viewMap) {}

    TunePerformance buildTune(const Tune& tune);

    // `daCapoStop` is set when the part ends the playing at a "dacapoalfine".
    PartRendition buildPart(const PartLayout& part, int partNumber, bool inSegno, int segnoPass, bool& daCapoStop);

private:
    struct PassState;

    BarEvents buildBar(const BarLayout& bar, const NoteMap& staffMap, PassState& state, const BarEvents* previous);
    void transplantLaterEndings(const Tune& tune, TunePerformance& performance);
    void transplantBar(const BarLayout& source, RepeatPass& pass, std::size_t barIndex);

    const NoteMap& viewMap_;
    NoteEventGenerator generator_;
};

// Keeps only the run that starts at the first event whose symbol is marked
// and ends before the first later event whose symbol is not (events without
// a symbol inside the run stay); with nothing marked, keeps everything.
void keepFirstMarkedRun(std::vector<PerformanceEvent>& events);

// The note map of the selected output: MIDI note numbers or frequencies.
NoteMap noteMapFor(const PlaybackSettings& settings);

// Writes the tempo line into the script text of a file that has none.
using TempoLineWriter = std::function<void(int tempo)>;

// The flat list the view plays, exports and follows with its ball.
class Performance {
public:
    // Replaces the events by those of every tune, in order, and resets the
    // play index. Does nothing while playing (the list is being read) and
    // returns false then. Tempo marks change the settings' tempo only for the
    // duration of the build. When `lacksTempoLine` is set it is cleared, the
    // writer gets the first tune's tempo, and that tempo stays current.
    bool build(const std::vector<std::unique_ptr<Tune>>& tunes, PlaybackSettings& settings, const NoteMap& viewMap,
               bool& lacksTempoLine, const TempoLineWriter& writeTempoLine);

    const std::vector<PerformanceEvent>& events() const { return events_; }
    std::size_t playIndex() const { return playIndex_; }
    // Whether the list is being played: the player's own flag, so that the
    // view, the player and the builds all read one and the same.
    bool playing() const { return playing_ != nullptr && playing_->load(); }
    void setPlayingFlag(const std::atomic<bool>* playing) { playing_ = playing; }

private:
    std::vector<PerformanceEvent> events_;
    std::size_t playIndex_ = 0;
    const std::atomic<bool>* playing_ = nullptr;
};

}  // namespace skirlo
