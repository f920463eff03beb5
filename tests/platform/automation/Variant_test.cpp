#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace automation;

namespace {

int32_t failureCode(const std::function<void()>& f)
{
    try {
        f();
    } catch (const CallFailure& e) {
        return e.code();
    }
    return 0;
}

} // namespace

TEST(Variant, KeepsTheTagOfSixteenAndThirtyTwoBitIntegersApart)
{
    EXPECT_EQ(Variant::i2(10).type(), VarType::I2);
    EXPECT_EQ(Variant::i4(10).type(), VarType::I4);
    EXPECT_FALSE(Variant::i2(10) == Variant::i4(10));
    EXPECT_TRUE(numericEquals(Variant::i2(10), Variant::i4(10)));
}

TEST(Variant, ConvertsDoublesToIntegersHalfToEven)
{
    EXPECT_EQ(Variant::r8(1234.5).toI4(), 1234);
    EXPECT_EQ(Variant::r8(1235.5).toI4(), 1236);
    EXPECT_EQ(Variant::r8(-2.5).toI4(), -2);
    EXPECT_EQ(Variant::r8(1234.6).toI4(), 1235);
}

TEST(Variant, RefusesOutOfRangeAndNullAndNonNumericText)
{
    EXPECT_EQ(failureCode([] { (void)Variant::i4(40000).toI2(); }), hr::Disp_E_Overflow);
    EXPECT_EQ(failureCode([] { (void)Variant::i8(int64_t{1} << 32).toI4(); }), hr::Disp_E_Overflow);
    EXPECT_EQ(failureCode([] { (void)Variant::null().toI4(); }), hr::Disp_E_TypeMismatch);
    EXPECT_EQ(failureCode([] { (void)Variant::bstr(u"abc").toR8(); }), hr::Disp_E_TypeMismatch);
    EXPECT_EQ(failureCode([] { (void)Variant::r8(std::nan("")).toI4(); }), hr::Disp_E_Overflow);
}

TEST(Variant, ConvertsTextAndBooleansTheOleWay)
{
    EXPECT_EQ(Variant::bstr(u" 42 ").toI4(), 42);
    EXPECT_DOUBLE_EQ(Variant::bstr(u"2.5").toR8(), 2.5);
    EXPECT_EQ(Variant::boolean(true).toI4(), -1);
    EXPECT_EQ(Variant::i4(-7).toBStr(), u"-7");
    EXPECT_EQ(Variant::boolean(false).toBStr(), u"False");
    EXPECT_EQ(Variant().toBStr(), u"");
    EXPECT_EQ(Variant().toI4(), 0);
}

TEST(Variant, ArrayIndexingHonoursTheLowerBound)
{
    const Variant a = Variant::array({Variant::r8(1), Variant::r8(2)}, 1);
    EXPECT_EQ(a.lowerBound(), 1);
    EXPECT_EQ(a.upperBound(), 2);
    EXPECT_DOUBLE_EQ(a.at(2).toR8(), 2.0);
    EXPECT_EQ(failureCode([&] { (void)a.at(0); }), hr::Disp_E_BadIndex);
    EXPECT_EQ(Variant::array({}).upperBound(), -1);
}

TEST(Variant, AutomationArithmeticWidensInsteadOfOverflowing)
{
    EXPECT_EQ(multiply(Variant::i4(2), Variant::i4(3)), Variant::i4(6));
    EXPECT_EQ(multiply(Variant::i4(2), Variant::i4(0x40000000)).type(), VarType::I8);
    EXPECT_EQ(add(Variant::i4(5), Variant::i2(-1)), Variant::i4(4));
    EXPECT_TRUE(multiply(Variant::null(), Variant::i4(1)).isNull());
}

// Each result keeps the narrowest integer type it fits, and only a result
// beyond 64 bits becomes a double: checked on both sides of every edge.
TEST(Variant, AutomationArithmeticAtTheIntegerBoundaries)
{
    constexpr int64_t max64 = std::numeric_limits<int64_t>::max();
    constexpr int64_t min64 = std::numeric_limits<int64_t>::min();
    constexpr int32_t max32 = std::numeric_limits<int32_t>::max();
    constexpr int32_t min32 = std::numeric_limits<int32_t>::min();
    constexpr double two63 = 9223372036854775808.0;
    struct Case {
        const char* name;
        Variant result;
        Variant expected;
    };
    const Case cases[] = {
        {"I4 max + 0", add(Variant::i4(max32), Variant::i4(0)), Variant::i4(max32)},
        {"I4 max + 1", add(Variant::i4(max32), Variant::i4(1)), Variant::i8(int64_t(max32) + 1)},
        {"I4 min - 1", add(Variant::i4(min32), Variant::i4(-1)), Variant::i8(int64_t(min32) - 1)},
        {"I8 max + 0", add(Variant::i8(max64), Variant::i4(0)), Variant::i8(max64)},
        {"I8 max + 1", add(Variant::i8(max64), Variant::i4(1)), Variant::r8(two63)},
        {"I8 min + -1", add(Variant::i8(min64), Variant::i4(-1)), Variant::r8(-two63)},
        {"I8 min + I8 max", add(Variant::i8(min64), Variant::i8(max64)), Variant::i4(-1)},
        {"2^31 * 2", multiply(Variant::i8(int64_t(1) << 31), Variant::i4(2)), Variant::i8(int64_t(1) << 32)},
        {"2^62 * 2", multiply(Variant::i8(int64_t(1) << 62), Variant::i4(2)), Variant::r8(two63)},
        {"2^62 * -2", multiply(Variant::i8(int64_t(1) << 62), Variant::i4(-2)), Variant::i8(min64)},
        {"-2^62 * -2", multiply(Variant::i8(-(int64_t(1) << 62)), Variant::i4(-2)), Variant::r8(two63)},
        {"I8 min * -1", multiply(Variant::i8(min64), Variant::i4(-1)), Variant::r8(two63)},
        {"I8 min * 1", multiply(Variant::i8(min64), Variant::i4(1)), Variant::i8(min64)},
        {"-1 * -I8 max", multiply(Variant::i4(-1), Variant::i8(-max64)), Variant::i8(max64)},
        {"I8 max * 0", multiply(Variant::i8(max64), Variant::i4(0)), Variant::i4(0)},
        {"I8 max * Bool true (-1)", multiply(Variant::i8(max64), Variant::boolean(true)), Variant::i8(-max64)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result.type(), c.expected.type());
        EXPECT_EQ(c.result, c.expected);
    }
}
