#pragma once
// What the Text Setup dialog shows and reads back, apart from its widgets:
// the "Text Type" list, the alignment buttons, the coordinate boxes in inches
// and the font the chooser hands back.

#include <array>
#include <string>
#include <string_view>

#include "common/Measuring.h"

namespace skirlo {

// The kinds in the order of the "Text Type" list: "Tune Title", "Tune Type",
// "Composer", "Footer", "Fixed", "Inline".
inline constexpr std::array<char, 6> kTextKinds = {'T', 'Y', 'M', 'F', 'X', 'I'};
// The alignments in the order of the buttons "Left", "Center", "Right",
// "Absolute".
inline constexpr std::array<char, 4> kTextAlignments = {'L', 'C', 'R', 'N'};

// Positions in those lists; an unknown kind is a title, an unknown alignment
// absolute (the stored x is used as it is).
int textKindIndex(char kind);
int textAlignmentIndex(char alignment);

// Thousandths of an inch as a coordinate box shows them: "1.500\"".
std::string inchText(int thousandths);
// A coordinate box's text when it loses the focus: trimmed of blanks, an
// inch mark appended unless it ends in one, "0" put before a leading point.
std::string normalisedInchText(std::string_view typed);
// The value of a box in thousandths of an inch: the decimal number it starts
// with (reading stops at the inch mark or any other character), times 1000,
// without its fraction. Read digit by digit, so that what the box shows is
// what is stored: "1.001\"" is 1001, where binary floating point gives 1000.
int thousandthsOfInchText(std::string_view text);

// The font as the chooser holds it.
struct FontChoice {
    std::string face;
    int heightTenths = 0;  // tenths of a point
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const FontChoice&) const = default;
};

// The record's font description after the chooser: each property is taken
// from `chosen` only where it differs from what the chooser `shown` when it
// opened, so that what the chooser cannot show exactly (a face it knows under
// another name, half points, weight 0, byte values other than 0 and 1, pitch
// and family, character set) stays as the record had it unless changed. A
// chosen face loses the characters that would end its field in the record's
// attribute list (',' ')' '"' and line ends).
FontDescription mergeFontChoice(const FontDescription& record, const FontChoice& shown, const FontChoice& chosen);

}  // namespace skirlo
