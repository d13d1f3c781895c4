#pragma once
// The whole script text to its tunes: header region, body start, parts,
// staff lines, bars and symbols.

#include <functional>
#include <memory>
#include <vector>

#include "common/Measuring.h"
#include "notation/SymbolMap.h"
#include "notation/TuneTree.h"
#include "tunefile/TextRepairs.h"

namespace skirlo {

class MessageSink;
class ScriptText;
class SymbolPlacement;

struct TuneBuildContext {
    const SymbolMap& symbols;
    MeasuringContext& measuring;  // a printer context silences unknown-name messages
    const FontSet& fonts;         // null entries measure nothing
    MessageSink& messages;
    int scale = 130;              // music font height H
    SymbolPlacement* placement = nullptr;  // null: structure-only build
    int leftX = 0;                // x of every part
    int topY = 0;                 // y of the first tune
    TextRepairs repairs = TextRepairs::Mend;  // Leave: the live script is never written
};

// Builds every tune of the script. The text is read from a snapshot taken at
// the start; header records that must be completed (older files, records
// without their ')') are written into the live script as they are read,
// unless the context leaves the text as it stands.
// `convertBareStrings`: give bare quoted strings before the music attribute
// lists (the first build of a converted file) instead of treating them as
// comments. An empty text gives no tunes; a text without '&' one tune with
// an empty body.
std::vector<std::unique_ptr<Tune>> buildTunes(ScriptText& script, bool convertBareStrings,
                                              const TuneBuildContext& context);

// Receives each tune as soon as it is built; false stops the build there.
using TuneTaker = std::function<bool(std::unique_ptr<Tune>)>;

// The same build, handing the tunes over one at a time instead of keeping
// them: printing lays a long book out without holding all of it.
void buildTunes(ScriptText& script, bool convertBareStrings, const TuneBuildContext& context, const TuneTaker& take);

}  // namespace skirlo
