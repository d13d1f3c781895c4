#pragma once
// The specimen sheet: every symbol of the symbol map drawn on a staff in a
// grid, each with its name, font and character code, so that a person can
// review the music fonts.

#include <filesystem>
#include <string>
#include <vector>

#include "common/Measuring.h"
#include "engraving/EngravingStyle.h"

class QPainter;
class QSize;

namespace skirlo {

class Profile;

struct SpecimenEntry {
    std::string name;
    int section = 0;  // 1..8: the music font QTN<section>
    int code = 0;     // the character code in that font
    bool gracenotes = false;  // an embellishment, gracenote, strike or cadence
};

// Every row of FontMap1..FontMap8 with a name, in section and code order.
std::vector<SpecimenEntry> specimenEntries(const Profile& profile);

struct SpecimenLayout {
    int columns = 8;
    int cellWidth = 0;
    int rowHeight = 0;
    int titleHeight = 0;
    int width = 0;
    int height = 0;
};

// The grid for these fonts (created at some height) and this many entries.
SpecimenLayout specimenLayout(const FontSet& fonts, std::size_t entryCount);

// Draws the sheet with the painter's origin at its top-left corner, the
// gracenotes as the style engraves them. Fonts must come from a
// QtMeasuringContext.
void drawSpecimen(QPainter& painter, const FontSet& fonts, const std::vector<SpecimenEntry>& entries,
                  const SpecimenLayout& layout, EngravingStyle style = EngravingStyle::Classic);

// The sheet of a zoom of 400 % holds over 100 million pixels.
inline constexpr int kMinimumZoom = 10;
inline constexpr int kMaximumZoom = 400;

// Writes the sheet as PNG or PDF (by the file's extension) at a zoom in
// percent, kMinimumZoom..kMaximumZoom. False with a reason in `error` when the file cannot be written.
bool writeSpecimen(const std::filesystem::path& out, const std::filesystem::path& resourceDir,
                   const std::vector<SpecimenEntry>& entries, int zoom, EngravingStyle style, std::string& error);

}  // namespace skirlo
