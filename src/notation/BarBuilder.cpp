#include "notation/BarBuilder.h"

#include <algorithm>
#include <string>

#include "common/MessageSink.h"
#include "notation/SymbolPlacement.h"
#include "notation/TuneProblems.h"
#include "tunefile/TextRecord.h"

namespace skirlo {

namespace {

constexpr std::string_view kMelodyClass = "melody";
constexpr std::string_view kEmbellishmentClass = "embellishment";

bool endsToken(char c, bool inQuote) { return (c == ' ' && !inQuote) || c == '\t' || c == '\n' || c == '\r'; }

// The category the symbol will have: fixed names first, then the map row.
std::int32_t categoryFor(std::string_view name, const SymbolMap::Lookup& lookup) {
    if (name == kBeatSeparatorName) return CAT_BEAT_SEPARATOR;
    if (isTempoMarkName(name)) return CAT_TEMPO_MARK;
    return lookup.entry != nullptr ? lookup.entry->category : CAT_BEAT_SEPARATOR;
}

bool waitsForNextNote(const Symbol* symbol) {
    if (symbol == nullptr || symbol->forwardLink != nullptr) return false;
    switch (symbol->category) {
        case CAT_TIES:
        case CAT_PIOB_OVERNEXT:
        case CAT_PIOB_UNDERNEXT:
        case CAT_PIOB_UNDERNEXT_CAMACH:
        case CAT_SIGN:
            return true;
        default:
            return false;
    }
}

void flagIfMelody(Symbol* symbol) {
    if (symbol != nullptr && isMelodyCategory(symbol->category)) symbol->inTuplet = true;
}

// The newest symbol of `category` in the bar and the one after it.
void findSpanStart(BarLayout& bar, std::int32_t category, Symbol*& start, Symbol*& firstAfter) {
    start = nullptr;
    firstAfter = nullptr;
    for (std::size_t i = bar.symbols.size(); i-- > 0;) {
        if (bar.symbols[i]->category == category) {
            start = bar.symbols[i].get();
            if (i + 1 < bar.symbols.size()) firstAfter = bar.symbols[i + 1].get();
            return;
        }
    }
}

}  // namespace

std::vector<std::string_view> tokenizeBar(std::string_view bar) {
    std::vector<std::string_view> tokens;
    tokenizeBar(bar, tokens);
    return tokens;
}

void tokenizeBar(std::string_view bar, std::vector<std::string_view>& tokens) {
    tokens.clear();
    bool inQuote = false;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < bar.size(); ++i) {
        const char c = bar[i];
        if (endsToken(c, inQuote)) {
            if (i > begin) tokens.push_back(bar.substr(begin, i - begin));
            begin = i + 1;
            continue;
        }
        if (c == '"') {
            // A closing quote followed by the attribute list's comma keeps the
            // run open until its ')'.
            const bool last = i + 1 == bar.size();
            inQuote = !inQuote || last || bar[i + 1] == ',';
        } else if (c == ')') {
            inQuote = false;
        }
    }
    if (bar.size() > begin) tokens.push_back(bar.substr(begin));
}

struct BarBuilder::BarState {
    BarLayout& layout;
    TimeLineFlags& timeLines;
    StaffLayout& staff;
    int x = 0;
    Symbol* currentNote = nullptr;  // cleared by a beat separator
    Symbol* lastNote = nullptr;     // kept to the end of the bar
    std::string_view pendingText;
    SourceRange pendingSource;
};

BarBuilder::BarBuilder(const TuneBuildContext& context, Tune& tune, int& textNumber)
    : context_(context), tune_(tune), textNumber_(textNumber) {}

std::unique_ptr<BarLayout> BarBuilder::build(const BarText& barText, int x, int y, TimeLineFlags& timeLines,
                                             StaffLayout& staff) {
    auto bar = std::make_unique<BarLayout>();
    bar->x = x;
    bar->y = y;
    BarState state{*bar, timeLines, staff, x, nullptr, nullptr, {}, {}};
    resetChain();
    tokenizeBar(barText.text, tokens_);
    bar->symbols.reserve(tokens_.size());
    std::size_t separatorsBefore = 0;
    for (std::string_view token : tokens_) addToken(token, barText.sourceOf(token, separatorsBefore), state);
    finishBar(state);
    return bar;
}

void BarBuilder::endStaffLine() {
    previousBar_ = nullptr;
    previousBarLastNote_ = nullptr;
    previousBarRunStart_ = {};
    previousBarTieStart_ = {};
}

void BarBuilder::addToken(std::string_view token, SourceRange source, BarState& bar) {
    if (token.front() == '"') {
        bar.pendingText = token;  // an earlier text not yet attached is dropped
        bar.pendingSource = source;
        return;
    }
    const SymbolMap::Lookup lookup = context_.symbols.find(token);
    const std::int32_t category = categoryFor(token, lookup);
    Symbol* related = bar.currentNote;
    if (category == CAT_TIES && related == nullptr) {
        // A tie after a beat separator starts from the bar's last note.
        resetChain();
        related = bar.lastNote;
    } else if (category == CAT_G_CLEF) {
        resetChain();
        addSymbol(kBarLineName, context_.symbols.find(kBarLineName), bar, related, {source.begin, source.begin});
    }
    Symbol* symbol = addSymbol(token, lookup, bar, related, source);
    if (isMelodyCategory(symbol->category)) {
        bar.currentNote = symbol;
        bar.lastNote = symbol;
    } else if (symbol->category == CAT_TIES) {
        bar.currentNote = symbol;
    } else if (symbol->category == CAT_BEAT_SEPARATOR) {
        bar.currentNote = nullptr;
    }
    if (!bar.pendingText.empty() && symbol->category != CAT_BEAT_SEPARATOR) {
        attachText(bar.pendingText, bar.pendingSource, *symbol);
        bar.pendingText = {};
    }
    if (token == kCodaSectionName) bar.layout.codaSection = 1;
}

Symbol* BarBuilder::addSymbol(std::string_view name, const SymbolMap::Lookup& lookup, BarState& bar,
                              Symbol* related, SourceRange source) {
    const int xBefore = bar.x;
    auto owned = std::make_unique<Symbol>();
    Symbol& symbol = *owned;
    symbol.setFonts(context_.fonts);
    symbol.name = std::string(name);
    symbol.barLine = barLineKindOf(name);
    symbol.direction = directionKindOf(name);
    symbol.source = source;
    symbol.timeLines = bar.timeLines;
    symbol.x = bar.x;
    symbol.y = bar.layout.y;
    symbol.staff = &bar.staff;

    identify(symbol, name, lookup);
    measure(symbol);
    link(symbol, bar, related);
    place(symbol, bar, related);
    if (symbol.category != CAT_BEAT_SEPARATOR && symbol.category != CAT_TEMPO_MARK) push(symbol);

    BarLayout& layout = bar.layout;
    layout.width += symbol.advanceWidth + (bar.x - xBefore);
    bar.x += symbol.advanceWidth;
    layout.height = std::max(layout.height, symbol.height);
    layout.symbols.push_back(std::move(owned));
    return &symbol;
}

void BarBuilder::identify(Symbol& symbol, std::string_view name, const SymbolMap::Lookup& lookup) {
    const SymbolMapEntry* entry = lookup.entry;
    if (entry == nullptr) {
        if (isTempoMarkName(name)) {
            symbol.category = CAT_TEMPO_MARK;
        } else if (name != kBeatSeparatorName) {
            symbol.unknown = true;
            reportUnknown(symbol);
        }
        return;
    }
    symbol.setGlyphSection(lookup.section);
    symbol.glyphCharacter = static_cast<std::uint8_t>(entry->glyphCharacter);
    symbol.setEntry(entry);
    symbol.category = static_cast<std::int16_t>(categoryFor(name, lookup));
    if (symbol.category != CAT_BEAT_SEPARATOR && symbol.category != CAT_TEMPO_MARK) {
        symbol.pitch = static_cast<std::int16_t>(entry->pitch);
        symbol.tailCode = static_cast<std::int16_t>(entry->tailCode);
        symbol.noteValue = entry->noteValue;
    }
    if ((symbol.category == CAT_RUNS_OF_3 || symbol.category == CAT_RUNS_OF_3_END) && takesRunOf3EndGlyph(name)) {
        // Every triplet mark is drawn with the one glyph of ^3e.
        symbol.name = std::string(kRunOf3EndName);
        const SymbolMap::Lookup endGlyph = context_.symbols.find(kRunOf3EndName);
        if (endGlyph.entry != nullptr) {
            symbol.setGlyphSection(endGlyph.section);
            symbol.glyphCharacter = static_cast<std::uint8_t>(endGlyph.entry->glyphCharacter);
        }
    }
}

void BarBuilder::measure(Symbol& symbol) const {
    const Font* glyphFont = symbol.glyphFont();
    if (glyphFont == nullptr) return;
    symbol.glyphExtent = glyphFont->textExtent(symbol.glyphText());
    const Font* boxFont = glyphFont;
    int code = symbol.glyphCharacter;
    if (isBarLineCategory(symbol.category)) {
        // Every bar line has the black box of the reference bar line.
        boxFont = symbol.staffFont();
        code = '!';
    }
    if (boxFont == nullptr) return;
    const GlyphBox box = boxFont->glyphBox(code);
    symbol.glyphBox = {box.width, std::max(box.height, 1)};
    symbol.glyphOrigin = {box.originX, boxFont->ascent() - box.originY};
}

void BarBuilder::link(Symbol& symbol, BarState& bar, Symbol* related) {
    if (symbol.category != CAT_BEAT_SEPARATOR && symbol.category != CAT_TEMPO_MARK) symbol.previousSymbol = previous_;
    switch (symbol.category) {
        case CAT_MELODY_NO_TAIL:
        case CAT_MELODY_RIGHT_TAIL:
        case CAT_MELODY_LEFT_TAIL:
            linkNote(symbol, related);
            break;
        case CAT_RUNS_OF_3:
            linkTriplet(symbol, related);
            break;
        case CAT_TIES:
            symbol.backLink = related != nullptr ? related : previousBarLastNote_;
            break;
        case CAT_RUNS_OF_3_END:
        case CAT_TIES_END:
            linkSpanEnd(symbol, related);
            break;
        case CAT_START_TIMELINE: {
            const TimeLineFlags bit = timeLineBit(symbol.name);
            bar.timeLines = bit != 0 ? static_cast<TimeLineFlags>(bar.timeLines | bit) : TimeLineFlags{0};
            symbol.timeLines = bit != 0 ? static_cast<TimeLineFlags>(symbol.timeLines | bit) : TimeLineFlags{0};
            break;
        }
        case CAT_END_TIMELINE:
        case CAT_END_TIMELINE_BIS:
            symbol.backLink = previous_;
            symbol.timeLines = closeTimeLines(symbol.timeLines);
            bar.timeLines = closeTimeLines(bar.timeLines);
            break;
        case CAT_FERMATA:
        case CAT_PIOB_UNDERPREV:
            symbol.backLink = previous_ != nullptr ? previous_ : related;
            break;
        case CAT_SIGN_REPEAT:
            markRepeat(symbol);
            if (isDaCapo(symbol.direction)) sawDaCapo_ = true;
            break;
        case CAT_RUNS_OF_3_START:
        case CAT_TIES_START:
            symbol.setGlyphSection(0);  // they only mark where a span begins
            break;
        default:
            break;
    }
    if (isArcCategory(symbol.category)) {
        symbol.drawAsArc();
        symbol.timeLines = 0;
    }
}

void BarBuilder::linkNote(Symbol& note, Symbol* related) {
    if (note.category != CAT_MELODY_NO_TAIL) {
        // The related note may be a tie; its back link leads to the note.
        Symbol* earlier = related;
        while (earlier != nullptr && !isMelodyCategory(earlier->category)) earlier = earlier->backLink;
        if (earlier != nullptr && isJoiningTail(earlier->tailCode) && isJoiningTail(note.tailCode)) {
            note.backLink = earlier;
        }
    }
    for (Symbol* waiting : {previous_, related}) {
        if (!waitsForNextNote(waiting)) continue;
        waiting->forwardLink = &note;
        if (waiting->category == CAT_TIES) note.tieTarget = true;
    }
}

void BarBuilder::linkTriplet(Symbol& mark, Symbol* related) const {
    Symbol* last = related != nullptr ? related : previous_;
    mark.backLink = last;
    if (last == nullptr || last->backLink == nullptr || last->backLink->backLink == nullptr) return;
    flagIfMelody(last);
    flagIfMelody(last->backLink);
    flagIfMelody(last->backLink->backLink);
}

void BarBuilder::linkSpanEnd(Symbol& end, Symbol* related) {
    const bool triplet = end.category == CAT_RUNS_OF_3_END;
    SpanStart& inThisBar = triplet ? runStart_ : tieStart_;
    SpanStart& inBarBefore = triplet ? previousBarRunStart_ : previousBarTieStart_;
    SpanStart* span = inThisBar.start != nullptr ? &inThisBar : inBarBefore.start != nullptr ? &inBarBefore : nullptr;
    if (span == nullptr) {
        if (triplet) {
            linkTriplet(end, related);
        } else {
            end.backLink = related;  // a plain tie from the current note
        }
        return;
    }
    end.backLink = related;
    end.spanStart = span->firstAfter != nullptr ? span->firstAfter : &end;
    if (triplet) {
        // Notes up to an earlier end from the same start are flagged already.
        for (Symbol* s = previous_; s != nullptr && s != span->start && s != span->coveredTo; s = s->previousSymbol) {
            flagIfMelody(s);
        }
        if (span == &inBarBefore && span->coveredTo == nullptr && previousBar_ != nullptr) {
            bool after = false;
            for (const auto& s : previousBar_->symbols) {
                if (after) flagIfMelody(s.get());
                after = after || s.get() == span->start;
            }
        }
    }
    span->coveredTo = &end;
}

void BarBuilder::markRepeat(Symbol& sign) const {
    const bool fine = sign.direction == DirectionKind::Fine;
    if (!fine && sign.direction != DirectionKind::Coda) return;
    sign.backLink = previous_;
    // The walk back along the chain from the symbol before ends at the newest
    // melody or embellishment symbol, which the chain keeps at hand.
    if (previous_ != nullptr && lastMelodyOrEmbellishment_ != nullptr) {
        lastMelodyOrEmbellishment_->repeatMark = fine ? 1 : 2;
    }
}

void BarBuilder::place(Symbol& symbol, BarState& bar, Symbol* related) {
    if (context_.placement != nullptr) {
        const PlacementInput input{previous_, related, bar.lastNote, bar.layout, previousBar_};
        context_.placement->place(symbol, input, bar.x);
        return;
    }
    symbol.centreX = symbol.x;
    symbol.stemX = symbol.x;
    symbol.advanceWidth = 0;
    symbol.height = symbol.glyphExtent.height;
}

void BarBuilder::push(Symbol& symbol) {
    for (SpanStart* span : {&runStart_, &tieStart_, &previousBarRunStart_, &previousBarTieStart_}) {
        if (span->start != nullptr && span->firstAfter == nullptr) span->firstAfter = &symbol;
    }
    if (symbol.category == CAT_RUNS_OF_3_START) runStart_ = {&symbol, nullptr, nullptr};
    if (symbol.category == CAT_TIES_START) tieStart_ = {&symbol, nullptr, nullptr};
    if (symbol.playbackClass() == kMelodyClass || symbol.playbackClass() == kEmbellishmentClass) {
        lastMelodyOrEmbellishment_ = &symbol;
    }
    previous_ = &symbol;
}

void BarBuilder::resetChain() {
    previous_ = nullptr;
    lastMelodyOrEmbellishment_ = nullptr;
    runStart_ = {};
    tieStart_ = {};
}

void BarBuilder::attachText(std::string_view quoted, SourceRange source, Symbol& symbol) {
    const std::size_t open = quoted.find('"');
    if (open == std::string_view::npos) return;
    const std::size_t close = quoted.find('"', open + 1);
    if (close == std::string_view::npos || close + 1 >= quoted.size() || quoted[close + 1] != ',') return;
    const std::size_t paren = quoted.find(')', close + 2);
    if (paren == std::string_view::npos) return;
    std::unique_ptr<TextRecord> record =
        TextRecord::create(context_.measuring, std::string(quoted.substr(open + 1, close - open - 1)),
                           quoted.substr(close + 2, paren - close - 1), context_.scale);
    if (record == nullptr || record->kind != 'I') return;  // only in-line texts hang on a symbol
    record->anchorX = symbol.centreX;
    record->anchorY = symbol.y;
    record->number = textNumber_++;
    record->source = SourceRange::between(source.begin + open, source.begin + paren + 1);
    symbol.inlineText = record.get();
    tune_.header.texts.push_back(std::move(record));
}

void BarBuilder::reportUnknown(const Symbol& symbol) {
    if (context_.measuring.isPrinter()) return;
    context_.messages.report(unknownSymbolProblem(symbol.name, symbol.source));
}

void BarBuilder::finishBar(BarState& bar) {
    BarLayout& layout = bar.layout;
    for (std::size_t i = layout.symbols.size(); i-- > 0 && layout.symbols[i]->category == CAT_SIGN_REPEAT;) {
        layout.trailingRepeatWidth += layout.symbols[i]->glyphExtent.width;
    }
    previousBar_ = &layout;
    previousBarLastNote_ = bar.lastNote;
    previousBarRunStart_ = {};
    previousBarTieStart_ = {};
    findSpanStart(layout, CAT_RUNS_OF_3_START, previousBarRunStart_.start, previousBarRunStart_.firstAfter);
    findSpanStart(layout, CAT_TIES_START, previousBarTieStart_.start, previousBarTieStart_.firstAfter);
}

}  // namespace skirlo
