// Reads arbitrary bytes as ABC and builds the tune text it writes. Nothing may
// crash or hang; every message has a place in the input; a text is written
// exactly when a tune with music was read, and that text builds into as many
// tunes as were read.

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "common/FixedMetrics.h"
#include "common/MessageSink.h"
#include "interchange/AbcReader.h"
#include "interchange/EmbellishmentTable.h"
#include "notation/SymbolMap.h"
#include "notation/TuneBuilder.h"
#include "tunefile/Profile.h"
#include "tunefile/ScriptText.h"

namespace {

class DiscardingSink final : public skirlo::MessageSink {
public:
    skirlo::MessageAnswer show(std::string_view, std::string_view, skirlo::MessageButtons) override {
        return skirlo::MessageAnswer::Ok;
    }
};

struct Defaults {
    std::unique_ptr<skirlo::IniProfile> profile = skirlo::IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI");
    skirlo::EmbellishmentTable table = skirlo::EmbellishmentTable::fromProfile(*profile);
    skirlo::SymbolMap symbols;
    Defaults() {
        DiscardingSink sink;
        symbols.load(*profile, sink);
    }
};

const Defaults& defaults() {
    static const Defaults loaded;
    return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view abc(reinterpret_cast<const char*>(data), size);
    const skirlo::AbcImport imported = skirlo::importAbc(abc, defaults().table);
    const std::size_t lines = static_cast<std::size_t>(std::count(abc.begin(), abc.end(), '\n')) + 1;
    for (const skirlo::AbcMessage& message : imported.messages) {
        if (message.line < 1 || static_cast<std::size_t>(message.line) > lines || message.column < 1) std::abort();
    }
    if ((imported.tunes > 0) != !imported.tuneText.empty()) std::abort();
    if (imported.tunes == 0) return 0;
    skirlo::ScriptText script(imported.tuneText);
    skirlo::FixedMetricsContext measuring;
    const skirlo::FontSet fonts;
    DiscardingSink sink;
    const skirlo::TuneBuildContext context{defaults().symbols, measuring, fonts, sink, 130};
    const auto tunes = skirlo::buildTunes(script, false, context);
    if (static_cast<int>(tunes.size()) != imported.tunes) std::abort();
    return 0;
}
