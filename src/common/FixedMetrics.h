#pragma once
// A measuring context whose fonts have fixed, made-up metrics. It serves
// builds that need the structure of a tune but draw nothing (the command
// line's tree and performance commands, the fuzzer), and tests that must not
// depend on the shapes of real glyphs.

#include "common/Measuring.h"

namespace skirlo {

class FixedMetricsContext final : public MeasuringContext {
public:
    // Every glyph of a font of height h is h / 4 wide, with a black box of
    // h / 8 by h / 2 (at least 1 by 1) starting at the cell's left.
    bool isPrinter() const override { return printer_; }
    int pixelsPerInchX() const override { return 96; }
    int pixelsPerInchY() const override { return 96; }
    std::unique_ptr<Font> createTextFont(const FontDescription& description) override;
    std::unique_ptr<Font> createMusicFont(std::string_view faceName, int height, int width) override;

    void setPrinter(bool printer) { printer_ = printer; }

private:
    bool printer_ = false;
};

}  // namespace skirlo
