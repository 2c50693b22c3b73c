// Numbers as the programs read them from a command line or a record.
#include "veltrane/records/value_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace veltrane;

namespace {

TEST(ValueText, NumbersAreFiniteAndAllOfTheText)
{
    double value = -1.0;
    EXPECT_TRUE(readNumber("0.25", value));
    EXPECT_EQ(value, 0.25);
    EXPECT_TRUE(readNumber("-1e3", value));
    EXPECT_EQ(value, -1000.0);
    for (const char* text : {"nan", "NaN", "-nan", "inf", "-Infinity", "1e999", "", "0.25x", "0.25 ", "x"})
        EXPECT_FALSE(readNumber(text, value)) << '"' << text << '"';
}

TEST(ValueText, WholeNumbersInLongsRange)
{
    long value = 0;
    EXPECT_TRUE(readWholeNumber("-42", value));
    EXPECT_EQ(value, -42);
    for (const char* text : {"", "4.5", "99999999999999999999", "12a", "nan"})
        EXPECT_FALSE(readWholeNumber(text, value)) << '"' << text << '"';
}

} // namespace
