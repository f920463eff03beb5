#include "platform/db/DisplayFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FormatCase {
    const char* name;
    double value;
    const char* format;
    const char* expected;
};

class DisplayFormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(DisplayFormatTest, Formats)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(db::formatNumber(c.value, QString::fromLatin1(c.format)), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayFormatTest,
    testing::Values(
        FormatCase{"FractionRoundsUp", 1234.6, "0", "1235"},
        FormatCase{"FractionRoundsDown", 1234.4, "0", "1234"},
        FormatCase{"HalfAwayFromZero", 1234.5, "0", "1235"},
        FormatCase{"EvenHalfStillUp", 2.5, "0", "3"},
        FormatCase{"NegativeHalfAwayFromZero", -2.5, "0", "-3"},
        FormatCase{"NegativeToZeroHasNoSign", -0.4, "0", "0"},
        FormatCase{"JustBelowHalf", 0.49999999999999994, "0", "0"},
        FormatCase{"CarryIntoNewDigit", 999.5, "0", "1000"},
        FormatCase{"LargeWithoutExponent", 1e20, "0", "100000000000000000000"},
        FormatCase{"Zero", 0.0, "0", "0"},
        FormatCase{"DecimalsRoundAsWritten", 0.15, "0.0", "0.2"},
        FormatCase{"DecimalsPadded", 3.0, "0.00", "3.00"},
        FormatCase{"NegativeZeroWithDecimals", -0.04, "0.0", "0.0"},
        FormatCase{"LeadingZeros", 5.0, "00", "05"},
        FormatCase{"NoFormatIsGeneral", 1234.6, "", "1234.6"},
        FormatCase{"UnknownFormatIsGeneral", 0.1, "#,##0", "0.1"}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST(DisplayFormat, NonFiniteFallsBackToGeneral)
{
    EXPECT_EQ(db::formatNumber(std::numeric_limits<double>::infinity(), QStringLiteral("0")), QStringLiteral("inf"));
}

} // namespace
