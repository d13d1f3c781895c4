#include "export/MonoBitmap.h"

namespace skirlo {

MonoBitmap::MonoBitmap(int w, int h) : width(w), height(h) {
    const std::size_t rowSize = rowBytesFor(w);
    bits.assign(rowSize * static_cast<std::size_t>(h), 0xFF);
    // Padding bits past the width are black (0), as a scan-line read leaves them.
    const int used = w % 32;
    if (used == 0 || h == 0) return;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* r = row(y);
        for (int x = w; x < w - used + 32; ++x) r[x / 8] &= static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
    }
}

}  // namespace skirlo
