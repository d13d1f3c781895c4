#pragma once
// The tree of one build with what it was measured with: the fonts that the
// symbols were placed at (empty for a build without glyph geometry), the
// extent of the music and the left x of every part.

#include <memory>
#include <vector>

#include "common/Measuring.h"
#include "notation/TuneTree.h"

namespace skirlo {

struct LaidOutMusic {
    // Held apart so that it stays put when the music is moved: every symbol
    // of the tree reaches its fonts through this set. Never null.
    std::unique_ptr<FontSet> fonts = std::make_unique<FontSet>();
    std::vector<std::unique_ptr<Tune>> tunes;
    Extent extent{1, 1};
    int leftX = 0;
};

}  // namespace skirlo
