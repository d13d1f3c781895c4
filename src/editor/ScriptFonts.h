#pragma once
// The script pane's fonts as the profile stores them (LogicalFont: a height in
// screen pixels, negative for the character height and positive for the cell
// height, a weight 0..1000, a face name of at most 31 characters) and as Qt
// draws them. Heights become point sizes at the screen's resolution, so the
// same font prints at the same size on paper.

#include <QFont>

#include "document/ProgramConfiguration.h"

namespace skirlo {

// The QFont of a stored logical font (which must have a height).
QFont fontFromLogicalFont(const LogicalFont& logical, double screenDpiY);

// The logical font of a QFont; the character set, which Qt does not choose,
// is kept from `previous`.
LogicalFont logicalFontFromFont(const QFont& font, double screenDpiY, const LogicalFont& previous);

}  // namespace skirlo
