#pragma once
// Whether reading a tune's text may repair it. Reading finds what an older
// or hand-typed text lacks: a text record without its attribute list, a
// missing settings line, the tempo line. Opening a file, Refresh Music,
// saving, printing and `normalize` mend the text (each repair an edit of the
// script, undoable like any other); the rebuild that follows the typist
// leaves the text exactly as typed, and everything it builds (records, source
// places, settings, the performance) then reads as if the repairs were made,
// at the places of the text as it stands.

namespace skirlo {

enum class TextRepairs { Mend, Leave };

}  // namespace skirlo
