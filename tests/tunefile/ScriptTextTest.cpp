#include "tunefile/ScriptText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace skirlo;

TEST(ScriptText, SelectionIsClampedAndOrdered) {
    ScriptText script("abcdef");
    script.select(4, 100);
    EXPECT_EQ(script.selectionBegin(), 4u);
    EXPECT_EQ(script.selectionEnd(), 6u);
    script.select(5, 2);
    EXPECT_EQ(script.selectionBegin(), 2u);
    EXPECT_EQ(script.selectionEnd(), 5u);
    script.select(ScriptText::npos, ScriptText::npos);
    EXPECT_EQ(script.selectionBegin(), 6u);
    EXPECT_FALSE(script.modified());
}

TEST(ScriptText, ReplacementMarksModifiedMovesCaretAndTellsObserver) {
    ScriptText script("abcdef");
    struct Call {
        std::size_t begin, removed;
        std::string inserted;
    };
    std::vector<Call> calls;
    script.setObserver([&](std::size_t b, std::size_t r, std::string_view i) { calls.push_back({b, r, std::string(i)}); });
    script.select(1, 3);
    script.replaceSelection("XYZ");
    EXPECT_EQ(script.text(), "aXYZdef");
    EXPECT_TRUE(script.modified());
    EXPECT_EQ(script.selectionBegin(), 4u);
    EXPECT_EQ(script.selectionEnd(), 4u);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].begin, 1u);
    EXPECT_EQ(calls[0].removed, 2u);
    EXPECT_EQ(calls[0].inserted, "XYZ");
}

TEST(ScriptText, LoadKeepsEveryByteAndDoesNotMarkModified) {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    ScriptText script("old");
    script.select(1, 2);
    script.load(bytes);
    EXPECT_EQ(script.text(), bytes);
    EXPECT_FALSE(script.modified());
    EXPECT_EQ(script.selectionEnd(), 0u);
}
