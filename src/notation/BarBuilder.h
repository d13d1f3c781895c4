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

#include "notation/SymbolMap.h"
#include "notation/TuneBuilder.h"
#include "notation/TuneTree.h"

namespace skirlo {

// Splits a bar at blanks outside quotes and at tabs and line ends everywhere.
// A '"' opens a quoted run; a second one closes it unless a ',' follows (or it
// is the bar's last character); a ')' always closes it.
std::vector<std::string_view> tokenizeBar(std::string_view bar);

class BarBuilder {
public:
    // `textNumber` is the running number of placed texts across all tunes.
    BarBuilder(const TuneBuildContext& context, Tune& tune, int& textNumber);

    // Builds the bar at (x, y). `timeLines` is the part's running value.
    std::unique_ptr<BarLayout> build(std::string_view barText, int x, int y, TimeLineFlags& timeLines,
                                     StaffLayout& staff);
    // The staff line is complete: ties and triplet ends no longer look back.
    void endStaffLine();

    // A dacapoalfine or dacapoalcoda repeat sign has been made.
    bool sawDaCapo() const { return sawDaCapo_; }

private:
    struct BarState;

    Symbol* addToken(std::string_view token, BarState& bar);
    std::unique_ptr<Symbol> makeSymbol(std::string_view name, const SymbolMap::Lookup& lookup, BarState& bar,
                                       Symbol* related);
    void identify(Symbol& symbol, std::string_view name, const SymbolMap::Lookup& lookup);
    void measure(Symbol& symbol, int section);
    void link(Symbol& symbol, BarState& bar, Symbol* related);
    void linkNote(Symbol& note, Symbol* related);
    void linkTriplet(Symbol& mark, Symbol* related);
    void linkSpanEnd(Symbol& end, std::int32_t startCategory, Symbol* related);
    void markRepeat(Symbol& sign);
    void place(Symbol& symbol, BarState& bar);
    Symbol* append(std::unique_ptr<Symbol> symbol, BarState& bar, int xBefore);
    void resetChain();
    void attachText(std::string_view quoted, Symbol& symbol);
    void reportUnknown(std::string_view name);
    void finishBar(BarState& bar);

    const TuneBuildContext& context_;
    Tune& tune_;
    int& textNumber_;

    // The chain of the bar being built (reset at a clef and a rebuilt tie).
    Symbol* previous_ = nullptr;
    Symbol* lastMelodyOrEmbellishment_ = nullptr;  // newest in the chain
    Symbol* lastRunStart_ = nullptr;               // newest category 18 in the chain
    Symbol* lastRunStartCoveredTo_ = nullptr;      // newest end that covered from it
    Symbol* lastTieStart_ = nullptr;               // newest category 20 in the chain

    // The bar before, in the same staff line.
    BarLayout* previousBar_ = nullptr;
    Symbol* previousBarLastNote_ = nullptr;
    Symbol* previousBarRunStart_ = nullptr;
    Symbol* previousBarTieStart_ = nullptr;
    bool previousBarRunCovered_ = false;

    bool sawDaCapo_ = false;
};

}  // namespace skirlo
