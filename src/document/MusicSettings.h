#pragma once
// How a document's music is laid out on screen, in pictures and on paper:
// the tune's settings lines and the profile, read here once, so that the
// window, the printer and the command line lay a tune out alike, edge
// values included.

#include "engraving/MusicLayout.h"
#include "engraving/MusicPrinting.h"

namespace skirlo {

class Profile;
struct TuneSettings;

// The profile's "BouncingBallSize": the room kept above each staff for the ball.
int ballSizeOf(const Profile& profile);

// The engraving style the user chose last (profile section "Settings", key
// "EngravingStyle": "Classic" or "Modern"); Classic when unset or unknown.
EngravingStyle engravingStyleOf(const Profile& profile);
// Remembers the style for the next start; false when the profile could not be written.
bool rememberEngravingStyle(Profile& profile, EngravingStyle style);

// The screen's and pictures' layout at the tune's stored zoom, in the
// profile's engraving style.
LayoutSettings screenLayoutOf(const TuneSettings& tune, const Profile& profile);

// The resolution printed pages are laid out at, whichever way they are
// made (a printer, Print to PDF, `skirlo-cli print`): staves and spaces are
// whole device pixels, so one resolution gives one layout.
inline constexpr int kPrintedPageDpi = 600;

// The printed layout: the tune's settings, the profile's space between
// tunes, ball size and engraving style.
PrintSettings printLayoutOf(const TuneSettings& tune, const Profile& profile);

}  // namespace skirlo
