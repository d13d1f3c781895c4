#include "playback/SymbolTraits.h"

#include "notation/Symbol.h"

namespace skirlo {

bool isRest(const Symbol* symbol) { return symbol != nullptr && symbol->category == CAT_REST; }

bool isTieTarget(const Symbol* symbol) { return symbol != nullptr && symbol->tieTarget; }

}  // namespace skirlo
