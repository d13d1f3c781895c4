// Text kept partly in a temporary file comes back whole and in order, as
// often as it is asked for.

#include <gtest/gtest.h>

#include <string>

#include "export/SpooledText.h"

namespace skirlo {
namespace {

std::string readBack(const SpooledText& text) {
    std::string out;
    EXPECT_TRUE(text.writeTo([&out](std::string_view piece) {
        out += piece;
        return true;
    }));
    return out;
}

TEST(SpooledText, ComesBackWholeInOrderAcrossMemoryAndFileAndAFailedWriteStopsIt) {
    SpooledText text(8);
    std::string expected;
    for (const std::string piece : {"abc", "defgh", "", "a long piece past the limit", "i", "jk", "0123456789"}) {
        text.append(piece);
        expected += piece;
        ASSERT_EQ(readBack(text), expected);
    }
    EXPECT_EQ(text.size(), expected.size());
    text.append("tail");
    EXPECT_EQ(readBack(text), expected + "tail");
    int writes = 0;
    EXPECT_FALSE(text.writeTo([&writes](std::string_view) { return ++writes < 2; }));
    EXPECT_EQ(readBack(text), expected + "tail");
}

}  // namespace
}  // namespace skirlo
