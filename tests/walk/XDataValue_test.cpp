// The one reading of an entity's extended data, as the walk runs it in the
// program and in the CAD; GetXDataValue is the door to it for one entity.
#include "walk/XDataValue.h"

#include "ScriptedModelSpace.h"

#include <gtest/gtest.h>

namespace {

using automation::Args;
using automation::Variant;

// An entity whose GetXData writes the given arrays into its two by-reference
// arguments, for application "trb" only, and refuses a call of any other shape.
std::shared_ptr<scripted::Entity> entityWith(Variant codes, Variant values)
{
    auto entity = std::make_shared<scripted::Entity>();
    entity->answers[u"GetXData"] = [codes, values](Args args) {
        if (args.size() != 3 || args[0].isByRef() || !args[1].isByRef() || !args[2].isByRef()
            || !args[1].value().isEmpty() || !args[2].value().isEmpty())
            throw automation::AutomationError(automation::hr::E_InvalidArg, u"bad call");
        if (args[0].value().toBStr() == u"trb") {
            args[1].slot() = codes;
            args[2].slot() = values;
        }
        return Variant();
    };
    return entity;
}

Variant valueOf(const std::shared_ptr<scripted::Entity>& entity, std::u16string_view application, int32_t code)
{
    return walk::xdataValue(Variant::dispatch(entity), application, code);
}

Variant point(double x, double y, double z)
{
    return Variant::array({Variant::r8(x), Variant::r8(y), Variant::r8(z)});
}

struct XDataCase {
    const char* name;
    Variant codes;
    Variant values;
    int32_t wanted;
    Variant expected;
};

class XDataValueTest : public ::testing::TestWithParam<XDataCase> {};

TEST_P(XDataValueTest, FindsTheLastMatchOrNull)
{
    const auto entity = entityWith(GetParam().codes, GetParam().values);
    EXPECT_EQ(valueOf(entity, u"trb", GetParam().wanted), GetParam().expected);
    EXPECT_EQ(entity.use_count(), 1);
}

const Variant Null = Variant::null();
const Variant Codes = Variant::array({Variant::i2(1001), Variant::i2(1070), Variant::i2(1010)});
const Variant Values = Variant::array({Variant::bstr(u"trb"), Variant::i2(1), point(100, 90, 0)});

INSTANTIATE_TEST_SUITE_P(XData, XDataValueTest,
    ::testing::Values(
        XDataCase{"NoDataForTheApplication", Variant(), Variant(), 1070, Null},
        XDataCase{"Kind", Codes, Values, 1070, Variant::i2(1)},
        XDataCase{"PointAsOneArray", Codes, Values, 1010, point(100, 90, 0)},
        XDataCase{"GroupMissing", Codes, Values, 1040, Null},
        XDataCase{"LastMatchWins",
                  Variant::array({Variant::i2(1070), Variant::i2(1000), Variant::i2(1070)}),
                  Variant::array({Variant::i2(1), Variant::bstr(u"x"), Variant::i2(2)}), 1070, Variant::i2(2)},
        XDataCase{"EmptyArrays", Variant::array({}), Variant::array({}), 1070, Null},
        XDataCase{"ShorterValuesHarmlessBeforeTheirEnd",
                  Variant::array({Variant::i2(1070), Variant::i2(1000), Variant::i2(1040)}),
                  Variant::array({Variant::i2(3)}), 1070, Variant::i2(3)},
        XDataCase{"MatchBeyondTheValuesDiscardsEarlierMatch",
                  Variant::array({Variant::i2(1070), Variant::i2(1070)}), Variant::array({Variant::i2(3)}), 1070,
                  Null},
        XDataCase{"CodesNotAnArray", Variant::i2(1070), Variant::array({Variant::i2(3)}), 1070, Null},
        XDataCase{"ValuesNotAnArray", Codes, Variant::i4(3), 1070, Null},
        // The walk starts at index 0 whatever the lower bound says.
        XDataCase{"LowerBoundOneHasNoElementZero",
                  Variant::array({Variant::i2(1070)}, 1), Variant::array({Variant::i2(3)}, 1), 1070, Null},
        XDataCase{"CodeThatIsNoInteger",
                  Variant::array({Variant::i2(1070), Variant::bstr(u"abc")}),
                  Variant::array({Variant::i2(3), Variant::i2(4)}), 1070, Null},
        XDataCase{"CodeAsTextStillCounts",
                  Variant::array({Variant::bstr(u"1070")}), Variant::array({Variant::i2(3)}), 1070, Variant::i2(3)},
        XDataCase{"NullCode", Variant::array({Variant::null()}), Variant::array({Variant::i2(3)}), 1070, Null}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XDataValue, WhatTheEntityAnswersWithAnErrorIsNullButAFailedLinkIsRaised)
{
    // No GetXData at all (a line of a CAD that has none), a GetXData that
    // fails, no entity, no object, another application's data.
    EXPECT_EQ(valueOf(std::make_shared<scripted::Entity>(), u"trb", 1070), Null);
    auto failing = entityWith(Codes, Values);
    failing->fail(u"GetXData");
    EXPECT_EQ(valueOf(failing, u"trb", 1070), Null);
    EXPECT_EQ(walk::xdataValue(Variant(), u"trb", 1070), Null);
    EXPECT_EQ(walk::xdataValue(Variant::i4(1), u"trb", 1070), Null);
    EXPECT_EQ(valueOf(entityWith(Codes, Values), u"other", 1070), Null);

    // A CAD that stopped answering said nothing about the entity.
    auto unlinked = entityWith(Codes, Values);
    unlinked->fail(u"GetXData", automation::hr::Rpc_E_Disconnected);
    EXPECT_THROW(valueOf(unlinked, u"trb", 1070), automation::LinkFailure);
}

} // namespace
