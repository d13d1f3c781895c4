#include "common/LenientNumber.h"

#include <gtest/gtest.h>

using namespace skirlo;

TEST(LenientNumber, ReadsLeadingIntegerAndStopsAtFirstNonDigit) {
    EXPECT_EQ(leadingInt("  90)"), 90);
    EXPECT_EQ(leadingInt("-12,5"), -12);
    EXPECT_EQ(leadingInt("+7x"), 7);
    EXPECT_EQ(leadingInt("\t\r\n 3"), 3);
    EXPECT_EQ(leadingInt("P"), 0);
    EXPECT_EQ(leadingInt(""), 0);
    EXPECT_EQ(leadingInt("- 5"), 0);
}

TEST(LenientNumber, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(leadingInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(leadingInt("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(leadingInt("2147483648"), 2147483647);
    EXPECT_EQ(leadingInt("-2147483648"), -2147483647 - 1);
}

TEST(LenientNumber, DigitsOnlyReaderRefusesBlanksAndSigns) {
    EXPECT_EQ(leadingDigits("120 "), 120);
    EXPECT_EQ(leadingDigits(" 120"), 0);
    EXPECT_EQ(leadingDigits("-1"), 0);
}

TEST(LenientNumber, ReadsDecimalNumbersForVersionNumbers) {
    EXPECT_EQ(leadingDouble("1.0\r\n"), 1.0);
    EXPECT_EQ(leadingDouble(" 1"), 1.0);
    EXPECT_EQ(leadingDouble("1.00x"), 1.0);
    EXPECT_EQ(leadingDouble("1.1"), 1.1);
    EXPECT_EQ(leadingDouble("abc"), 0.0);
    EXPECT_EQ(leadingDouble("0x10"), 0.0);
}
