// Every kind of value crossing COM both ways, in this process and to the
// test server program: what the server sees of an argument (Describe reads
// the raw VARIANT), what comes back from it (Echo, typed arrays), and
// by-ref outputs written back into the caller's Variants.
#include "ComFixture.h"

#include "platform/automation/HResult.h"

#include <windows.h>

#include <oleauto.h>

using namespace automation;

namespace {

struct KindCase {
    const char* name;
    Variant value;
    const char* raw; // the VARIANT as the server sees it
};

std::vector<KindCase> kindCases()
{
    return {
        {"Empty", Variant(), "EMPTY"},
        {"Null", Variant::null(), "NULL"},
        {"SmallestI2", Variant::i2(-32768), "I2:-32768"},
        {"TenAsI2", Variant::i2(10), "I2:10"},
        {"TenAsI4", Variant::i4(10), "I4:10"},
        {"LargestI4", Variant::i4(2147483647), "I4:2147483647"},
        {"I8BeyondThirtyTwoBits", Variant::i8(4886718345LL), "I8:4886718345"},
        {"NegativeI8", Variant::i8(-9007199254740993LL), "I8:-9007199254740993"},
        {"Fraction", Variant::r8(57.5), "R8:57.5"},
        {"NegativeFraction", Variant::r8(-0.125), "R8:-0.125"},
        {"True", Variant::boolean(true), "BOOL:-1"},
        {"False", Variant::boolean(false), "BOOL:0"},
        {"EmptyText", Variant::bstr(u""), "BSTR:\"\""},
        {"CyrillicText", Variant::bstr(u"Слой"), "BSTR:\"\\u0421\\u043B\\u043E\\u0439\""},
        {"TextWithNull", Variant::bstr(std::u16string(u"a\0b", 3)), "BSTR:\"a\\u0000b\""},
        {"Omitted", Variant::omitted(), "ERROR:80020004"},
        {"EmptyArray", Variant::array({}), "ARRAY VARIANT[0..-1]()"},
        {"ArrayFromOne", Variant::array({Variant::i4(1), Variant::bstr(u"x")}, 1),
         "ARRAY VARIANT[1..2](I4:1,BSTR:\"x\")"},
        {"NestedArrays", Variant::array({Variant::array({Variant::r8(1.5)}, -2), Variant::null()}),
         "ARRAY VARIANT[0..1](ARRAY VARIANT[-2..-2](R8:1.5),NULL)"},
    };
}

class ComVariantTest : public ComObjectTest {};

TEST_P(ComVariantTest, EveryKindArrivesAsItsOwnVariantType)
{
    EXPECT_EQ(text(server, u"Describe"), u"") << "no arguments";
    for (const KindCase& c : kindCases())
        EXPECT_EQ(get(server, u"Describe", c.value).toBStr(), ascii(c.raw)) << c.name;
}

TEST_P(ComVariantTest, EveryKindComesBackUnchanged)
{
    for (const KindCase& c : kindCases())
        EXPECT_EQ(get(server, u"Echo", c.value), c.value) << c.name;
}

TEST_P(ComVariantTest, ByRefArgumentsTravelAsReferencesToVariants)
{
    for (const KindCase& c : kindCases()) {
        Variant slot = c.value;
        EXPECT_EQ(get(server, u"Describe", Arg::ref(slot)).toBStr(), u"REF(" + ascii(c.raw) + u")") << c.name;
        EXPECT_EQ(slot, c.value) << c.name << ": an untouched reference keeps its value";
    }
}

TEST_P(ComVariantTest, EveryKindIsWrittenBackIntoAByRefArgument)
{
    for (const KindCase& c : kindCases()) {
        Variant target = Variant::bstr(u"before");
        call(server, u"Assign", Arg::ref(target), c.value);
        EXPECT_EQ(target, c.value) << c.name;
    }
}

TEST_P(ComVariantTest, ByValueArgumentsAreNotWrittenBack)
{
    Variant kept = Variant::i4(5);
    call(server, u"Assign", Arg::ref(kept), Variant::i4(6));
    ASSERT_EQ(kept, Variant::i4(6));
    // The same call with the target by value: the server refuses it, and
    // nothing of the caller's changes.
    const CaughtFailure e = failureOf([&] { call(server, u"Assign", kept, Variant::i4(7)); });
    EXPECT_EQ(e.code(), hr::Disp_E_TypeMismatch);
    EXPECT_EQ(kept, Variant::i4(6));
}

TEST_P(ComVariantTest, TypedSafeArraysComeBackWithTheirBoundsAndElementTypes)
{
    const struct {
        const char* name;
        VARTYPE type;
        int32_t lowerBound;
        Variant expected;
    } cases[] = {
        {"I2", VT_I2, 1, Variant::array({Variant::i2(-1), Variant::i2(0), Variant::i2(32767)}, 1)},
        {"I4", VT_I4, 0, Variant::array({Variant::i4(-100000), Variant::i4(0), Variant::i4(7)})},
        {"R8", VT_R8, -1, Variant::array({Variant::r8(0.5), Variant::r8(-1.25), Variant::r8(1e300)}, -1)},
        {"BStr", VT_BSTR, 0, Variant::array({Variant::bstr(u"a"), Variant::bstr(u""), Variant::bstr(u"Ведорис")})},
        {"Bool", VT_BOOL, 0,
         Variant::array({Variant::boolean(true), Variant::boolean(false), Variant::boolean(true)})},
        {"UI1WidenedToI2", VT_UI1, 0, Variant::array({Variant::i2(0), Variant::i2(128), Variant::i2(255)})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(get(server, u"TypedArray", Variant::i4(c.type), Variant::i4(c.lowerBound)), c.expected) << c.name;
}

TEST_P(ComVariantTest, OtherScalarKindsArriveAsTheNearestKindOfTheirOwn)
{
    const struct {
        const char* name;
        VARTYPE type;
        Variant expected;
    } cases[] = {
        {"I1", VT_I1, Variant::i2(-5)},
        {"UI1", VT_UI1, Variant::i2(200)},
        {"UI2", VT_UI2, Variant::i4(60000)},
        {"INT", VT_INT, Variant::i4(-7)},
        {"UI4", VT_UI4, Variant::i8(4000000000LL)},
        {"UINT", VT_UINT, Variant::i8(4000000000LL)},
        {"UI8", VT_UI8, Variant::i8(1LL << 40)},
        {"R4", VT_R4, Variant::r8(0.5)},
        {"Currency", VT_CY, Variant::r8(12.3456)},
        {"Date", VT_DATE, Variant::r8(2.5)},
        {"Decimal", VT_DECIMAL, Variant::r8(1.25)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(get(server, u"Scalar", Variant::i4(c.type)), c.expected) << c.name;

    // An IUnknown that also is an IDispatch is an object like any other.
    const Variant unknown = get(server, u"Scalar", Variant::i4(VT_UNKNOWN));
    ASSERT_TRUE(unknown.isDispatch());
    EXPECT_EQ(get(server, u"IsSelf", unknown), Variant::boolean(true));
}

TEST_P(ComVariantTest, GetXDataFillsBothByRefArraysAsTheCadDoes)
{
    Variant codes;
    Variant values;
    call(server, u"GetXData", Variant::bstr(u"trb"), Arg::ref(codes), Arg::ref(values));

    // The group codes arrive as a VT_ARRAY | VT_I2: every element stays a
    // 16-bit integer.
    EXPECT_EQ(codes, Variant::array({Variant::i2(1001), Variant::i2(1070), Variant::i2(1070), Variant::i2(1010)}));
    EXPECT_EQ(values, Variant::array({Variant::bstr(u"trb"), Variant::i2(2), Variant::i2(7),
                                      Variant::array({Variant::r8(10.5), Variant::r8(-2.25), Variant::r8(0.0)})}));
    EXPECT_EQ(text(server, u"LastInvoke"), u"METHOD (BSTR:\"trb\",REF(EMPTY),REF(EMPTY))");

    // No data for another application: the server empties both outputs.
    call(server, u"GetXData", Variant::bstr(u"other"), Arg::ref(codes), Arg::ref(values));
    EXPECT_TRUE(codes.isEmpty());
    EXPECT_TRUE(values.isEmpty());
}

TEST_P(ComVariantTest, AMultiDimensionalArrayIsRefusedNamingTheMember)
{
    const CaughtFailure e = failureOf([&] { get(server, u"Matrix"); });
    EXPECT_EQ(e.code(), hr::Disp_E_BadVarType);
    EXPECT_EQ(e.member(), u"Matrix");
}

INSTANTIATE_TEST_SUITE_P(Com, ComVariantTest, testing::Values(Where::InProcess, Where::LocalServer), whereName);

} // namespace
