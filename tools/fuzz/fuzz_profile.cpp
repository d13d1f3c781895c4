// Reads arbitrary text as a profile file and loads a symbol map from it.

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/MessageSink.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto profile = skirlo::IniProfile::fromText(std::string(reinterpret_cast<const char*>(data), size));
    skirlo::RecordingMessageSink sink;
    skirlo::SymbolMap map;
    map.load(*profile, sink);
    profile->writeString("Symbols", "HiliteColor", "RGB(1,2,3)");
    map.load(*profile, sink);
    return 0;
}
