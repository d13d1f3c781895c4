#pragma once
// The few facts about a performance's symbols that the MIDI writers need,
// so that they do not depend on the whole notation model.

namespace skirlo {

struct Symbol;

// A rest sounds with velocity 0. Null is not a rest.
bool isRest(const Symbol* symbol);
// A note that a preceding tie joins to is held, not struck again.
bool isTieTarget(const Symbol* symbol);

}  // namespace skirlo
