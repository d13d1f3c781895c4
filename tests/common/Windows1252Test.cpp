#include "common/Windows1252.h"

#include <gtest/gtest.h>

using namespace skirlo;

TEST(Windows1252, MapsTheHighControlRangeAndKeepsUndefinedBytes) {
    EXPECT_EQ(windows1252ToUtf8("A\x80"), "A\xE2\x82\xAC");    // euro sign
    EXPECT_EQ(windows1252ToUtf8("\x92"), "\xE2\x80\x99");      // right single quote
    EXPECT_EQ(windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(windows1252ToUtf8("\xE9"), "\xC3\xA9");          // e acute
    EXPECT_EQ(windows1252ToUtf8(std::string_view("\0x", 2)), std::string("\0x", 2));
}

TEST(Windows1252, EveryByteGivesADistinctCodePoint) {
    bool seen[0x10000] = {};
    for (int b = 0; b < 256; ++b) {
        char32_t c = windows1252ToCodePoint(static_cast<unsigned char>(b));
        ASSERT_LT(c, 0x10000u);
        EXPECT_FALSE(seen[c]) << "byte " << b;
        seen[c] = true;
    }
}

TEST(Windows1252, TextsInUtf8AreKeptAndEverythingElseIsDecoded) {
    EXPECT_EQ(tuneTextToUtf8("Br\xC3\xA0igh"), "Br\xC3\xA0igh");               // written by a UTF-8 editor
    EXPECT_EQ(tuneTextToUtf8("Br\xE0igh"), "Br\xC3\xA0igh");                   // the same title in Windows-1252
    EXPECT_EQ(tuneTextToUtf8("Pipe \xF0\x9D\x84\x9E"), "Pipe \xF0\x9D\x84\x9E");  // four bytes
    EXPECT_EQ(tuneTextToUtf8("\xC3\xA9\xE9"), "\xC3\x83\xC2\xA9\xC3\xA9");    // one stray byte: all Windows-1252
    EXPECT_FALSE(isMultiByteUtf8("plain ASCII"));
    // Forms UTF-8 forbids read as Windows-1252: overlong, surrogate, past U+10FFFF, cut short.
    for (std::string_view bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ab\xE2\x82"}) {
        EXPECT_FALSE(isMultiByteUtf8(bad)) << bad;
    }
}
