// Reads arbitrary bytes as a MusicXML score and builds the tune text it
// writes. Nothing may crash or hang; a text is written exactly when a tune
// with music was read, and that text builds into as many tunes as were read.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "FuzzSupport.h"
#include "common/FixedMetrics.h"
#include "interchange/EmbellishmentTable.h"
#include "interchange/MusicXmlReader.h"
#include "notation/TuneBuilder.h"
#include "tunefile/ScriptText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace skirlo;
    static const EmbellishmentTable table = EmbellishmentTable::fromProfile(*fuzz::workspace().profile);
    const MusicXmlImport imported =
        importMusicXml(std::string_view(reinterpret_cast<const char*>(data), size), table);
    if (!imported.error.empty() && (imported.tunes > 0 || !imported.lost.empty())) std::abort();
    if ((imported.tunes > 0) != !imported.tuneText.empty()) std::abort();
    if (imported.tunes == 0) return 0;
    ScriptText script(imported.tuneText);
    FixedMetricsContext measuring;
    const FontSet fonts;
    fuzz::DiscardingSink sink;
    const TuneBuildContext context{fuzz::workspace().symbols, measuring, fonts, sink, 130};
    if (static_cast<int>(buildTunes(script, false, context).size()) != imported.tunes) std::abort();
    return 0;
}
