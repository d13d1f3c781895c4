#include "editor/MusicSelection.h"

#include <algorithm>
#include <limits>

#include "tunefile/TextRecord.h"

namespace skirlo {

namespace {

namespace area {
constexpr int kLeftmost = std::numeric_limits<int>::min() / 2;
constexpr int kRightmost = std::numeric_limits<int>::max() / 2;
}  // namespace area

bool meets(const Rect& a, const Rect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

bool boxedByExtent(int category) {
    switch (category) {
        case CAT_START_TIMELINE:
        case CAT_END_TIMELINE:
        case CAT_END_TIMELINE_BIS:
        case CAT_FERMATA:
        case CAT_PIOB_OVERNEXT:
        case CAT_PIOB_UNDERPREV:
        case CAT_PIOB_UNDERNEXT:
        case CAT_PIOB_UNDERNEXT_CAMACH:
        case CAT_SIGN:
        case CAT_SIGN_REPEAT: return true;
        default: return false;
    }
}

template <typename Visit>
void forEachSymbol(const std::vector<std::unique_ptr<Tune>>& tunes, const Rect* staffArea, Visit visit) {
    for (const auto& tune : tunes) {
        for (const auto& part : tune->parts) {
            for (const auto& staff : part->staves) {
                // Only rows matter: a staff is skipped when the area is above or below it.
                const Rect staffBox{area::kLeftmost, staff->y, area::kRightmost, staff->y + staff->height};
                if (staffArea && !meets(staffBox, *staffArea)) continue;
                for (const auto& bar : staff->bars) {
                    for (const auto& symbol : bar->symbols) visit(*symbol);
                }
            }
        }
    }
}

}  // namespace

Rect selectionBox(const Symbol& symbol) {
    if (symbol.curve && !symbol.curve->empty()) {
        const auto [left, right] = std::minmax_element(symbol.curve->begin(), symbol.curve->end(),
                                                       [](const OutlinePoint& a, const OutlinePoint& b) {
                                                           return a.x < b.x;
                                                       });
        const Symbol* note = symbol.backLink ? symbol.backLink : &symbol;
        return {left->x, note->y, right->x, note->y + note->height};
    }
    if (boxedByExtent(symbol.category)) {
        return {symbol.x, symbol.y, symbol.x + symbol.glyphExtent.width, symbol.y + symbol.glyphExtent.height};
    }
    return {symbol.x, symbol.y, symbol.x + symbol.advanceWidth, symbol.y + symbol.height};
}

TextRecord* selectTextAt(const std::vector<std::unique_ptr<Tune>>& tunes, int x, int y) {
    TextRecord* hit = nullptr;
    for (const auto& tune : tunes) {
        for (const auto& text : tune->header.texts) {
            text->selected = hit == nullptr && text->hitTest(x, y);
            if (text->selected) hit = text.get();
        }
    }
    return hit;
}

void markInside(const std::vector<std::unique_ptr<Tune>>& tunes, const Rect& area, const Rect* affected,
                const std::function<void(const Symbol&)>& changed) {
    forEachSymbol(tunes, affected, [&](Symbol& symbol) {
        const bool inside = meets(selectionBox(symbol), area);
        if (inside == symbol.marked) return;
        symbol.marked = inside;
        changed(symbol);
    });
}

void unmarkAll(const std::vector<std::unique_ptr<Tune>>& tunes, const std::function<void(const Symbol&)>& changed) {
    forEachSymbol(tunes, nullptr, [&](Symbol& symbol) {
        if (!symbol.marked) return;
        symbol.marked = false;
        changed(symbol);
    });
}

std::optional<SourceRange> sourceAt(const std::vector<std::unique_ptr<Tune>>& tunes, int x, int y) {
    for (const auto& tune : tunes) {
        for (const auto& text : tune->header.texts) {
            if (text->hitTest(x, y)) return text->source;
        }
    }
    // Boxes overlap (an arc spans its notes): the smallest box is the one meant.
    const Symbol* hit = nullptr;
    long long hitArea = 0;
    const Rect point{x, y, x, y};
    forEachSymbol(tunes, &point, [&](const Symbol& symbol) {
        const Rect box = selectionBox(symbol);
        if (symbol.source.size() == 0 || !meets(box, point)) return;
        const long long area = static_cast<long long>(box.right - box.left) * (box.bottom - box.top);
        if (hit == nullptr || area < hitArea) {
            hit = &symbol;
            hitArea = area;
        }
    });
    if (hit == nullptr) return std::nullopt;
    return hit->source;
}

const Symbol* symbolWrittenAt(const std::vector<std::unique_ptr<Tune>>& tunes, std::size_t byte) {
    const Symbol* endingHere = nullptr;
    for (const auto& tune : tunes) {
        for (const auto& part : tune->parts) {
            for (const auto& staff : part->staves) {
                for (const auto& bar : staff->bars) {
                    for (const auto& symbol : bar->symbols) {
                        if (symbol->source.contains(byte)) return symbol.get();
                        if (symbol->source.size() != 0 && symbol->source.end == byte) endingHere = symbol.get();
                    }
                }
            }
        }
    }
    return endingHere;
}

}  // namespace skirlo
