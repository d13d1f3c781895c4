#include "tunefile/ScriptText.h"

#include <algorithm>

namespace skirlo {

void ScriptText::select(std::size_t begin, std::size_t end) {
    begin = std::min(begin, text_.size());
    end = std::min(end, text_.size());
    // An edit control keeps its selection ordered whichever way it was made.
    selectionBegin_ = std::min(begin, end);
    selectionEnd_ = std::max(begin, end);
}

void ScriptText::replaceSelection(std::string_view replacement) {
    const std::size_t begin = selectionBegin_;
    const std::size_t removed = selectionEnd_ - selectionBegin_;
    text_.replace(begin, removed, replacement);
    selectionBegin_ = selectionEnd_ = begin + replacement.size();
    modified_ = true;
    if (observer_) observer_(begin, removed, replacement);
}

void ScriptText::load(std::string bytes) {
    text_ = std::move(bytes);
    selectionBegin_ = selectionEnd_ = 0;
}

}  // namespace skirlo
