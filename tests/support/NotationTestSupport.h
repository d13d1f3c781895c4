#pragma once
// A small symbol map written for the notation tests, and a fixture that
// builds tune texts against it with fixed glyph metrics.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/FixedMetrics.h"
#include "common/Measuring.h"
#include "common/MessageSink.h"
#include "notation/SymbolMap.h"
#include "notation/TuneBuilder.h"
#include "notation/TuneTree.h"
#include "tunefile/Profile.h"
#include "tunefile/ScriptText.h"

namespace skirlo::test {

// Rows in every section the bar builder treats differently; FontMap8 empty.
inline constexpr std::string_view kNotationTestProfile =
    "[Symbols]\r\n"
    "EmbellishmentDistFactor=3\r\n"
    "[FontMap1]\r\n"
    "33=! (CAT_BAR,LG,N,0) no_sound\r\n"
    "34=I! (CAT_START_SECTION,LG,N,0) no_sound\r\n"
    "35=!I (CAT_END_SECTION,LG,N,0) no_sound\r\n"
    "36=''!I (CAT_END_SECTION,LG,N,0) no_sound\r\n"
    "37=I!'' (CAT_START_SECTION,LG,N,0) no_sound\r\n"
    "38=!t (CAT_END_SECTION,LG,N,0) no_sound\r\n"
    "39=& (CAT_G_CLEF,LG,N,0) no_sound\r\n"
    "40=4_4 (CAT_TIME_SIGNATURE,LG,N,0) no_sound\r\n"
    "41='1 (CAT_START_TIMELINE,LG,N,0) no_sound\r\n"
    "42='2 (CAT_START_TIMELINE,LG,N,0) no_sound\r\n"
    "43='bis (CAT_START_TIMELINE,LG,N,0) no_sound\r\n"
    "44=_' (CAT_END_TIMELINE,LG,N,0) no_sound\r\n"
    "45=fine (CAT_SIGN_REPEAT,LG,N,0) no_sound\r\n"
    "46=coda (CAT_SIGN_REPEAT,LG,N,0) no_sound\r\n"
    "47=dalsegno (CAT_SIGN_REPEAT,LG,N,0) no_sound\r\n"
    "48=dacapoalfine (CAT_SIGN_REPEAT,LG,N,0) no_sound\r\n"
    "49=codasection (CAT_SIGN_REPEAT,LG,N,0) no_sound\r\n"
    "50='intro (CAT_START_TIMELINE,LG,N,0) no_sound\r\n"
    "51=_'bis (CAT_END_TIMELINE_BIS,LG,N,0) no_sound\r\n"
    "52='zz (CAT_START_TIMELINE,LG,N,0) no_sound\r\n"
    "60=LG_4 (CAT_MELODY_NO_TAIL,LG,N,4) melody g4\r\n"
    "61=LA_4 (CAT_MELODY_NO_TAIL,LA,N,4) melody a4\r\n"
    "62=B_4 (CAT_MELODY_NO_TAIL,B,N,4) melody b4\r\n"
    "63=C_4 (CAT_MELODY_NO_TAIL,C,N,4) melody c4\r\n"
    "64=HA_4 (CAT_MELODY_NO_TAIL,HA,N,4) melody A4\r\n"
    "65=LAr_8 (CAT_MELODY_RIGHT_TAIL,LA,R,8) melody a8\r\n"
    "66=Bl_8 (CAT_MELODY_LEFT_TAIL,B,L,8) melody b8\r\n"
    "67=Cr_8 (CAT_MELODY_RIGHT_TAIL,C,R,8) melody c8\r\n"
    "68=D_8 (CAT_MELODY_RIGHT_TAIL,D,A,8) melody d8\r\n"
    "69=El_8 (CAT_MELODY_LEFT_TAIL,E,L,8) melody e8\r\n"
    "70=Fr_16 (CAT_MELODY_RIGHT_TAIL,F,R,16) melody f16\r\n"
    "171=HAl_32 (CAT_MELODY_LEFT_TAIL,HA,L,32) melody A32\r\n"
    "[FontMap2]\r\n"
    "32=dbe (CAT_EMBELISHMENTS,E,N,0) embellishment gEfe\r\n"
    "33=gg (CAT_GRACENOTES,HG,N,0) embellishment G\r\n"
    "34=strla (CAT_STRIKES,LA,N,0) embellishment g\r\n"
    "35=sharpf (CAT_NOTE_CHANGE,F,N,0) no_sound #f\r\n"
    "36=sharpc (CAT_NOTE_CHANGE,C,N,0) no_sound #c\r\n"
    "[FontMap3]\r\n"
    "32='la (CAT_DOTS,LA,N,0) dot\r\n"
    "33=^ts (CAT_TIES_START,LG,N,0) no_sound\r\n"
    "34=^te (CAT_TIES_END,LG,N,0) no_sound\r\n"
    "35=^3s (CAT_RUNS_OF_3_START,LG,N,0) no_sound\r\n"
    "36=^3e (CAT_RUNS_OF_3_END,LG,N,0) run_of_3\r\n"
    "37=tie (CAT_TIES,LG,N,0) no_sound\r\n"
    "38=^3 (CAT_RUNS_OF_3,LG,N,0) run_of_3\r\n"
    "39=fermat (CAT_FERMATA,LG,N,0) fermata\r\n"
    "40=LG_4 (CAT_REST,HA,A,1) no_sound\r\n"
    "[FontMap4]\r\n"
    "32=overnext (CAT_PIOB_OVERNEXT,LG,N,0) no_sound\r\n"
    "33=underprev (CAT_PIOB_UNDERPREV,LG,N,0) no_sound\r\n"
    "[FontMap5]\r\n"
    "32=sign (CAT_SIGN,LG,N,0) no_sound\r\n"
    "[FontMap6]\r\n"
    "32=rest_4 (CAT_REST,LG,N,4) no_sound\r\n"
    "[FontMap7]\r\n"
    "32=cad (CAT_CADENCE,E,N,0) embellishment E\r\n";

// The test map, loaded once per fixture through the real profile reader.
inline SymbolMap notationTestMap() {
    SymbolMap map;
    RecordingMessageSink sink;
    map.load(*IniProfile::fromText(std::string(kNotationTestProfile)), sink);
    return map;
}

// Fonts of a fixed-metrics context at music font height `height`.
inline FontSet fixedMetricsFonts(MeasuringContext& context, int height) {
    FontSet fonts;
    fonts.height = height;
    const char* faces[] = {"QTN1", "QTN2", "QTN3", "QTN4", nullptr, "QTN5", "QTN6", "QTN7", "QTN8"};
    for (std::size_t i = 0; i < fonts.fonts.size(); ++i) {
        fonts.fonts[i] = faces[i] != nullptr ? context.createMusicFont(faces[i], height, 0)
                                             : context.createTextFont(FontDescription{});
    }
    return fonts;
}

// Builds texts against the test map and records the messages shown.
class NotationBuild {
public:
    NotationBuild() : symbols(notationTestMap()), fonts(fixedMetricsFonts(measuring, 130)) {}

    std::vector<std::unique_ptr<Tune>> build(std::string text, SymbolPlacement* placement = nullptr) {
        script.load(std::move(text));
        TuneBuildContext context{symbols, measuring, fonts, messages, 130, placement};
        return buildTunes(script, false, context);
    }

    // The one part's symbols by name, bar by bar: "A B | C |".
    static std::string names(const StaffLayout& staff) {
        std::string out;
        for (const auto& bar : staff.bars) {
            for (const auto& symbol : bar->symbols) out += symbol->name + " ";
            out += "| ";
        }
        return out;
    }

    SymbolMap symbols;
    FixedMetricsContext measuring;
    FontSet fonts;
    RecordingMessageSink messages;
    ScriptText script;
};

}  // namespace skirlo::test

namespace skirlo::test {

// Every symbol of a tune in text order.
inline std::vector<Symbol*> allSymbols(const Tune& tune) {
    std::vector<Symbol*> out;
    for (const auto& part : tune.parts)
        for (const auto& staff : part->staves)
            for (const auto& bar : staff->bars)
                for (const auto& symbol : bar->symbols) out.push_back(symbol.get());
    return out;
}

// The n-th symbol of that name (0 for the first), or null.
inline Symbol* findSymbol(const Tune& tune, std::string_view name, int n = 0) {
    for (Symbol* symbol : allSymbols(tune)) {
        if (symbol->name == name && n-- == 0) return symbol;
    }
    return nullptr;
}

}  // namespace skirlo::test
