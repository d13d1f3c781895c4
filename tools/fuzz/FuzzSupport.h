#pragma once
// What the fuzzers that open whole documents share: a message sink that
// answers every box, the default profile and symbol map, and the input
// handed to the document's own file reading through an in-memory file.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/MessageSink.h"
#include "document/TuneDocument.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"

namespace skirlo::fuzz {

class DiscardingSink final : public MessageSink {
public:
    MessageAnswer show(std::string_view, std::string_view, MessageButtons) override { return MessageAnswer::Ok; }
};

struct DefaultWorkspace {
    std::unique_ptr<IniProfile> profile = IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI");
    SymbolMap symbols;
    DefaultWorkspace() {
        DiscardingSink sink;
        symbols.load(*profile, sink);
    }
};

inline const DefaultWorkspace& workspace() {
    static const DefaultWorkspace loaded;
    return loaded;
}

// The bytes opened as a tune file and set up as on first display.
inline std::unique_ptr<TuneDocument> openDocument(const std::uint8_t* data, std::size_t size, MessageSink& sink) {
    static const int file = ::memfd_create("fuzz.tnz", 0);
    if (::ftruncate(file, 0) != 0 || ::pwrite(file, data, size, 0) != static_cast<ssize_t>(size)) return nullptr;
    TuneDocument::Opening opening = TuneDocument::open("/proc/self/fd/" + std::to_string(file));
    if (opening.document) opening.document->firstSetUp(sink);
    return std::move(opening.document);
}

}  // namespace skirlo::fuzz
