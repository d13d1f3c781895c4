// Arbitrary tune text laid out with fixed glyph metrics and drawn to a
// surface that draws nothing: nothing may crash, hang or overflow. (A staff
// narrower than its line ends asks for staff lines of negative width, which
// draw nothing; that is not a finding.)

#include "FuzzSupport.h"
#include "common/FixedMetrics.h"
#include "engraving/MusicLayout.h"
#include "engraving/MusicRenderer.h"
#include "engraving/Surface.h"

namespace {

using namespace skirlo;

class NullSurface final : public Surface {
public:
    SurfaceKind kind() const override { return SurfaceKind::Image; }
    void glyph(const Font&, int, int, int, Colour) override {}
    void fillRect(const Rect&, Colour) override {}
    void fillPolygon(const std::vector<OutlinePoint>&, Colour) override {}
    void frameRect(const Rect&, Colour, Colour) override {}
    void text(const Font&, std::string_view, int, int, Colour) override {}
    bool isVisible(const Rect&) const override { return true; }
    Point toDevice(Point logical) const override { return logical; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzz::DiscardingSink sink;
    // The first byte chooses the zoom, the rest is the file.
    const auto document = fuzz::openDocument(data + 1, size - 1, sink);
    if (!document) return 0;
    LayoutSettings settings = layoutSettingsFor(document->settings(), kDefaultBallSize);
    settings.zoom = 10 + data[0] % 4 * 60;
    if (derivedHeights(settings.zoom, settings.xScale, settings.yScale).height < 1) return 0;
    FixedMetricsContext measuring;
    document->layOut(fuzz::workspace().symbols, measuring, sink, settings);
    NullSurface surface;
    MusicRenderer(fuzz::workspace().symbols.hiliteColour()).draw(document->tunes(), surface);
    return 0;
}
