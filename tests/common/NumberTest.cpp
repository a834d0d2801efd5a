#include <gtest/gtest.h>

#include "common/Number.h"

namespace ornyx {
namespace {

TEST(NumberTest, DecimalAndHexWholeTextOnly) {
    EXPECT_EQ(ParseUnsigned("0"), 0u);
    EXPECT_EQ(ParseUnsigned("255"), 255u);
    EXPECT_EQ(ParseUnsigned("007"), 7u);
    EXPECT_EQ(ParseUnsigned("0x83"), 0x83u);
    EXPECT_EQ(ParseUnsigned("0XfF"), 0xFFu);
    EXPECT_EQ(ParseUnsigned("4294967295"), 4294967295u);
    EXPECT_EQ(ParseUnsigned("0xffffffff"), 0xFFFFFFFFu);

    for (const char* bad :
         {"", "0x", "0X", "x1", "-1", "+1", " 1", "1 ", "12a", "0x1g", "1.0", "0x-1", "0x 1",
          "4294967296", "0x100000000", "99999999999999999999999"}) {
        EXPECT_EQ(ParseUnsigned(bad), std::nullopt) << '"' << bad << '"';
    }
}

}  // namespace
}  // namespace ornyx
