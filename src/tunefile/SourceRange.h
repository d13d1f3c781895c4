#pragma once
// Where something built from the script text was written: byte offsets into
// the script text as it was when the build read it, [begin, end).

#include <cstddef>

namespace skirlo {

struct SourceRange {
    std::size_t begin = 0;
    std::size_t end = 0;

    bool contains(std::size_t at) const { return at >= begin && at < end; }
    std::size_t size() const { return end - begin; }
    bool operator==(const SourceRange&) const = default;
};

}  // namespace skirlo
