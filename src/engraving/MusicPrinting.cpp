#include "engraving/MusicPrinting.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "engraving/FontCreation.h"
#include "engraving/MusicGlyphs.h"
#include "engraving/MusicLayout.h"
#include "engraving/MusicRenderer.h"
#include "notation/TuneBuilder.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace {


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

// What the tunes are built with at one music font size.
struct PrintBuild {
    const ScriptText& script;
    const SymbolMap& symbols;
    MeasuringContext& measuring;
    MessageSink& messages;
    const PrintSettings& settings;
    const PrintArea& area;
};

// Builds the tunes at music font height `height` and width `width` into
// `music`'s font set, handing each to `take` as it is made.
void buildEach(const PrintBuild& build, LaidOutMusic& music, int height, int width, bool spread,
               const TuneTaker& take) {
    LayoutSettings layout = layoutSettingsFor(build.settings.tune, build.settings.ballSize);
    layout.printing = true;
    layout.engraving = build.settings.engraving;
    layout.spreadWidth = spread ? build.area.width : 0;
    *music.fonts = createFontSet(build.measuring, height, width, build.messages);
    music.leftX = build.area.left;
    MusicLayout placement(*music.fonts, build.symbols.spacing(), build.measuring, layout);
    ScriptText copy(build.script.text());  // printing never writes into the document
    const TuneBuildContext context{build.symbols,       build.measuring, *music.fonts,   build.messages,
                                   music.fonts->height, &placement,     build.area.left, build.area.top};
    buildTunes(copy, false, context, take);
}

// The widest tune and the sum of the tune heights at one font size; each
// tune is let go as soon as it is measured.
Extent contentAt(const PrintBuild& build, int height, int width) {
    LaidOutMusic music;
    Extent content;
    buildEach(build, music, height, width, false, [&content](std::unique_ptr<Tune> tune) {
        content.width = std::max(content.width, tune->width);
        content.height += tune->height;
        return true;
    });
    content.width = std::max(content.width, kMinFittedContent);
    content.height = std::max(content.height, kMinFittedContent);
    return content;
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

// The music font height and width that fit the printable area.
// With `multiplePages` only the width is fitted.
Extent fittedSize(const PrintBuild& build, int& passes, bool multiplePages) {
    const PrintSettings& settings = build.settings;
    const PrintArea& area = build.area;
    const int xScale = settings.tune.fontSizes.xScale;
    const int yScale = settings.tune.fontSizes.yScale;
    // A font taller than the paper can never be wanted; it also keeps the sums of a long staff in range.
    const int largest = std::max(kFittedStartHeight, build.measuring.pixelsPerInchY() * 4);
    int h = kFittedStartHeight;
    int w = kFittedStartHeight;
    int lastW = w;
    int lastH = h;
    int tooWide = INT_MAX;
    int tooTall = INT_MAX;
    Extent content = contentAt(build, h, w);
    passes = 0;
    while (passes < kMaxFittingPasses) {
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
        content = contentAt(build, h, w);
        ++passes;
    }
    return {w, h};
}

// The chosen size made smaller, both ways alike, until the widest staff
// fits the printable width: no staff is ever cut at the right margin.
Extent narrowedToWidth(const PrintBuild& build, Extent size, Extent content) {
    for (int pass = 0; pass < kMaxFittingPasses && content.width > build.area.width; ++pass) {
        const int ratioW = std::max(1, scaled(size.width, build.area.width, content.width));
        const int ratioH = std::max(1, scaled(size.height, build.area.width, content.width));
        // A proportional step may land a unit short: always shrink by one at least.
        size = {std::min(ratioW, size.width - 1), std::min(ratioH, size.height - 1)};
        if (size.width < 1 || size.height < 1) return {std::max(size.width, 1), std::max(size.height, 1)};
        content = contentAt(build, size.height, size.width);
    }
    return size;
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

// The bottom of a tune as the next one is stacked under it: its last staff,
// or the tune itself when it has none.
int stackBottom(Tune& tune) {
    const std::vector<StaffLayout*> staves = stavesOf(tune);
    return staves.empty() ? tune.y + tune.height : staves.back()->y + staves.back()->height;
}

// Places the tunes of the print tree as they are built: each justified,
// stacked under the one before and cut into pages. With a sink, every page
// is handed over as soon as no later tune can land on it, and a tune is let
// go once its last page has been.
class PrintPlacement {
public:
    PrintPlacement(PrintedMusic& printed, const PrintSettings& settings, int spacing, bool paginating, PageSink* sink)
        : printed_(printed),
          format_(settings.tune.format),
          spacing_(spacing),
          sink_(sink),
          paginating_(paginating),
          // Spreading shares out what is left of the single page, so it waits for the last tune.
          spreading_(format_.spreadVertically != 0 && !paginating) {}

    // False once the sink has ended the print.
    bool add(std::unique_ptr<Tune> tune) {
        auto& tunes = printed_.music.tunes;
        justify(*tune);
        if (!tunes.empty()) moveTune(*tune, 0, stackBottom(*tunes.back()) + spacing_ - tune->y);
        tunes.push_back(std::move(tune));
        if (spreading_) return true;
        paginate(tunes.size() - 1);
        if (!handOverBefore(page_)) return false;
        letGo();
        return true;
    }

    void finish() {
        if (spreading_) spreadAndPaginate();
        printed_.pageCount = page_;
        if (!stopped_) handOverBefore(page_ + 1);
    }

private:
    void justify(Tune& tune) const {
        const int spare = printed_.area.width - tune.width;
        if (format_.spreadHorizontally != 0 || spare <= 0) return;
        if (format_.justification == 'C') moveTune(tune, spare / 2, 0);
        if (format_.justification == 'R') moveTune(tune, spare, 0);
    }

    // The single page of a spread layout, once every tune is in: the spare
    // height shared out between the staves, then the pages (there is one).
    void spreadAndPaginate() {
        auto& tunes = printed_.music.tunes;
        if (tunes.empty()) return;
        const PrintArea& area = printed_.area;
        const std::vector<StaffLayout*> last = stavesOf(*tunes.back());
        const int bottom = last.empty() ? area.top : last.back()->y + last.back()->height;
        spreadVertically(tunes, area.top + area.height - tunes.back()->footerBandHeight - bottom);
        for (std::size_t t = 0; t < tunes.size(); ++t) paginate(t);
    }

    // Cuts tune `t` into pages from the current one; a staff that would run
    // into the bottom margin starts the next page, with everything after it.
    void paginate(std::size_t t) {
        auto& tunes = printed_.music.tunes;
        const PrintArea& area = printed_.area;
        const int pageBottom = area.top + area.height;
        Tune& tune = *tunes[t];
        printed_.firstPage.push_back(page_);
        const std::vector<StaffLayout*> staves = stavesOf(tune);
        for (std::size_t s = 0; s < staves.size(); ++s) {
            StaffLayout& staff = *staves[s];
            const int startsAt = s == 0 ? tune.y : staff.y;
            // A staff that already starts the page stays, however tall: another page would not help.
            const bool overflows = staff.y + staff.height + tune.footerBandHeight > pageBottom;
            if (paginating_ && overflows && startsAt > area.top) {
                ++page_;
                const int dy = area.top - startsAt;
                if (s == 0) {
                    tune.y += dy;
                    for (auto& text : tune.header.texts) {
                        if (isHeaderText(text->kind)) moveBox(text->box, 0, dy);
                    }
                    printed_.firstPage[t] = page_;
                }
                moveFrom(tunes, t, &staff, dy);
            }
            printed_.staffPage[&staff] = page_;
        }
        if (!staves.empty()) tune.printedHeight = staves.back()->y + staves.back()->height - tune.y;
        tune.printedHeight += tune.footerBandHeight;
    }

    // Hands every page before `page` not yet handed over to the sink.
    bool handOverBefore(int page) {
        if (sink_ == nullptr) return true;
        while (handedOver_ + 1 < page) {
            if (!sink_->pageFinished(printed_, handedOver_ + 1)) {
                stopped_ = true;
                return false;
            }
            ++handedOver_;
        }
        return true;
    }

    int lastPageOf(std::size_t t) const {
        const std::vector<StaffLayout*> staves = stavesOf(*printed_.music.tunes[t]);
        return staves.empty() ? printed_.firstPage[t] : printed_.staffPage.at(staves.back());
    }

    // Lets go of the tunes whose pages have all been handed over. The newest
    // tune always stays: the next is stacked under it.
    void letGo() {
        auto& tunes = printed_.music.tunes;
        std::size_t done = 0;
        while (done < tunes.size() && lastPageOf(done) <= handedOver_) ++done;
        if (done == 0) return;
        for (std::size_t t = 0; t < done; ++t) {
            for (const StaffLayout* staff : stavesOf(*tunes[t])) printed_.staffPage.erase(staff);
        }
        const auto count = static_cast<std::ptrdiff_t>(done);
        tunes.erase(tunes.begin(), tunes.begin() + count);
        printed_.firstPage.erase(printed_.firstPage.begin(), printed_.firstPage.begin() + count);
    }

    PrintedMusic& printed_;
    const TuneFormat& format_;
    int spacing_;
    PageSink* sink_;
    bool paginating_;
    bool spreading_;
    int page_ = 1;
    int handedOver_ = 0;
    bool stopped_ = false;
};

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
        return font != nullptr ? font->glyphBox(glyph::kThinBar).height : 0;
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
                               MessageSink& messages, const PrintSettings& given, const PrintDevice& device,
                               PageSink* sink) {
    PrintSettings settings = given;
    FontSizes& sizes = settings.tune.fontSizes;
    if (sizes.xScale == 0) sizes.xScale = 100;
    if (sizes.yScale == 0) sizes.yScale = 100;
    const TuneFormat& format = settings.tune.format;

    PrintedMusic printed;
    printed.area = printArea(format, device);
    const PrintBuild build{script, symbols, measuring, messages, settings, printed.area};
    bool paginating = format.scaleOption == 'M';
    Extent size;
    if (sizes.staffHeight > 0) {
        size.height = fixedFontHeight(measuring, sizes.staffHeight);
        size.width = scaled(size.height, sizes.xScale, sizes.yScale);
        const Extent content = contentAt(build, size.height, size.width);
        if (content.width > printed.area.width) {
            const Extent chosen = size;
            size = narrowedToWidth(build, size, content);
            printed.scaledToWidthPercent = std::max(1, scaled(size.height, 100, chosen.height));
        }
        // "To Fit" at a fixed staff height: what one page cannot hold goes on the next.
        if (!paginating && contentAt(build, size.height, size.width).height > printed.area.height) {
            paginating = true;
            printed.paginatedToFit = true;
        }
    } else {
        size = fittedSize(build, printed.fittingPasses, paginating);
        const int legible = fixedFontHeight(measuring, kMinLegibleStaffHeight);
        if (!paginating && size.height < legible) {
            // The smallest legible size, over as many pages as it takes, and
            // narrower only where a staff would not fit the width.
            size = {scaled(legible, sizes.xScale, sizes.yScale), legible};
            size = narrowedToWidth(build, size, contentAt(build, size.height, size.width));
            paginating = true;
            printed.paginatedToFit = true;
        }
    }
    const int spacing = static_cast<int>(std::int64_t{settings.verticalSpacing} * device.pixelsPerInchX / 1000);
    PrintPlacement placement(printed, settings, spacing, paginating, sink);
    buildEach(build, printed.music, size.height, size.width, format.spreadHorizontally != 0,
              [&placement](std::unique_ptr<Tune> tune) { return placement.add(std::move(tune)); });
    placement.finish();
    return printed;
}

std::vector<std::string> printNotes(const PrintedMusic& printed) {
    std::vector<std::string> notes;
    if (printed.scaledToWidthPercent < 100) {
        notes.push_back("the staves are wider than the page at the chosen staff height; printed at " +
                        std::to_string(printed.scaledToWidthPercent) + " % to fit the width");
    }
    if (printed.paginatedToFit) notes.push_back("one page cannot hold the music legibly; printed over several pages");
    return notes;
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
