#pragma once
// A 1-bit picture as the image writers read it: rows top-down, each padded
// to a multiple of 4 bytes, the leftmost pixel in the high bit, 1 white and
// 0 black. Padding bits past the width are 0.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace skirlo {

struct MonoBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;

    MonoBitmap() = default;
    // All white.
    MonoBitmap(int w, int h);

    static std::size_t rowBytesFor(int width) { return (static_cast<std::size_t>(width) + 31) / 32 * 4; }
    std::size_t rowBytes() const { return rowBytesFor(width); }
    const std::uint8_t* row(int y) const { return bits.data() + static_cast<std::size_t>(y) * rowBytes(); }
    std::uint8_t* row(int y) { return bits.data() + static_cast<std::size_t>(y) * rowBytes(); }
    bool isWhite(int x, int y) const { return (row(y)[x / 8] >> (7 - x % 8) & 1) != 0; }
    void setBlack(int x, int y) { row(y)[x / 8] &= static_cast<std::uint8_t>(~(0x80 >> (x % 8))); }
};

}  // namespace skirlo
