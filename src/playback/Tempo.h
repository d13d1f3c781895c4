#pragma once
// A tempo of 0 bpm (a tempo mark without its number, or a tempo the play
// options accept) or below would divide by zero or give negative times;
// such a tempo plays as 1 bpm.

namespace skirlo {

inline int playableTempo(int bpm) { return bpm < 1 ? 1 : bpm; }

}  // namespace skirlo
