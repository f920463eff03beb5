// Every member the desktop program calls, invoked the way it invokes them
// (reads and used calls as method-or-get, other calls as methods, the one
// write as a put), answering with the types a CAD answers with.

#include "TestDrawing.h"

#include "cadsim/model/Simulator.h"

#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

#include <gtest/gtest.h>

#include <optional>

using namespace automation;
using namespace cadsim;
using cadsim::testing::failureCode;

namespace {

using Fixture = cadsim::testing::SampleCad;

struct ReadCase {
    const char* name;
    std::function<Variant(const Fixture&)> read;
    std::optional<Variant> expected; // none: an object is expected
};

class MemberReads : public ::testing::TestWithParam<ReadCase> {};

const std::optional<Variant> anObject;

const ReadCase readCases[] = {
    {"ApplicationVersion", [](const Fixture& f) { return get(f.app, u"Version"); }, Variant::bstr(u"24.1s (LMS Tech)")},
    {"ApplicationCaption", [](const Fixture& f) { return get(f.app, u"Caption"); }, Variant::bstr(u"cadsim - [pipes.dxf]")},
    {"ApplicationActiveDocument", [](const Fixture& f) { return get(f.app, u"ActiveDocument"); }, anObject},
    {"ApplicationDocuments", [](const Fixture& f) { return get(f.app, u"Documents"); }, anObject},
    {"DocumentsCount", [](const Fixture& f) { return get(get(f.app, u"Documents"), u"Count"); }, Variant::i4(1)},
    {"DocumentsItem", [](const Fixture& f) { return call(get(f.app, u"Documents"), u"Item", Variant::i4(0)); }, anObject},
    {"SupportPath", [](const Fixture& f) { return get(f.files(), u"SupportPath"); }, Variant::bstr(u"")},
    {"GetAcadState", [](const Fixture& f) { return get(f.app, u"GetAcadState"); }, anObject},
    {"IsQuiescent", [](const Fixture& f) { return get(get(f.app, u"GetAcadState"), u"IsQuiescent"); }, Variant::boolean(true)},
    {"DocumentName", [](const Fixture& f) { return get(f.doc(), u"Name"); }, Variant::bstr(u"pipes.dxf")},
    {"DocumentModelSpace", [](const Fixture& f) { return f.modelSpace(); }, anObject},
    {"DocumentLayers", [](const Fixture& f) { return f.layers(); }, anObject},
    {"DocumentPickfirst", [](const Fixture& f) { return f.selection(); }, anObject},
    {"GetVariableTrustedPaths", [](const Fixture& f) { return call(f.doc(), u"getVariable", Variant::bstr(u"TRUSTEDPATHS")); }, Variant::bstr(u"")},
    {"GetVariableAnyCase", [](const Fixture& f) { return call(f.doc(), u"GetVariable", Variant::bstr(u"trustedPaths")); }, Variant::bstr(u"")},
    {"ModelSpaceCount", [](const Fixture& f) { return get(f.modelSpace(), u"Count"); }, Variant::i4(3)},
    {"ModelSpaceItemByI4", [](const Fixture& f) { return f.entity(2); }, anObject},
    {"ModelSpaceItemByI2", [](const Fixture& f) { return call(f.modelSpace(), u"Item", Variant::i2(0)); }, anObject},
    {"ModelSpaceItemAsGet", [](const Fixture& f) { return get(f.modelSpace(), u"Item", Variant::i4(0)); }, anObject},
    {"EntityTypeOfSolid", [](const Fixture& f) { return get(f.entity(0), u"EntityType"); }, Variant::i4(3)},
    {"EntityTypeOfLine", [](const Fixture& f) { return get(f.entity(2), u"EntityType"); }, Variant::i4(19)},
    {"EntityLayer", [](const Fixture& f) { return get(f.entity(1), u"Layer"); }, Variant::bstr(u"Трубы")},
    {"EntityObjectId", [](const Fixture& f) { return get(f.entity(1), u"ObjectID"); }, Variant::i4(Drawing::firstObjectId + 8)},
    {"EntityHandle", [](const Fixture& f) { return get(f.entity(2), u"Handle"); }, Variant::bstr(u"102")},
    {"HandleToObject", [](const Fixture& f) { return get(call(f.doc(), u"HandleToObject", Variant::bstr(u"101")), u"ObjectID"); }, Variant::i4(Drawing::firstObjectId + 8)},
    {"LayersCount", [](const Fixture& f) { return get(f.layers(), u"Count"); }, Variant::i4(3)},
    {"LayersItemByI2", [](const Fixture& f) { return get(call(f.layers(), u"Item", Variant::i2(1)), u"Name"); }, Variant::bstr(u"PIPES")},
    {"LayersItemByI8", [](const Fixture& f) { return get(call(f.layers(), u"Item", Variant::i8(1)), u"Name"); }, Variant::bstr(u"PIPES")},
    {"DocumentsItemByNameInAnyCase", [](const Fixture& f) { return get(call(get(f.app, u"Documents"), u"Item", Variant::bstr(u"PIPES.DXF")), u"Name"); }, Variant::bstr(u"pipes.dxf")},
    {"LayersItemByName", [](const Fixture& f) { return get(call(f.layers(), u"Item", Variant::bstr(u"трубы")), u"Name"); }, Variant::bstr(u"Трубы")},
    {"LayerName", [](const Fixture& f) { return get(f.layer(1), u"Name"); }, Variant::bstr(u"PIPES")},
    {"LayerLock", [](const Fixture& f) { return get(f.layer(1), u"Lock"); }, Variant::boolean(true)},
    {"LayerFreeze", [](const Fixture& f) { return get(f.layer(2), u"Freeze"); }, Variant::boolean(true)},
    {"LayerOn", [](const Fixture& f) { return get(f.layer(2), u"LayerOn"); }, Variant::boolean(false)},
    {"LayerOnDefault", [](const Fixture& f) { return get(f.layer(0), u"LayerOn"); }, Variant::boolean(true)},
    {"SelectionCount", [](const Fixture& f) { return get(f.selection(), u"Count"); }, Variant::i4(0)},
    {"SelectionClear", [](const Fixture& f) { return call(f.selection(), u"Clear"); }, Variant()},
    {"SendCommandResult", [](const Fixture& f) { return call(f.doc(), u"SendCommand", Variant::bstr(u"REGEN ")); }, Variant()},
};

TEST_P(MemberReads, AnswersWithTheCadsTypeAndValue)
{
    const Fixture f;
    const ReadCase& c = GetParam();
    const Variant answer = c.read(f);
    if (!c.expected) {
        ASSERT_TRUE(answer.isDispatch()) << typeName(answer.type());
        EXPECT_NE(answer.toDispatch(), nullptr);
    } else {
        EXPECT_EQ(answer.type(), c.expected->type()) << typeName(answer.type());
        EXPECT_EQ(answer, *c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Cadsim, MemberReads, ::testing::ValuesIn(readCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    std::function<void(const Fixture&)> call;
    int32_t code;
};

class MemberFailures : public ::testing::TestWithParam<FailureCase> {};

const FailureCase failureCases[] = {
    {"UnknownOnApplication", [](const Fixture& f) { get(f.app, u"Quit"); }, hr::Disp_E_UnknownName},
    {"UnknownOnDocument", [](const Fixture& f) { get(f.doc(), u"PaperSpace"); }, hr::Disp_E_UnknownName},
    {"UnknownOnEntity", [](const Fixture& f) { get(f.entity(0), u"Color"); }, hr::Disp_E_UnknownName},
    {"UnknownOnLayer", [](const Fixture& f) { get(f.layer(0), u"Color"); }, hr::Disp_E_UnknownName},
    {"ItemPastTheEnd", [](const Fixture& f) { f.entity(3); }, hr::Disp_E_BadIndex},
    {"ItemNegative", [](const Fixture& f) { f.entity(-1); }, hr::Disp_E_BadIndex},
    {"ItemByText", [](const Fixture& f) { call(f.modelSpace(), u"Item", Variant::bstr(u"0")); }, hr::Disp_E_TypeMismatch},
    {"ItemWithoutIndex", [](const Fixture& f) { call(f.modelSpace(), u"Item"); }, hr::Disp_E_BadParamCount},
    {"LayerItemUnknownName", [](const Fixture& f) { call(f.layers(), u"Item", Variant::bstr(u"NONE")); }, hr::Disp_E_BadIndex},
    {"LayerItemPastTheEnd", [](const Fixture& f) { f.layer(3); }, hr::Disp_E_BadIndex},
    {"DocumentsItemPastTheEnd", [](const Fixture& f) { call(get(f.app, u"Documents"), u"Item", Variant::i4(1)); }, hr::Disp_E_BadIndex},
    {"DocumentsItemUnknownName", [](const Fixture& f) { call(get(f.app, u"Documents"), u"Item", Variant::bstr(u"None.dwg")); }, hr::Disp_E_BadIndex},
    {"ItemByDouble", [](const Fixture& f) { call(f.layers(), u"Item", Variant::r8(0)); }, hr::Disp_E_TypeMismatch},
    {"SelectionItemPastTheEnd", [](const Fixture& f) { call(f.selection(), u"Item", Variant::i4(0)); }, hr::Disp_E_BadIndex},
    {"SelectionItemByText", [](const Fixture& f) { call(f.selection(), u"Item", Variant::bstr(u"0")); }, hr::Disp_E_TypeMismatch},
    {"CountPut", [](const Fixture& f) { put(f.layers(), u"Count", Variant::i4(1)); }, hr::Disp_E_MemberNotFound},
    {"CountWithArgument", [](const Fixture& f) { get(f.modelSpace(), u"Count", Variant::i4(0)); }, hr::Disp_E_BadParamCount},
    {"PropertyCalledAsMethod", [](const Fixture& f) { call(f.modelSpace(), u"Count"); }, hr::Disp_E_MemberNotFound},
    {"ReadOnlyPut", [](const Fixture& f) { put(f.app, u"Version", Variant::bstr(u"1")); }, hr::Disp_E_MemberNotFound},
    {"MethodAsPut", [](const Fixture& f) { put(f.doc(), u"SendCommand", Variant::bstr(u"x")); }, hr::Disp_E_MemberNotFound},
    {"GetXDataOneOutput", [](const Fixture& f) { Variant t; call(f.entity(0), u"GetXData", Variant::bstr(u"trb"), Arg::ref(t)); }, hr::Disp_E_BadParamCount},
    {"GetXDataOutputsByValue", [](const Fixture& f) { call(f.entity(0), u"GetXData", Variant::bstr(u"trb"), Variant(), Variant()); }, hr::Disp_E_TypeMismatch},
    {"GetVariableUnknown", [](const Fixture& f) { call(f.doc(), u"getVariable", Variant::bstr(u"NOSUCHVAR")); }, hr::E_InvalidArg},
    {"SetVariableNotText", [](const Fixture& f) { call(f.doc(), u"setVariable", Variant::bstr(u"TRUSTEDPATHS"), Variant::i4(1)); }, hr::E_InvalidArg},
    {"SetVariableOneArgument", [](const Fixture& f) { call(f.doc(), u"setVariable", Variant::bstr(u"TRUSTEDPATHS")); }, hr::Disp_E_BadParamCount},
    {"HandleToObjectUnknown", [](const Fixture& f) { call(f.doc(), u"HandleToObject", Variant::bstr(u"FFFF")); }, hr::E_InvalidArg},
    {"SetVariableOnALockedProfile", [](const Fixture& f) { Simulator(f.sim).setTrustedPathsLocked(true); call(f.doc(), u"setVariable", Variant::bstr(u"TRUSTEDPATHS"), Variant::bstr(u"/a")); }, hr::E_Fail},
    {"SendCommandNotText", [](const Fixture& f) { call(f.doc(), u"SendCommand", Variant::i4(1)); }, hr::Disp_E_TypeMismatch},
    {"SupportPathPutNotText", [](const Fixture& f) { put(f.files(), u"SupportPath", Variant::i4(1)); }, hr::Disp_E_TypeMismatch},
    {"LayerLockPutNotBool", [](const Fixture& f) { put(f.layer(0), u"Lock", Variant::i4(1)); }, hr::Disp_E_TypeMismatch},
};

TEST_P(MemberFailures, FailWithTheCodeACadGives)
{
    const Fixture f;
    EXPECT_EQ(failureCode([&] { GetParam().call(f); }), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Cadsim, MemberFailures, ::testing::ValuesIn(failureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Members, WritesReachTheStateTheHostSees)
{
    Fixture f;
    put(f.files(), u"SupportPath", Variant::bstr(u"/a;/b"));
    call(f.doc(), u"setVariable", Variant::bstr(u"TrustedPaths"), Variant::bstr(u"/a"));
    put(f.layer(1), u"Lock", Variant::boolean(false));

    EXPECT_EQ(f.sim.supportPath(), u"/a;/b");
    EXPECT_EQ(f.sim.trustedPaths(), u"/a");
    EXPECT_EQ(get(f.files(), u"SupportPath"), Variant::bstr(u"/a;/b"));
    EXPECT_EQ(call(f.doc(), u"getVariable", Variant::bstr(u"TRUSTEDPATHS")), Variant::bstr(u"/a"));
    EXPECT_FALSE(f.sim.activeDrawing().layer(u"PIPES")->locked);
}

TEST(Members, CaptionAndVersionAreConfigurable)
{
    Fixture f;
    f.sim.setCaption(u"AutoCAD 2020 - [x.dwg]");
    f.sim.setVersion(u"18.0s (LMS Tech)");
    EXPECT_EQ(get(f.app, u"Caption"), Variant::bstr(u"AutoCAD 2020 - [x.dwg]"));
    EXPECT_EQ(get(f.app, u"Version"), Variant::bstr(u"18.0s (LMS Tech)"));
}

TEST(Members, AnEntityObjectFailsOnceItsEntityIsErased)
{
    Fixture f;
    const Variant pipe = f.entity(0);
    f.sim.editActiveDrawing([](Drawing& d) { d.removeEntity(u"100"); });
    EXPECT_EQ(failureCode([&] { get(pipe, u"Handle"); }), hr::E_Fail);
    EXPECT_EQ(get(f.modelSpace(), u"Count"), Variant::i4(2));
}

} // namespace
