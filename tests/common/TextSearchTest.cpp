#include "common/TextSearch.h"

#include <gtest/gtest.h>

#include <string>

using namespace skirlo;

TEST(OccurrenceCursor, AgreesWithPlainFindForwardAndBackward) {
    const std::string text = "& LA_4 !I & B_4 ''!I & C_4 !I";
    OccurrenceCursor cursor(text, "!I");
    for (std::size_t from : {0, 1, 7, 8, 9, 18, 19, 27, 28, 29, 40, 3, 0}) {
        EXPECT_EQ(cursor.from(from), text.find("!I", from)) << "from " << from;
    }
}

TEST(OccurrenceCursor, AbsentWordStaysAbsentAndRangeTestHonoursEnd) {
    const std::string text = "& LA_4 ! B_4 !t";
    OccurrenceCursor cursor(text, "Skirlo");
    EXPECT_EQ(cursor.from(0), OccurrenceCursor::npos);
    EXPECT_EQ(cursor.from(5), OccurrenceCursor::npos);
    OccurrenceCursor bar(text, "!");
    EXPECT_TRUE(bar.occursBefore(0, 8));
    EXPECT_FALSE(bar.occursBefore(0, 7));
    EXPECT_FALSE(bar.occursBefore(14, 15));
}
