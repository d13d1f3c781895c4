#include "editor/MusicPageSetup.h"

#include "document/TuneDocument.h"
#include "tunefile/TuneSettings.h"

namespace skirlo {

int roundedMargin(int thousandths) {
    const int remainder = thousandths % 10;
    if (remainder >= 5) return thousandths - remainder + 10;
    if (remainder <= -5) return thousandths - remainder - 10;
    return thousandths - remainder;
}

MusicPageSetup musicPageSetupOf(const TuneSettings& settings) {
    const TuneFormat& format = settings.format;
    const FontSizes& sizes = settings.fontSizes;
    MusicPageSetup setup;
    setup.leftMargin = roundedMargin(format.leftMargin);
    setup.topMargin = roundedMargin(format.topMargin);
    setup.rightMargin = roundedMargin(format.rightMargin);
    setup.bottomMargin = roundedMargin(format.bottomMargin);
    setup.orientation = format.orientation == 'L' ? 'L' : 'P';
    setup.spreadHorizontally = format.spreadHorizontally;
    setup.spreadVertically = format.spreadVertically;
    setup.scaleOption = format.scaleOption;
    setup.justify = format.justification;
    setup.alignBars = format.alignBars;
    setup.staffHeight = sizes.staffHeight;
    setup.xScale = sizes.xScale;
    setup.yScale = sizes.yScale;
    setup.space = sizes.spacing;
    return setup;
}

bool acceptMusicPageSetup(const MusicPageSetup& chosen, TuneDocument& document) {
    TuneSettings& settings = document.settings();
    TuneFormat& format = settings.format;
    FontSizes& sizes = settings.fontSizes;
    const bool relayout = format.alignBars != chosen.alignBars || sizes.xScale != chosen.xScale ||
                          sizes.yScale != chosen.yScale || sizes.spacing != chosen.space;
    format.leftMargin = chosen.leftMargin;
    format.topMargin = chosen.topMargin;
    format.rightMargin = chosen.rightMargin;
    format.bottomMargin = chosen.bottomMargin;
    format.spreadHorizontally = chosen.spreadHorizontally;
    format.spreadVertically = chosen.spreadVertically;
    format.scaleOption = chosen.scaleOption;
    format.justification = chosen.justify;
    format.alignBars = chosen.alignBars;
    sizes.xScale = chosen.xScale;
    sizes.yScale = chosen.yScale;
    sizes.spacing = chosen.space;
    sizes.staffHeight = chosen.staffHeight;
    TuneSettingsLines lines(document.script(), settings);
    lines.writeFontSizes();
    format.orientation = chosen.orientation == 'L' ? 'L' : 'P';
    lines.writeTuneFormat();
    return relayout;
}

}  // namespace skirlo
