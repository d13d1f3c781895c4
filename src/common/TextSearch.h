#pragma once
// Incremental "first occurrence in the rest of the text" searches.
//
// Many rules of the tune format look for the first occurrence of a word in
// the text that remains after a position, and the position only moves
// forward while a text is read. Searching afresh each time is quadratic in
// the size of the text; a cursor remembers where it found the word last and
// searches again only once the position has passed it.

#include <cstddef>
#include <string_view>

namespace skirlo {

class OccurrenceCursor {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    OccurrenceCursor(std::string_view text, std::string_view needle) : text_(text), needle_(needle) {}

    // First occurrence starting at or after `from`, or npos. Amortised linear
    // over a sequence of non-decreasing `from` values; any order is correct.
    std::size_t from(std::size_t from) {
        if (from < searchedFrom_ || (found_ != npos && from > found_)) search(from);
        return found_;
    }

    // Whether the word occurs in [from, end).
    bool occursBefore(std::size_t from, std::size_t end) {
        std::size_t at = this->from(from);
        return at != npos && at < end;
    }

private:
    void search(std::size_t from) {
        searchedFrom_ = from;
        found_ = from > text_.size() ? npos : text_.find(needle_, from);
    }

    std::string_view text_;
    std::string_view needle_;
    std::size_t searchedFrom_ = npos;  // no search yet: the first call searches
    std::size_t found_ = npos;
};

}  // namespace skirlo
