// GetXData answers in the CAD's array-pair form: both outputs by reference,
// 16-bit group codes and their values, 1001 first, lower bound 0.

#include "TestDrawing.h"

#include "cadsim/model/Simulator.h"

#include "platform/automation/Dispatch.h"

#include <gtest/gtest.h>

using namespace automation;
using namespace cadsim;

namespace {

struct XData {
    Variant types;
    Variant values;
};

XData readXData(const Variant& entity, std::u16string application, Variant types = {}, Variant values = {})
{
    XData out{std::move(types), std::move(values)};
    const Variant result = call(entity, u"GetXData", Variant::bstr(std::move(application)), Arg::ref(out.types),
                                Arg::ref(out.values));
    EXPECT_TRUE(result.isEmpty());
    return out;
}

std::vector<int> codesOf(const Variant& types)
{
    std::vector<int> codes;
    for (const Variant& v : types.toArray().elements) {
        EXPECT_EQ(v.type(), VarType::I2);
        codes.push_back(v.toI2());
    }
    return codes;
}

Variant entityWith(Simulator& sim, const std::function<void(Drawing&, const std::u16string&)>& fill)
{
    sim.editActiveDrawing([&](Drawing& d) { fill(d, d.addSolid(u"0").handle); });
    const Variant ms = get(get(sim.applicationVariant(), u"ActiveDocument"), u"ModelSpace");
    return call(ms, u"Item", add(get(ms, u"Count"), Variant::i4(-1)));
}

TEST(GetXData, APipeAnswersTheApplicationNameThenItsGroups)
{
    Simulator sim(Drawing(u"d"));
    const Variant pipe = entityWith(sim, [](Drawing& d, const std::u16string& h) {
        d.addXData(h, u"trb", {XDataItem::int16(1070, 10), XDataItem::point(1010, 1000, 25, 20)});
    });

    const XData x = readXData(pipe, u"trb");
    ASSERT_TRUE(x.types.isArray());
    ASSERT_TRUE(x.values.isArray());
    EXPECT_EQ(x.types.lowerBound(), 0);
    EXPECT_EQ(x.values.lowerBound(), 0);
    EXPECT_EQ(codesOf(x.types), (std::vector<int>{1001, 1070, 1010}));
    EXPECT_EQ(x.values.at(0), Variant::bstr(u"trb"));
    EXPECT_EQ(x.values.at(1), Variant::i2(10));
    EXPECT_EQ(x.values.at(2), Variant::array({Variant::r8(1000), Variant::r8(25), Variant::r8(20)}));
}

TEST(GetXData, TypesEveryKindOfGroupAsTheCadDoes)
{
    Simulator sim(Drawing(u"d"));
    const Variant e = entityWith(sim, [](Drawing& d, const std::u16string& h) {
        d.addXData(h, u"APP",
                   {XDataItem::text(1000, u"текст"), XDataItem::int16(1070, -3), XDataItem::int32(1071, 70000),
                    XDataItem::real(1040, 2.5), XDataItem::point(1011, 1, 2, 3)});
    });

    const XData x = readXData(e, u"APP");
    EXPECT_EQ(codesOf(x.types), (std::vector<int>{1001, 1000, 1070, 1071, 1040, 1011}));
    const std::vector<VarType> types{VarType::BStr, VarType::BStr, VarType::I2, VarType::I4, VarType::R8, VarType::Array};
    for (size_t i = 0; i < types.size(); ++i)
        EXPECT_EQ(x.values.at(static_cast<int32_t>(i)).type(), types[i]) << "item " << i;
    EXPECT_EQ(x.values.at(4), Variant::r8(2.5));
}

struct SelectionCase {
    const char* name;
    std::u16string application;
    std::vector<int> codes; // empty: both outputs Empty
    std::vector<std::u16string> names; // the 1001 values, in order
};

class GetXDataSelection : public ::testing::TestWithParam<SelectionCase> {};

const SelectionCase selectionCases[] = {
    {"FirstOfTwo", u"ACAD", {1001, 1000}, {u"ACAD"}},
    {"SecondOfTwo", u"trb", {1001, 1070}, {u"trb"}},
    {"NameInOtherCase", u"TRB", {1001, 1070}, {u"trb"}},
    {"UnknownApplication", u"OTHER", {}, {}},
    {"EmptyNameMeansEveryApplication", u"", {1001, 1000, 1001, 1070}, {u"ACAD", u"trb"}},
};

TEST_P(GetXDataSelection, AnswersOnlyTheNamedApplication)
{
    Simulator sim(cadsim::testing::sampleDrawing());
    const Variant line = call(get(get(sim.applicationVariant(), u"ActiveDocument"), u"ModelSpace"), u"Item", Variant::i4(2));
    // Outputs that held something before the call are overwritten either way.
    const XData x = readXData(line, GetParam().application, Variant::i4(7), Variant::bstr(u"stale"));

    if (GetParam().codes.empty()) {
        EXPECT_TRUE(x.types.isEmpty());
        EXPECT_TRUE(x.values.isEmpty());
        return;
    }
    EXPECT_EQ(codesOf(x.types), GetParam().codes);
    std::vector<std::u16string> names;
    for (int32_t i = 0; i <= x.types.upperBound(); ++i)
        if (x.types.at(i).toI2() == 1001)
            names.push_back(x.values.at(i).toBStr());
    EXPECT_EQ(names, GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(Cadsim, GetXDataSelection, ::testing::ValuesIn(selectionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GetXData, AnEntityWithoutAnyDataLeavesBothOutputsEmpty)
{
    Simulator sim(cadsim::testing::sampleDrawing());
    const Variant solid = call(get(get(sim.applicationVariant(), u"ActiveDocument"), u"ModelSpace"), u"Item", Variant::i4(1));
    const XData x = readXData(solid, u"trb");
    EXPECT_TRUE(x.types.isEmpty());
    EXPECT_TRUE(x.values.isEmpty());
}

// Data a real CAD would not hand out is kept as built, so the desktop
// program's checks of the value type can be exercised.
TEST(GetXData, KeepsItemsExactlyAsBuilt)
{
    Simulator sim(Drawing(u"d"));
    const Variant e = entityWith(sim, [](Drawing& d, const std::u16string& h) {
        d.addXData(h, u"trb", {{1070, Variant::i4(10)}, {1010, Variant::array({Variant::r8(5), Variant::r8(6)})}});
        d.addXData(h, u"TRB", {XDataItem::point(1010, 7, 8, 9)}); // same application: appended
    });
    const XData x = readXData(e, u"trb");
    EXPECT_EQ(codesOf(x.types), (std::vector<int>{1001, 1070, 1010, 1010}));
    EXPECT_EQ(x.values.at(1), Variant::i4(10));
    EXPECT_EQ(x.values.at(2).upperBound(), 1);
}

} // namespace
