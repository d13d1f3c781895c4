#pragma once
// Where something built from the script text was written: byte offsets into
// the script text as it was when the build read it, [begin, end).
//
// Every symbol of a tree keeps one, so the offsets are 32-bit: a tune file
// holds at most 1,048,575 bytes, and no edited script comes near 4 GiB.

#include <cstddef>
#include <cstdint>

namespace skirlo {

struct SourceRange {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;

    // The range of two offsets into a script.
    static SourceRange between(std::size_t begin, std::size_t end) {
        return {static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end)};
    }

    bool contains(std::size_t at) const { return at >= begin && at < end; }
    std::size_t size() const { return end - begin; }
    bool operator==(const SourceRange&) const = default;
};

}  // namespace skirlo
