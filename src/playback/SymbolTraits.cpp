#include "playback/SymbolTraits.h"

#include "notation/Symbol.h"
#include "playback/PerformanceEvent.h"

namespace skirlo {

bool isRest(const Symbol* symbol) { return symbol != nullptr && symbol->category == CAT_REST; }

bool isTieTarget(const Symbol* symbol) { return symbol != nullptr && symbol->tieTarget; }

ChanterStep chanterStep(const PerformanceEvent& event, bool first, int key, int previous) {
    ChanterStep step;
    step.changes = !first && key != previous;
    step.held = !first && key == previous && isTieTarget(event.symbol);
    step.restrikes = key == previous && !step.held;
    step.silent = isRest(event.symbol);
    return step;
}

}  // namespace skirlo
