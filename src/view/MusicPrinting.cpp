#include "view/MusicPrinting.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "notation/TuneBuilder.h"
#include "tunefile/ScriptText.h"
#include "view/FontCreation.h"
#include "view/MusicLayout.h"
#include "view/MusicRenderer.h"

namespace skirlo {

namespace {

constexpr int kReferenceBarLine = 33;

// Texts that stand on the header band and are printed only on the tune's first page.
bool isHeaderText(char kind) { return kind != 'F' && kind != 'I' && kind != 'X'; }

void moveBox(Box& box, int dx, int dy) {
    box.left += dx;
    box.right += dx;
    box.top += dy;
    box.bottom += dy;
}

void moveStaff(StaffLayout& staff, int dx, int dy) {
    staff.x += dx;
    staff.y += dy;
    for (int& y : staff.lineY) y += dy;
    for (auto& bar : staff.bars) {
        bar->x += dx;
        bar->y += dy;
        for (auto& s : bar->symbols) {
            s->x += dx;
            s->centreX += dx;
            s->stemX += dx;
            s->y += dy;
            if (s->curve) {
                for (OutlinePoint& p : *s->curve) {
                    p.x += dx;
                    p.y += dy;
                }
            }
            if (s->inlineText != nullptr) {
                moveBox(s->inlineText->box, dx, dy);
                s->inlineText->anchorX += dx;
                s->inlineText->anchorY += dy;
            }
        }
    }
}

std::vector<StaffLayout*> stavesOf(Tune& tune) {
    std::vector<StaffLayout*> staves;
    for (auto& part : tune.parts) {
        for (auto& staff : part->staves) staves.push_back(staff.get());
    }
    return staves;
}

// Moves the tune's staves from `first` on, the parts they start, and every later tune.
void moveFrom(std::vector<std::unique_ptr<Tune>>& tunes, std::size_t tune, const StaffLayout* first, int dy) {
    bool moving = false;
    for (auto& part : tunes[tune]->parts) {
        for (auto& staff : part->staves) {
            moving = moving || staff.get() == first;
            if (!moving) continue;
            if (staff == part->staves.front()) part->y += dy;
            moveStaff(*staff, 0, dy);
        }
    }
    for (std::size_t t = tune + 1; t < tunes.size(); ++t) moveTune(*tunes[t], 0, dy);
}

struct Built {
    LaidOutMusic music;
    Extent content;  // widest tune, sum of the tune heights
};

Built buildAt(const ScriptText& script, const SymbolMap& symbols, MeasuringContext& measuring, MessageSink& messages,
              const PrintSettings& settings, const PrintArea& area, int height, int width, bool spread) {
    Built built;
    LayoutSettings layout = layoutSettingsFor(settings.tune, settings.ballSize);
    layout.printing = true;
    layout.spreadWidth = spread ? area.width : 0;
    *built.music.fonts = createFontSet(measuring, height, width, messages);
    built.music.leftX = area.left;
    MusicLayout placement(*built.music.fonts, symbols.spacing(), measuring, layout);
    ScriptText copy(script.text());  // printing never writes into the document
    const TuneBuildContext context{symbols,   measuring,          *built.music.fonts, messages, built.music.fonts->height,
                                   layout.spacePercent, &placement, area.left,   area.top};
    built.music.tunes = buildTunes(copy, false, context);
    for (const auto& tune : built.music.tunes) {
        built.content.width = std::max(built.content.width, tune->width);
        built.content.height += tune->height;
    }
    built.content.width = std::max(built.content.width, kMinFittedContent);
    built.content.height = std::max(built.content.height, kMinFittedContent);
    built.music.extent = built.content;
    return built;
}

void justify(std::vector<std::unique_ptr<Tune>>& tunes, const TuneFormat& format, int printableWidth) {
    if (format.spreadHorizontally != 0) return;
    for (auto& tune : tunes) {
        const int spare = printableWidth - tune->width;
        if (spare <= 0) continue;
        if (format.justification == 'C') moveTune(*tune, spare / 2, 0);
        if (format.justification == 'R') moveTune(*tune, spare, 0);
    }
}

// One side of the fitting: the size argument, how the content compares with
// the printable size on that side, and the last change made.
struct FitStep {
    int value;
    int lastChange;
    bool finished;
};

FitStep fitSide(int value, int lastChange, int content, int printable) {
    if (std::abs(content - printable) <= std::max(1, printable / 100)) return {value, lastChange, true};
    const bool grow = content < printable;
    int next = static_cast<int>(std::int64_t{value} * printable / content);
    if (grow ? next <= value : next >= value) {
        const int half = std::max(1, std::abs(lastChange) / 2);
        next = grow ? value + half : value - half;
    }
    return {next, next - value, false};
}

int scaled(int value, int numerator, int denominator) {
    return static_cast<int>(std::int64_t{value} * numerator / std::max(denominator, 1));
}

Built fittedLayout(const ScriptText& script, const SymbolMap& symbols, MeasuringContext& measuring,
                   MessageSink& messages, const PrintSettings& settings, const PrintArea& area, int& passes) {
    const TuneFormat& format = settings.tune.format;
    const int xScale = settings.tune.fontSizes.xScale;
    const int yScale = settings.tune.fontSizes.yScale;
    const bool multiplePages = format.scaleOption == 'M';
    // A font taller than the paper can never be wanted; it also keeps the sums of a long staff in range.
    const int largest = std::max(kFittedStartHeight, measuring.pixelsPerInchY() * 4);
    int h = kFittedStartHeight;
    int w = kFittedStartHeight;
    int lastW = w;
    int lastH = h;
    int tooWide = INT_MAX;
    int tooTall = INT_MAX;
    Built built = buildAt(script, symbols, measuring, messages, settings, area, h, w, false);
    passes = 0;
    while (passes < kMaxFittingPasses) {
        const Extent content = built.content;
        if (content.width > area.width) tooWide = std::min(tooWide, w);
        if (!multiplePages && content.height > area.height) tooTall = std::min(tooTall, h);
        const bool bothFit = content.width <= area.width && content.height <= area.height;
        const bool byWidth = content.width > area.width ||
                             (bothFit && area.width - content.width < area.height - content.height) || multiplePages;
        int nextW = w;
        int nextH = h;
        if (byWidth) {
            const FitStep step = fitSide(w, lastW, content.width, area.width);
            if (step.finished) break;
            lastW = step.lastChange;
            nextW = step.value;
            nextH = scaled(nextW, yScale, xScale);
        } else {
            const FitStep step = fitSide(h, lastH, content.height, area.height);
            if (step.finished) break;
            lastH = step.lastChange;
            nextH = step.value;
            nextW = scaled(nextH, xScale, yScale);
        }
        nextW = std::clamp(std::min(nextW, tooWide - 1), 1, largest);
        nextH = std::clamp(std::min(nextH, tooTall - 1), 1, largest);
        if (nextW == w && nextH == h) break;  // the remembered limits allow no other size
        w = nextW;
        h = nextH;
        built = buildAt(script, symbols, measuring, messages, settings, area, h, w, false);
        ++passes;
    }
    return buildAt(script, symbols, measuring, messages, settings, area, h, w, format.spreadHorizontally != 0);
}

void stack(std::vector<std::unique_ptr<Tune>>& tunes, int spacing) {
    for (std::size_t t = 1; t < tunes.size(); ++t) {
        const std::vector<StaffLayout*> previous = stavesOf(*tunes[t - 1]);
        const int bottom = previous.empty() ? tunes[t - 1]->y + tunes[t - 1]->height
                                            : previous.back()->y + previous.back()->height;
        const int dy = bottom + spacing - tunes[t]->y;
        for (std::size_t later = t; later < tunes.size(); ++later) moveTune(*tunes[later], 0, dy);
    }
}

// Spreads the spare height of a single page over the gaps between staves.
void spreadVertically(std::vector<std::unique_ptr<Tune>>& tunes, int spare) {
    int count = 0;
    for (auto& tune : tunes) count += static_cast<int>(stavesOf(*tune).size());
    if (count == 0 || spare <= 0) return;
    const int share = spare / count;
    int index = 0;
    for (std::size_t t = 0; t < tunes.size(); ++t) {
        const std::vector<StaffLayout*> staves = stavesOf(*tunes[t]);
        for (std::size_t s = 0; s < staves.size(); ++s, ++index) {
            int offset = index * share;
            // The remainder goes once, to the very last staff, so nothing leaves the page.
            if (t + 1 == tunes.size() && s + 1 == staves.size()) offset += spare % count;
            if (s == 0) {
                tunes[t]->y += offset;
                for (auto& text : tunes[t]->header.texts) {
                    if (isHeaderText(text->kind)) moveBox(text->box, 0, offset);
                }
            }
            moveStaff(*staves[s], 0, offset);
        }
    }
}

void paginate(PrintedMusic& printed, const TuneFormat& format) {
    auto& tunes = printed.music.tunes;
    const PrintArea& area = printed.area;
    const int pageBottom = area.top + area.height;
    int page = 1;
    printed.firstPage.assign(tunes.size(), 1);
    for (std::size_t t = 0; t < tunes.size(); ++t) {
        Tune& tune = *tunes[t];
        printed.firstPage[t] = page;
        const std::vector<StaffLayout*> staves = stavesOf(tune);
        for (std::size_t s = 0; s < staves.size(); ++s) {
            StaffLayout& staff = *staves[s];
            const int startsAt = s == 0 ? tune.y : staff.y;
            // A staff that already starts the page stays, however tall: another page would not help.
            const bool overflows = staff.y + staff.height + tune.footerBandHeight > pageBottom;
            if (format.scaleOption == 'M' && overflows && startsAt > area.top) {
                ++page;
                const int dy = area.top - startsAt;
                if (s == 0) {
                    tune.y += dy;
                    for (auto& text : tune.header.texts) {
                        if (isHeaderText(text->kind)) moveBox(text->box, 0, dy);
                    }
                    printed.firstPage[t] = page;
                }
                moveFrom(tunes, t, &staff, dy);
            }
            printed.staffPage[&staff] = page;
        }
        if (!staves.empty()) tune.printedHeight = staves.back()->y + staves.back()->height - tune.y;
        tune.printedHeight += tune.footerBandHeight;
    }
    printed.pageCount = page;
}

}  // namespace

int deviceMargin(int thousandths, int pixelsPerInch, int physicalOffset) {
    if (thousandths == 0) return 0;
    return static_cast<int>(std::int64_t{thousandths} * pixelsPerInch / 1000) - physicalOffset;
}

PrintArea printArea(const TuneFormat& format, const PrintDevice& device) {
    PrintArea area;
    area.left = deviceMargin(format.leftMargin, device.pixelsPerInchX, device.offsetX);
    area.right = deviceMargin(format.rightMargin, device.pixelsPerInchX, device.offsetX);
    area.top = deviceMargin(format.topMargin, device.pixelsPerInchY, device.offsetY);
    area.bottom = deviceMargin(format.bottomMargin, device.pixelsPerInchY, device.offsetY);
    // Margins wider than the paper leave a sliver rather than a negative area.
    area.width = std::max(1, device.width - area.right - area.left);
    area.height = std::max(1, device.height - area.bottom - area.top);
    return area;
}

int fixedFontHeight(MeasuringContext& measuring, int staffHeight) {
    const int wanted = static_cast<int>(std::int64_t{staffHeight} * measuring.pixelsPerInchX() / 1000);
    auto barLine = [&](int height) {
        const std::unique_ptr<Font> font = measuring.createMusicFont("QTN1", height, 0);
        return font != nullptr ? font->glyphBox(kReferenceBarLine).height : 0;
    };
    int height = std::max(wanted, 1);
    const int first = barLine(height);
    if (first <= 0) return height;  // no font to measure: nothing would grow it
    // Growing one at a time from the wanted height finds the smallest height
    // whose bar line is tall enough; jumping close to it by proportion first
    // finds the same one without making hundreds of fonts.
    if (first < wanted) height = std::max(height, static_cast<int>(std::int64_t{wanted} * height / first) - 2);
    while (barLine(height) < wanted) ++height;
    while (height > wanted && barLine(height - 1) >= wanted) --height;
    return height;
}

PrintedMusic layOutForPrinting(const ScriptText& script, const SymbolMap& symbols, MeasuringContext& measuring,
                               MessageSink& messages, const PrintSettings& given, const PrintDevice& device) {
    PrintSettings settings = given;
    FontSizes& sizes = settings.tune.fontSizes;
    if (sizes.xScale == 0) sizes.xScale = 100;
    if (sizes.yScale == 0) sizes.yScale = 100;
    const TuneFormat& format = settings.tune.format;

    PrintedMusic printed;
    printed.area = printArea(format, device);
    Built built;
    if (sizes.staffHeight > 0) {
        const int h = fixedFontHeight(measuring, sizes.staffHeight);
        built = buildAt(script, symbols, measuring, messages, settings, printed.area, h,
                        scaled(h, sizes.xScale, sizes.yScale), format.spreadHorizontally != 0);
    } else {
        built = fittedLayout(script, symbols, measuring, messages, settings, printed.area, printed.fittingPasses);
    }
    printed.music = std::move(built.music);
    justify(printed.music.tunes, format, printed.area.width);
    stack(printed.music.tunes,
          static_cast<int>(std::int64_t{settings.verticalSpacing} * device.pixelsPerInchX / 1000));
    if (format.spreadVertically != 0 && format.scaleOption == 'F' && !printed.music.tunes.empty()) {
        const std::vector<StaffLayout*> last = stavesOf(*printed.music.tunes.back());
        const int bottom = last.empty() ? printed.area.top : last.back()->y + last.back()->height;
        spreadVertically(printed.music.tunes,
                         printed.area.top + printed.area.height - printed.music.tunes.back()->footerBandHeight - bottom);
    }
    paginate(printed, format);
    return printed;
}

void drawPrintedPage(PrintedMusic& printed, const MusicRenderer& renderer, Surface& surface, int page) {
    auto& tunes = printed.music.tunes;
    for (std::size_t t = 0; t < tunes.size(); ++t) {
        Tune& tune = *tunes[t];
        const StaffLayout* lastOnPage = nullptr;
        for (auto& part : tune.parts) {
            for (auto& staff : part->staves) {
                const auto found = printed.staffPage.find(staff.get());
                if (found == printed.staffPage.end() || found->second != page) continue;
                renderer.drawStaff(*staff, surface);
                lastOnPage = staff.get();
            }
        }
        const bool firstPage = printed.firstPage[t] == page;
        if (lastOnPage == nullptr && !firstPage) continue;
        const int footerBottom = lastOnPage != nullptr ? lastOnPage->y + lastOnPage->height + tune.footerBandHeight
                                                       : tune.y + tune.printedHeight;
        for (auto& text : tune.header.texts) {
            if (text->kind == 'I') continue;  // their symbols draw them
            if (text->kind == 'F') {
                moveBox(text->box, 0, footerBottom - text->box.bottom);
                renderer.drawText(*text, surface);
            } else if (firstPage) {
                renderer.drawText(*text, surface);
            }
        }
    }
}

void moveTune(Tune& tune, int dx, int dy) {
    tune.x += dx;
    tune.y += dy;
    for (auto& part : tune.parts) {
        part->x += dx;
        part->y += dy;
        for (auto& staff : part->staves) moveStaff(*staff, dx, dy);
    }
    for (auto& text : tune.header.texts) {
        if (text->kind == 'I' || text->kind == 'X') continue;  // in-line texts move with their symbols
        moveBox(text->box, dx, dy);
    }
}

}  // namespace skirlo
