#pragma once
// The text of one bar to its symbols: tokens, map lookups, the running time
// lines and current note, the bar line before a clef, in-line texts hung on
// the symbol that follows them, and the links between symbols.
//
// One builder serves one tune. It keeps the previous-symbol chain of the bar
// being built and the bar before it in the staff line, so a builder must not
// be used for two bars at once.

#include <memory>
#include <string_view>
#include <vector>

#include "notation/MusicCutter.h"
#include "notation/SymbolMap.h"
#include "notation/TuneBuilder.h"
#include "notation/TuneTree.h"

namespace skirlo {

// Splits a bar at blanks outside quotes and at tabs and line ends everywhere.
// A '"' opens a quoted run; a second one closes it unless a ',' follows (or it
// is the bar's last character); a ')' always closes it.
std::vector<std::string_view> tokenizeBar(std::string_view bar);
void tokenizeBar(std::string_view bar, std::vector<std::string_view>& tokens);

class BarBuilder {
public:
    // `textNumber` is the running number of placed texts across all tunes.
    BarBuilder(const TuneBuildContext& context, Tune& tune, int& textNumber);

    // Builds the bar at (x, y). `timeLines` is the part's running value.
    // The symbols' source ranges are counted from the bar's source.
    std::unique_ptr<BarLayout> build(const BarText& barText, int x, int y, TimeLineFlags& timeLines,
                                     StaffLayout& staff);
    // The staff line is complete: ties and triplet ends no longer look back.
    void endStaffLine();

    // A dacapoalfine or dacapoalcoda repeat sign has been made.
    bool sawDaCapo() const { return sawDaCapo_; }

private:
    struct BarState;
    // The newest span start (category 18 or 20) and what followed it.
    struct SpanStart {
        Symbol* start = nullptr;
        Symbol* firstAfter = nullptr;  // the symbol made right after it
        Symbol* coveredTo = nullptr;   // newest end whose notes are already flagged from it
    };

    void addToken(std::string_view token, SourceRange source, BarState& bar);
    Symbol* addSymbol(std::string_view name, const SymbolMap::Lookup& lookup, BarState& bar, Symbol* related,
                      SourceRange source);
    void identify(Symbol& symbol, std::string_view name, const SymbolMap::Lookup& lookup);
    void measure(Symbol& symbol) const;
    void link(Symbol& symbol, BarState& bar, Symbol* related);
    void linkNote(Symbol& note, Symbol* related);
    void linkTriplet(Symbol& mark, Symbol* related) const;
    void linkSpanEnd(Symbol& end, Symbol* related);
    void markRepeat(Symbol& sign) const;
    void place(Symbol& symbol, BarState& bar, Symbol* related);
    void push(Symbol& symbol);
    void resetChain();
    void attachText(std::string_view quoted, SourceRange source, Symbol& symbol);
    void reportUnknown(const Symbol& symbol);
    void finishBar(BarState& bar);

    const TuneBuildContext& context_;
    Tune& tune_;
    int& textNumber_;

    // The chain of the bar being built (reset at a clef and a rebuilt tie),
    // with what rules that would walk it back need to know of it.
    Symbol* previous_ = nullptr;
    Symbol* lastMelodyOrEmbellishment_ = nullptr;
    SpanStart runStart_;
    SpanStart tieStart_;

    // The bar before, in the same staff line.
    BarLayout* previousBar_ = nullptr;
    Symbol* previousBarLastNote_ = nullptr;
    SpanStart previousBarRunStart_;
    SpanStart previousBarTieStart_;

    bool sawDaCapo_ = false;
    std::vector<std::string_view> tokens_;  // reused from bar to bar
};

}  // namespace skirlo
