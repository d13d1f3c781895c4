#pragma once
// One row of the symbol map: how a symbol name is drawn, its codes and how it
// is sounded.

#include <cstdint>
#include <string>

#include "notation/SymbolVocabulary.h"

namespace skirlo {

struct SymbolMapEntry {
    std::string playbackClass;
    std::string playbackData;
    std::string name;
    std::int32_t noteValue = 0;
    std::int32_t category = CAT_END_SECTION;
    std::int32_t pitch = PITCH_LG;
    std::int32_t tailCode = TAIL_A;
    std::int32_t glyphCharacter = 0;  // the key the row was stored under
};

}  // namespace skirlo
