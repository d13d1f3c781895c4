#include "notation/SymbolVocabulary.h"

namespace skirlo {

namespace {

template <std::size_t N>
int positionIn(const std::array<std::string_view, N>& words, std::string_view word, int fallback) {
    for (std::size_t i = 0; i < N; ++i) {
        if (words[i] == word) return static_cast<int>(i);
    }
    return fallback;
}

struct TimeLineName {
    std::string_view name;
    TimeLineFlags bit;
};

// '224 takes bit 6 and '25 bit 7, out of numeric order: files rely on it.
constexpr std::array<TimeLineName, 14> kTimeLineNames = {{
    {"'1", kFirstTime},      {"'2", kSecondTime},    {"'22", kSecondOf22},     {"'23", kSecondOf23},
    {"'24", kSecondOf24},    {"'224", kSecondOf224}, {"'25", kSecondOf25},     {"'26", kSecondOf26},
    {"'27", kSecondOf27},    {"'28", kSecondOf28},   {"'si", kSingling},       {"'do", kDoubling},
    {"'intro", kIntroduction}, {"'bis", kBisTimeLine},
}};

struct ClassWord {
    std::string_view word;
    PlaybackClass playbackClass;
};

constexpr std::array<ClassWord, 15> kClassWords = {{
    {"melody", PlaybackClass::Melody},
    {"embellishment", PlaybackClass::Embellishment},
    {"dot", PlaybackClass::Dot},
    {"doubledot", PlaybackClass::DoubleDot},
    {"run_of_3", PlaybackClass::RunOf3},
    {"no_sound", PlaybackClass::NoSound},
    {"fermata", PlaybackClass::Fermata},
    {"duplet", PlaybackClass::Duplet},
    {"quadruplet", PlaybackClass::Quadruplet},
    {"quintuplet", PlaybackClass::Quintuplet},
    {"sextuplet", PlaybackClass::Sextuplet},
    {"septuplet", PlaybackClass::Septuplet},
    {"quadsex", PlaybackClass::QuadSex},
    {"quinquad", PlaybackClass::QuinQuad},
    {"septsex", PlaybackClass::SeptSex},
}};

bool inRange(std::int32_t category) { return category >= 0 && category < kCategoryCount; }

}  // namespace

std::int32_t categoryFromWord(std::string_view word) { return positionIn(kCategoryWords, word, CAT_END_SECTION); }

std::string_view categoryWord(std::int32_t category) {
    if (category < 0 || category >= static_cast<std::int32_t>(kCategoryWords.size())) return {};
    return kCategoryWords[static_cast<std::size_t>(category)];
}

std::int32_t pitchFromWord(std::string_view word) { return positionIn(kPitchWords, word, PITCH_LG); }

std::int32_t tailFromWord(std::string_view word) { return positionIn(kTailWords, word, TAIL_A); }

int beamCount(std::int32_t noteValue) {
    int beams = 0;
    for (std::int32_t value = noteValue; value >= 8; value /= 2) ++beams;
    return beams;
}

PlaybackClass playbackClassFromWord(std::string_view word) {
    for (const ClassWord& entry : kClassWords) {
        if (entry.word == word) return entry.playbackClass;
    }
    return PlaybackClass::Silent;
}

CategorySpacing CategorySpacing::standard() {
    CategorySpacing spacing;
    spacing.before = {0, 0, 0, 4, 10, 10, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 10, 0, 0};
    spacing.after = {10, 10, 10, 10, 3, 3, 3, 0, 0, 0, 0, 10, 5, 0, 10, 0, 5,
                     0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 3, 0, 0, 3, 0, 10};
    return spacing;
}

void CategorySpacing::setEmbellishmentSpace(int space) {
    for (std::int32_t category : {CAT_EMBELISHMENTS, CAT_GRACENOTES, CAT_STRIKES, CAT_CADENCE}) {
        after[static_cast<std::size_t>(category)] = space;
    }
}

int CategorySpacing::spaceBefore(std::int32_t category) const {
    return inRange(category) ? before[static_cast<std::size_t>(category)] : 0;
}

int CategorySpacing::spaceAfter(std::int32_t category) const {
    return inRange(category) ? after[static_cast<std::size_t>(category)] : 0;
}

TimeLineFlags timeLineBit(std::string_view name) {
    for (const TimeLineName& entry : kTimeLineNames) {
        if (entry.name == name) return entry.bit;
    }
    return 0;
}

bool isTempoMarkName(std::string_view name) {
    return name.find("TuneTempo") != std::string_view::npos || name.find("VariationTempo") != std::string_view::npos;
}

bool takesRunOf3EndGlyph(std::string_view name) { return name.find("^3") != std::string_view::npos; }

namespace {

struct DirectionToken {
    DirectionKind kind;
    std::string_view name;
};
constexpr DirectionToken kDirectionTokens[] = {
    {DirectionKind::Segno, "segno"},           {DirectionKind::Fine, "fine"},
    {DirectionKind::Coda, "coda"},             {DirectionKind::CodaSection, kCodaSectionName},
    {DirectionKind::DalSegno, "dalsegno"},     {DirectionKind::DaCapoAlFine, "dacapoalfine"},
    {DirectionKind::DaCapoAlCoda, "dacapoalcoda"},
};

}  // namespace

DirectionKind directionKindOf(std::string_view name) {
    for (const DirectionToken& token : kDirectionTokens) {
        if (token.name == name) return token.kind;
    }
    return DirectionKind::None;
}

}  // namespace skirlo
