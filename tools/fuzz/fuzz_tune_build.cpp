// Drives what opening a document does to arbitrary text: the settings
// readers, recognition and conversion, the first build, then a refresh and a
// second build. Nothing may crash, hang or grow without bound.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/FixedMetrics.h"
#include "common/MessageSink.h"
#include "notation/SymbolMap.h"
#include "notation/TuneBuilder.h"
#include "tunefile/Profile.h"
#include "tunefile/ScriptText.h"
#include "tunefile/TuneFileFormat.h"
#include "tunefile/TuneSettings.h"

namespace {

class DiscardingSink final : public skirlo::MessageSink {
public:
    skirlo::MessageAnswer show(std::string_view, std::string_view, skirlo::MessageButtons) override {
        return skirlo::MessageAnswer::Ok;
    }
};

const skirlo::SymbolMap& defaultSymbols() {
    static const skirlo::SymbolMap symbols = [] {
        skirlo::SymbolMap map;
        DiscardingSink sink;
        map.load(*skirlo::IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI"), sink);
        return map;
    }();
    return symbols;
}

void build(skirlo::ScriptText& script, skirlo::FileRecognition& recognition, skirlo::MessageSink& sink) {
    skirlo::FixedMetricsContext measuring;
    const skirlo::FontSet fonts;
    const bool convert = recognition.beginBuild(script);
    const skirlo::TuneBuildContext context{defaultSymbols(), measuring, fonts, sink, 130};
    auto tunes = skirlo::buildTunes(script, convert, context);
    recognition.endBuild();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skirlo::ScriptText script(std::string(reinterpret_cast<const char*>(data), size));
    skirlo::TuneSettings settings;
    skirlo::TuneSettingsLines lines(script, settings);
    skirlo::FileRecognition recognition;
    DiscardingSink sink;
    skirlo::prepareAtFirstSetUp(script, lines, recognition, "fuzz.tnz", false, sink);
    build(script, recognition, sink);
    lines.readAtRefresh();
    build(script, recognition, sink);
    return 0;
}
