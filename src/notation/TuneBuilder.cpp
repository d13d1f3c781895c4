#include "notation/TuneBuilder.h"

#include <algorithm>
#include <string>

#include "notation/BarBuilder.h"
#include "notation/MusicCutter.h"
#include "notation/SymbolPlacement.h"
#include "tunefile/HeaderRegion.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace {

// Reads the tunes of one snapshot front to back. Every search moves forward
// through the snapshot, so a build is linear in the size of the text.
class TuneReader {
public:
    TuneReader(std::string_view snapshot, ScriptText& script, bool convertBareStrings, const TuneBuildContext& context)
        : snapshot_(snapshot),
          script_(script),
          convertBareStrings_(convertBareStrings),
          context_(context),
          headerSearch_(snapshot),
          cutter_(snapshot) {}

    void readEach(const TuneTaker& take) {
        std::size_t position = 0;
        int y = context_.topY;
        while (position < snapshot_.size()) {
            auto tune = std::make_unique<Tune>();
            tune->x = context_.leftX;
            tune->y = y;
            position = readTune(*tune, position);
            y = tune->y + tune->height;
            if (!take(std::move(tune))) return;
        }
    }

private:
    // Reads the tune that starts at `start`; returns where the next one starts.
    std::size_t readTune(Tune& tune, std::size_t start) {
        readHeader(tune, start);
        if (context_.placement != nullptr) context_.placement->beginTune(tune);
        std::size_t next = snapshot_.size();
        const std::size_t ampersand = cutter_.firstAmpersand(start);
        BarBuilder bars(context_, tune, textNumber_);
        if (ampersand != MusicCutter::npos) {
            const std::size_t body = start + bodyStart(snapshot_.substr(start), ampersand - start);
            std::size_t musicEnd = body;
            next = readParts(tune, body, bars, musicEnd);
            for (const TextRange& last : unclosedStaffLines(snapshot_, body, next)) {
                tune.unclosedStaves.push_back(SourceRange::between(shifted(last.begin), shifted(last.end)));
            }
            noteWordsAfterMusic(tune, musicEnd, next);
        }
        tune.daCapo = bars.sawDaCapo() ? 1 : 0;
        for (const auto& part : tune.parts) {
            tune.width = std::max(tune.width, part->width);
            tune.overhang = std::max(tune.overhang, part->overhang);
            tune.height += part->height;
        }
        tune.width += tune.overhang;
        tune.height += tune.headerBandHeight + tune.footerBandHeight;
        if (context_.placement != nullptr) context_.placement->finishTune(tune);
        return next;
    }

    // Words after the last part are neither shown nor played; each is
    // reported, as an unknown name or as music out of place.
    void noteWordsAfterMusic(Tune& tune, std::size_t musicEnd, std::size_t next) {
        for (const TextRange& word : wordsAfterMusic(snapshot_, musicEnd, next)) {
            const std::string_view name = snapshot_.substr(word.begin, word.end - word.begin);
            tune.wordsAfterMusic.push_back({std::string(name),
                                            SourceRange::between(shifted(word.begin), shifted(word.end)),
                                            context_.symbols.find(name).entry != nullptr});
        }
    }

    void readHeader(Tune& tune, std::size_t start) {
        HeaderRegionReader reader(headerSearch_, start, script_, growth_, convertBareStrings_, context_.measuring,
                                  context_.scale, context_.repairs);
        for (;;) {
            const HeaderRegionReader::Step step = reader.next(tune.header);
            if (step == HeaderRegionReader::Step::None) return;
            if (step == HeaderRegionReader::Step::Record && !tune.header.texts.empty()) {
                tune.header.texts.back()->number = textNumber_++;
            }
        }
    }

    // Reads the parts from `body`; returns where the next tune starts and
    // sets `musicEnd` to the end of the last part.
    std::size_t readParts(Tune& tune, std::size_t body, BarBuilder& bars, std::size_t& musicEnd) {
        std::size_t rest = body;
        int y = tune.y + tune.headerBandHeight;
        for (bool first = true;; first = false) {
            const MusicCutter::PartCut cut = cutter_.nextPart(rest, first);
            if (cut.part) {
                tune.parts.push_back(readPart(*cut.part, y, bars));
                y += tune.parts.back()->height;
                musicEnd = cut.part->end;
            }
            if (cut.tuneEnds) return cut.nextTuneStart;
        }
    }

    std::unique_ptr<PartLayout> readPart(TextRange text, int y, BarBuilder& bars) {
        auto part = std::make_unique<PartLayout>();
        part->x = context_.leftX;
        part->y = y;
        TimeLineFlags timeLines = 0;  // no time line carries into a part
        std::size_t rest = text.begin;
        while (const std::optional<TextRange> line = cutter_.nextStaffLine(rest, text.end)) {
            auto staff = std::make_unique<StaffLayout>();
            staff->x = part->x;
            staff->y = part->y + part->height;
            readStaff(*staff, *line, timeLines, bars);
            // From the codasection staff line to the end of the part.
            if (staff->codaSection != 0) part->codaSection = 1;
            staff->codaSection = part->codaSection;
            part->width = std::max(part->width, staff->width);
            part->height += staff->height;
            part->overhang = std::max(part->overhang, staff->overhang);
            part->staves.push_back(std::move(staff));
        }
        return part;
    }

    void readStaff(StaffLayout& staff, TextRange text, TimeLineFlags& timeLines, BarBuilder& bars) {
        if (context_.placement != nullptr) context_.placement->beginStaff(staff);
        const int y = staff.y + staff.ballBandHeight;
        int tallest = 0;
        std::size_t rest = text.begin;
        while (nextBar(snapshot_, rest, text.end, barText_)) {
            // The header readers' edits stand before this music in the live script.
            barText_.source = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(barText_.source) + growth_);
            std::unique_ptr<BarLayout> bar = bars.build(barText_, staff.x + staff.width, y, timeLines, staff);
            // From the codasection bar to the end of the staff line.
            if (bar->codaSection != 0) staff.codaSection = 1;
            bar->codaSection = staff.codaSection;
            staff.width += bar->width;
            tallest = std::max(tallest, bar->height);
            staff.bars.push_back(std::move(bar));
        }
        bars.endStaffLine();
        staff.height = staff.ballBandHeight + tallest;
        if (!staff.bars.empty()) staff.trailingRepeatWidth = staff.bars.back()->trailingRepeatWidth;
        staff.overhang = staff.trailingRepeatWidth;
        if (context_.placement != nullptr) context_.placement->finishStaff(staff);
    }

    std::string_view snapshot_;
    ScriptText& script_;
    bool convertBareStrings_;
    const TuneBuildContext& context_;
    HeaderSearch headerSearch_;
    MusicCutter cutter_;
    // A snapshot offset in the live script, past the header readers' edits.
    std::size_t shifted(std::size_t at) const {
        return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + growth_);
    }

    std::ptrdiff_t growth_ = 0;  // bytes the header readers have added to the live script
    int textNumber_ = 0;         // running number of placed texts across all tunes
    BarText barText_;            // reused: one bar at a time
};

}  // namespace

void buildTunes(ScriptText& script, bool convertBareStrings, const TuneBuildContext& context, const TuneTaker& take) {
    // Header records may be completed in the live script while it is read.
    const std::string snapshot = script.text();
    TuneReader reader(snapshot, script, convertBareStrings, context);
    reader.readEach(take);
}

std::vector<std::unique_ptr<Tune>> buildTunes(ScriptText& script, bool convertBareStrings,
                                              const TuneBuildContext& context) {
    std::vector<std::unique_ptr<Tune>> tunes;
    buildTunes(script, convertBareStrings, context, [&tunes](std::unique_ptr<Tune> tune) {
        tunes.push_back(std::move(tune));
        return true;
    });
    return tunes;
}

}  // namespace skirlo
