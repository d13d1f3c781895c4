#pragma once
// The codes a symbol map row gives a name, the constants that go with them,
// and the names the program recognises by their letters whatever the map says.
//
// Every word is compared exactly and case-sensitively; an unknown word takes
// the stated default instead of failing.

#include <array>
#include <cstdint>
#include <string_view>

namespace skirlo {

// The number is the position of the word in kCategoryWords.
enum SymbolCategory : std::int32_t {
    CAT_MELODY_NO_TAIL = 0,
    CAT_MELODY_RIGHT_TAIL = 1,
    CAT_MELODY_LEFT_TAIL = 2,
    CAT_DOTS = 3,
    CAT_EMBELISHMENTS = 4,
    CAT_GRACENOTES = 5,
    CAT_STRIKES = 6,
    CAT_RUNS_OF_3 = 7,
    CAT_TIES = 8,
    CAT_START_TIMELINE = 9,
    CAT_END_TIMELINE = 10,
    CAT_TIME_SIGNATURE = 11,
    CAT_START_SECTION = 12,
    CAT_END_SECTION = 13,
    CAT_G_CLEF = 14,
    CAT_BEAT_SEPARATOR = 15,
    CAT_BAR = 16,
    CAT_FERMATA = 17,
    CAT_RUNS_OF_3_START = 18,
    CAT_RUNS_OF_3_END = 19,
    CAT_TIES_START = 20,
    CAT_TIES_END = 21,
    CAT_PIOB_OVERNEXT = 22,
    CAT_PIOB_UNDERPREV = 23,
    CAT_PIOB_UNDERNEXT = 24,
    CAT_PIOB_UNDERNEXT_CAMACH = 25,
    CAT_NOTE_CHANGE = 26,
    CAT_CADENCE = 27,
    CAT_SIGN = 28,
    CAT_SIGN_REPEAT = 29,
    CAT_REST = 30,
    CAT_END_TIMELINE_BIS = 31,
    CAT_TEMPO_MARK = 32,  // has no word: given by the name alone
};
inline constexpr int kCategoryCount = 33;

inline constexpr std::array<std::string_view, 32> kCategoryWords = {
    "CAT_MELODY_NO_TAIL", "CAT_MELODY_RIGHT_TAIL", "CAT_MELODY_LEFT_TAIL", "CAT_DOTS",
    "CAT_EMBELISHMENTS", "CAT_GRACENOTES", "CAT_STRIKES", "CAT_RUNS_OF_3",
    "CAT_TIES", "CAT_START_TIMELINE", "CAT_END_TIMELINE", "CAT_TIME_SIGNATURE",
    "CAT_START_SECTION", "CAT_END_SECTION", "CAT_G_CLEF", "CAT_BEAT_SEPARATOR",
    "CAT_BAR", "CAT_FERMATA", "CAT_RUNS_OF_3_START", "CAT_RUNS_OF_3_END",
    "CAT_TIES_START", "CAT_TIES_END", "CAT_PIOB_OVERNEXT", "CAT_PIOB_UNDERPREV",
    "CAT_PIOB_UNDERNEXT", "CAT_PIOB_UNDERNEXT_CAMACH", "CAT_NOTE_CHANGE", "CAT_CADENCE",
    "CAT_SIGN", "CAT_SIGN_REPEAT", "CAT_REST", "CAT_END_TIMELINE_BIS",
};

// CAT_END_SECTION for a word that is not in the list.
std::int32_t categoryFromWord(std::string_view word);
// Empty for tempo marks and values outside 0..31.
std::string_view categoryWord(std::int32_t category);

// Melody notes: the categories that become the current note of their bar.
constexpr bool isMelodyCategory(std::int32_t c) { return c >= CAT_MELODY_NO_TAIL && c <= CAT_MELODY_LEFT_TAIL; }
// A melody note whose stem ends in a flag or a beam.
constexpr bool isTailedNote(std::int32_t c) { return c == CAT_MELODY_RIGHT_TAIL || c == CAT_MELODY_LEFT_TAIL; }
// Embellishments, single gracenotes, strikes and cadences: spaced alike.
constexpr bool isEmbellishmentLike(std::int32_t c) {
    return c == CAT_EMBELISHMENTS || c == CAT_GRACENOTES || c == CAT_STRIKES || c == CAT_CADENCE;
}
// Ties and triplet marks: drawn as arcs, with their glyph font as secondary font.
constexpr bool isArcCategory(std::int32_t c) {
    return c == CAT_RUNS_OF_3 || c == CAT_TIES || c == CAT_RUNS_OF_3_END || c == CAT_TIES_END;
}
// Bar lines, whose black box is measured from the staff font's '!'.
constexpr bool isBarLineCategory(std::int32_t c) {
    return c == CAT_START_SECTION || c == CAT_END_SECTION || c == CAT_BAR;
}

enum Pitch : std::int32_t {
    PITCH_LG = 0, PITCH_LA, PITCH_B, PITCH_C, PITCH_D, PITCH_E, PITCH_F, PITCH_HG, PITCH_HA,
};
inline constexpr std::array<std::string_view, 9> kPitchWords = {"LG", "LA", "B", "C", "D", "E", "F", "HG", "HA"};
// PITCH_LG for an unknown or missing word.
std::int32_t pitchFromWord(std::string_view word);

enum TailCode : std::int32_t { TAIL_N = 0, TAIL_L = 1, TAIL_R = 2, TAIL_A = 3 };
inline constexpr std::array<std::string_view, 4> kTailWords = {"N", "L", "R", "A"};
// TAIL_A for an unknown or missing word.
std::int32_t tailFromWord(std::string_view word);
// Only left and right tails join a note to its neighbour.
constexpr bool isJoiningTail(std::int32_t tail) { return tail == TAIL_L || tail == TAIL_R; }

// Note values are 1 whole, 2 half, 4 quarter, 8 eighth, 16 and 32; 0 when
// the row gives none. Beams or flags of a value: one per halving down to 8.
int beamCount(std::int32_t noteValue);

// How the performance builder sounds a symbol.
enum class PlaybackClass {
    Silent,  // any word not below
    Melody, Embellishment, Dot, DoubleDot, RunOf3, NoSound, Fermata,
    Duplet, Quadruplet, Quintuplet, Sextuplet, Septuplet, QuadSex, QuinQuad, SeptSex,
};
PlaybackClass playbackClassFromWord(std::string_view word);

// Per-category spacing in 1/130 of the staff scale. A value type so that the
// symbol map's embellishment space travels with the map that read it.
struct CategorySpacing {
    std::array<int, kCategoryCount> before{};
    std::array<int, kCategoryCount> after{};

    static CategorySpacing standard();
    // The embellishment space replaces the space after categories 4, 5, 6 and 27.
    void setEmbellishmentSpace(int space);
    // 0 for a value outside 0..32.
    int spaceBefore(std::int32_t category) const;
    int spaceAfter(std::int32_t category) const;
};

// Time lines: one bit per start name, held in a 16-bit word.
using TimeLineFlags = std::uint16_t;
inline constexpr TimeLineFlags kFirstTime = 0x0002;    // '1
inline constexpr TimeLineFlags kSecondTime = 0x0004;   // '2
inline constexpr TimeLineFlags kSecondOf22 = 0x0008;   // '22: second time of the 2nd part
inline constexpr TimeLineFlags kSecondOf23 = 0x0010;   // '23
inline constexpr TimeLineFlags kSecondOf24 = 0x0020;   // '24
inline constexpr TimeLineFlags kSecondOf224 = 0x0040;  // '224: of the 2nd and 4th parts, out of numeric order
inline constexpr TimeLineFlags kSecondOf25 = 0x0080;   // '25
inline constexpr TimeLineFlags kSecondOf26 = 0x0100;   // '26
inline constexpr TimeLineFlags kSecondOf27 = 0x0200;   // '27
inline constexpr TimeLineFlags kSecondOf28 = 0x0400;   // '28
inline constexpr TimeLineFlags kSingling = 0x0800;     // 'si
inline constexpr TimeLineFlags kDoubling = 0x1000;     // 'do
inline constexpr TimeLineFlags kIntroduction = 0x2000; // 'intro
inline constexpr TimeLineFlags kBisTimeLine = 0x4000;  // 'bis
// The bit of a time-line start name; 0 for a name outside the table.
TimeLineFlags timeLineBit(std::string_view name);
// What a time-line end leaves open: an open 'bis survives the first end that
// closes an inner time line and is closed by the next.
constexpr TimeLineFlags closeTimeLines(TimeLineFlags flags) {
    return (flags & kBisTimeLine) != 0 && (flags & ~kBisTimeLine) != 0 ? kBisTimeLine : TimeLineFlags{0};
}

// Names with fixed meaning.
inline constexpr std::string_view kBeatSeparatorName = "_bs";
inline constexpr std::string_view kBarLineName = "!";
inline constexpr std::string_view kRunOf3EndName = "^3e";
inline constexpr std::string_view kCodaSectionName = "codasection";
// The jumps, which may stand after a part's last bar line.
inline constexpr std::array<std::string_view, 3> kDirectionNames = {"dalsegno", "dacapoalfine", "dacapoalcoda"};

// What a bar-line token is. The bar builder sets it on each symbol once;
// layout, drawing, the performance and the other formats switch on it.
enum class BarLineKind : std::uint8_t {
    None,
    Plain,        // !
    Double,       // !!
    StaffEnd,     // !t
    PartStart,    // I!
    RepeatStart,  // I!''
    PartEnd,      // !I
    RepeatEnd,    // ''!I
};

struct BarLineToken {
    BarLineKind kind;
    std::string_view name;
};
// The one place the bar lines' spellings are kept.
inline constexpr std::array<BarLineToken, 7> kBarLineTokens = {{
    {BarLineKind::Plain, "!"},
    {BarLineKind::Double, "!!"},
    {BarLineKind::StaffEnd, "!t"},
    {BarLineKind::PartStart, "I!"},
    {BarLineKind::RepeatStart, "I!''"},
    {BarLineKind::PartEnd, "!I"},
    {BarLineKind::RepeatEnd, "''!I"},
}};
constexpr BarLineKind barLineKindOf(std::string_view name) {
    for (const BarLineToken& token : kBarLineTokens) {
        if (token.name == name) return token.kind;
    }
    return BarLineKind::None;
}
constexpr std::string_view barLineName(BarLineKind kind) {
    for (const BarLineToken& token : kBarLineTokens) {
        if (token.kind == kind) return token.name;
    }
    return {};
}

// What a sign or jump token is, set like the bar-line kind.
enum class DirectionKind : std::uint8_t {
    None,
    Segno,
    Fine,
    Coda,
    CodaSection,
    DalSegno,
    DaCapoAlFine,
    DaCapoAlCoda,
};
DirectionKind directionKindOf(std::string_view name);

// Any name containing "TuneTempo" or "VariationTempo".
bool isTempoMarkName(std::string_view name);
// A category-7 or category-19 name containing "^3" is drawn with the glyph of ^3e.
bool takesRunOf3EndGlyph(std::string_view name);
// dacapoalfine and dacapoalcoda set the tune's da-capo flag.
constexpr bool isDaCapo(DirectionKind kind) {
    return kind == DirectionKind::DaCapoAlFine || kind == DirectionKind::DaCapoAlCoda;
}

}  // namespace skirlo
