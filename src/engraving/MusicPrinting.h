#pragma once
// Printing the music: a tree of its own, laid out at a font size chosen for
// the paper (a fixed staff height, or fitted to the printable area in a few
// passes), stacked tune under tune and cut into pages, and drawn one page
// at a time. Nothing here edits the document: the tree is built from a copy
// of its text.
//
// Everything is in device units of the printer: positions on every page are
// page-local, so a staff moved to a later page starts again at the top margin.

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/Measuring.h"
#include "engraving/EngravingStyle.h"
#include "notation/LaidOutMusic.h"
#include "notation/SymbolMap.h"
#include "tunefile/TuneSettings.h"

namespace skirlo {

class MessageSink;
class MusicRenderer;
class ScriptText;
class Surface;

inline constexpr int kFittedStartHeight = 390;
inline constexpr int kMaxFittingPasses = 11;
inline constexpr int kMinFittedContent = 200;  // device units, so an empty tune cannot divide by nothing
// The smallest staff a piper reads at arm's length, thousandths of an inch:
// a tune fitted to one page below it is printed over several pages instead.
inline constexpr int kMinLegibleStaffHeight = 170;

// What printing needs to know of the paper and the printer.
struct PrintDevice {
    int pixelsPerInchX = 600;
    int pixelsPerInchY = 600;
    int width = 0;   // the page in device units
    int height = 0;
    int offsetX = 0;  // where the printable area starts on the paper
    int offsetY = 0;
};

// The margins in device units and the area between them.
struct PrintArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width = 0;
    int height = 0;
};

// A margin of 0 stays 0; any other loses the physical offset.
int deviceMargin(int thousandths, int pixelsPerInch, int physicalOffset);
PrintArea printArea(const TuneFormat& format, const PrintDevice& device);

// The music font height whose reference bar line is at least the staff
// height (thousandths of an inch) tall on this device: from the wanted
// height in device units up, one at a time.
int fixedFontHeight(MeasuringContext& measuring, int staffHeight);

struct PrintSettings {
    TuneSettings tune;
    int verticalSpacing = 250;  // between tunes, thousandths of an inch
    int ballSize = 7;
    EngravingStyle engraving = EngravingStyle::Classic;
};

struct PrintedMusic {
    LaidOutMusic music;
    PrintArea area;
    int pageCount = 1;
    int fittingPasses = 0;             // builds the fitted layout measured after its first
    // Percent of the chosen size the music was scaled down to so that its
    // widest staff fits the printable width; 100 when it fitted as chosen.
    int scaledToWidthPercent = 100;
    // "To Fit" could not hold the music on one page: it is cut into pages.
    bool paginatedToFit = false;
    std::vector<int> firstPage;        // per tune
    std::unordered_map<const StaffLayout*, int> staffPage;
};

// Where the pages of a print go, each as soon as it is finished.
class PageSink {
public:
    virtual ~PageSink() = default;
    // Page `page` (from 1) is finished and every tune on it is in `printed`;
    // false ends the print there.
    virtual bool pageFinished(PrintedMusic& printed, int page) = 0;
};

// Builds, stacks and paginates the print tree, tune by tune as each is built.
// Without a sink the whole tree is kept. With one, every page is handed to it
// as soon as no later tune can land on it, and each tune is let go once its
// last page has been, so a long book is never held whole; what is returned
// then holds the area, the page count (up to where the sink ended the print)
// and only the tunes not yet let go.
PrintedMusic layOutForPrinting(const ScriptText& script, const SymbolMap& symbols, MeasuringContext& measuring,
                               MessageSink& messages, const PrintSettings& settings, const PrintDevice& device,
                               PageSink* sink = nullptr);

// What the print changed of the chosen page setup so that no music is cut,
// each said once: the scaling to the page width, the extra pages of "To Fit".
std::vector<std::string> printNotes(const PrintedMusic& printed);

// Draws page `page` (from 1): the staves on it with their in-line texts, each
// tune's footer under its last staff on every page it has staves on, and
// title and the other header texts only on the tune's first page.
void drawPrintedPage(PrintedMusic& printed, const MusicRenderer& renderer, Surface& surface, int page);

// Moves a whole tune: staves, symbols, curves and texts (fixed-position texts stay).
void moveTune(Tune& tune, int dx, int dy);

}  // namespace skirlo
