#pragma once
// Creating the nine fonts that layout and drawing share, at the music font
// height of a build.

#include "common/Measuring.h"

namespace skirlo {

class MessageSink;

inline constexpr int kTextFontReferenceSize = 18;  // text font height in 1/130 of H
inline constexpr int kReferenceHeight = 130;

// Creates QTN1..QTN8 and the bold "Times New Roman" text font in FontSet
// order. The height is lowered by one at a time until the black box of
// QTN1's glyph 33 (the reference bar line) is a multiple of 4 pixels high,
// so that the staff's line spacing is whole; the set's `height` is the
// lowered height. A width argument W other than 0 stretches each music font
// to an average character width of W x A / H, A being its natural average
// width. A font that cannot be created is reported through `messages`
// ("Could not load the QTN1 font!\nInstall this font to proceed.") and left
// null; the others are still created.
FontSet createFontSet(MeasuringContext& context, int height, int width, MessageSink& messages);

}  // namespace skirlo
