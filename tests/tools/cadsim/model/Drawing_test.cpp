#include "cadsim/model/Drawing.h"
#include "cadsim/model/EntityTypes.h"
#include "cadsim/model/Simulator.h"
#include "platform/automation/Dispatch.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <stdexcept>

using namespace cadsim;

namespace {

Entity withHandle(std::u16string handle)
{
    Entity e;
    e.dxfName = u"LINE";
    e.handle = std::move(handle);
    return e;
}

TEST(Drawing, GivesEachEntityAUniqueHexHandleAndObjectId)
{
    Drawing d;
    d.addEntity(withHandle(u"1ff"));
    d.addLine(u"0");
    d.addPipe(u"0", 1, 1, 0);
    std::set<std::u16string> handles;
    std::set<int64_t> ids;
    for (const Entity& e : d.entities()) {
        handles.insert(e.handle);
        ids.insert(e.objectId);
    }
    EXPECT_EQ(handles, (std::set<std::u16string>{u"1ff", u"200", u"201"}));
    EXPECT_EQ(ids.size(), 3u);
    EXPECT_EQ(d.entities()[0].objectId, Drawing::firstObjectId);
    EXPECT_EQ(d.entities()[1].objectId, Drawing::firstObjectId + 8);
}

struct BadHandleCase {
    const char* name;
    std::u16string handle;
};

class RefusedHandles : public ::testing::TestWithParam<BadHandleCase> {};

TEST_P(RefusedHandles, AreInvalidArguments)
{
    Drawing d;
    d.addEntity(withHandle(u"2A"));
    EXPECT_THROW(d.addEntity(withHandle(GetParam().handle)), std::invalid_argument);
    EXPECT_EQ(d.entities().size(), 1u);
}

const BadHandleCase badHandles[] = {
    {"Duplicate", u"2A"},
    {"DuplicateInOtherCase", u"2a"},
    {"NotHex", u"2G"},
    {"TooLong", u"12345678901234567"},
};

INSTANTIATE_TEST_SUITE_P(Cadsim, RefusedHandles, ::testing::ValuesIn(badHandles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Drawing, FindsEntitiesByHandleInAnyCaseAfterRemovals)
{
    Drawing d;
    d.addEntity(withHandle(u"A1"));
    d.addEntity(withHandle(u"A2"));
    d.addEntity(withHandle(u"A3"));
    EXPECT_TRUE(d.removeEntity(u"a1"));
    EXPECT_FALSE(d.removeEntity(u"a1"));
    EXPECT_EQ(d.indexOf(u"a3"), 1);
    ASSERT_NE(d.entity(u"A2"), nullptr);
    EXPECT_EQ(d.entity(u"A2")->handle, u"A2");
}

TEST(Drawing, AddsTheLayersItsEntitiesNameOnce)
{
    Drawing d;
    d.addLayer(Layer{u"Трубы", true, false, true});
    d.addLine(u"ТРУБЫ");
    d.addSolid(u"new");
    ASSERT_EQ(d.layers().size(), 2u);
    EXPECT_TRUE(d.layers()[0].locked);
    EXPECT_EQ(d.layers()[1], (Layer{u"new", false, false, true}));
}

std::u16string numbered(std::u16string_view prefix, int i)
{
    std::u16string name(prefix);
    for (char c : std::to_string(i))
        name += char16_t(c);
    return name;
}

// The table is indexed by name: every layer of many keeps its place, is
// found in any letter case, and a second addition changes its flags only.
TEST(Drawing, FindsEachOfManyLayersByNameInAnyCase)
{
    Drawing d;
    for (int i = 0; i < 3000; ++i)
        d.addSolid(numbered(u"Трубы_", i));
    ASSERT_EQ(d.layers().size(), 3000u);
    for (int i = 0; i < 3000; i += 7) {
        EXPECT_EQ(d.layer(numbered(u"Трубы_", i)), &d.layers()[size_t(i)]);
        EXPECT_EQ(d.layer(numbered(u"ТРУБЫ_", i)), &d.layers()[size_t(i)]);
    }
    EXPECT_EQ(d.layer(u"Трубы_3000"), nullptr);
    d.addLine(u"трубы_12");
    d.addLayer(Layer{u"ТРУБЫ_12", true, false, true});
    ASSERT_EQ(d.layers().size(), 3000u);
    EXPECT_EQ(d.layers()[12], (Layer{u"Трубы_12", true, false, true}));

    EXPECT_TRUE(d.renameLayer(u"ТРУБЫ_12", u"Старые"));
    EXPECT_EQ(d.layer(u"Трубы_12"), nullptr);
    EXPECT_EQ(d.layer(u"СТАРЫЕ"), &d.layers()[12]);
    EXPECT_FALSE(d.renameLayer(u"Старые", u"трубы_13")); // taken
    EXPECT_FALSE(d.renameLayer(u"Трубы_12", u"Новые"));  // gone
}

TEST(Drawing, AddXDataAppendsToTheApplicationsGroup)
{
    Drawing d;
    const std::u16string h = d.addPipe(u"0", 10, 2, 1).handle;
    d.addXData(h, u"TRB", {XDataItem::int16(1070, 11)});
    d.addXData(h, u"other", {XDataItem::text(1000, u"x")});
    const Entity& e = *d.entity(h);
    ASSERT_EQ(e.xdata.size(), 2u);
    EXPECT_EQ(e.xdata[0].application, u"trb");
    EXPECT_EQ(e.xdata[0].items.size(), 3u);
    EXPECT_EQ(e.xdataFor(u"OTHER"), &e.xdata[1]);
    EXPECT_THROW(d.addXData(u"FFFF", u"trb", {}), std::invalid_argument);
}

// Every drawing the simulator opens has an identity: its own, or, saved
// without one, a new one at every opening, as a CAD gives a new drawing.
TEST(DrawingIdentity, IsKeptWhenGivenAndNewAtEveryOpeningOtherwise)
{
    Drawing saved(u"saved.dxf");
    saved.setFingerprint(u"{6A0E2B1C-4D3F-4E5A-8B7C-9D0E1F2A3B4C}");
    Simulator sim(saved);
    const auto identity = [&] {
        return automation::call(automation::get(sim.applicationVariant(), u"ActiveDocument"), u"GetVariable",
                                automation::Variant::bstr(u"FINGERPRINTGUID"))
            .toBStr();
    };
    EXPECT_EQ(identity(), u"{6A0E2B1C-4D3F-4E5A-8B7C-9D0E1F2A3B4C}");

    sim.openDocument(Drawing(u"unsaved.dxf"));
    const std::u16string first = identity();
    sim.closeAllDocuments();
    sim.openDocument(Drawing(u"unsaved.dxf"));
    const std::u16string second = identity();
    EXPECT_NE(first, second);
    for (const std::u16string& made : {first, second}) {
        ASSERT_EQ(made.size(), 38u);
        EXPECT_EQ(made.front(), u'{');
        EXPECT_EQ(made[15], u'4'); // a version-4 GUID
        EXPECT_EQ(made.back(), u'}');
    }
}

TEST(EntityTypes, MapsDxfNamesToTheCadsCodes)
{
    EXPECT_EQ(entityTypeForDxfName(u"3DSOLID"), 3);
    EXPECT_EQ(entityTypeForDxfName(u"3dSolid"), 3);
    EXPECT_EQ(entityTypeForDxfName(u"LINE"), 19);
    EXPECT_EQ(entityTypeForDxfName(u"LWPOLYLINE"), 24);
    EXPECT_EQ(entityTypeForDxfName(u"ACAD_PROXY_ENTITY"), 0);

    Drawing d;
    Entity e;
    e.dxfName = u"CIRCLE";
    EXPECT_EQ(d.addEntity(e).entityType, entity_type::Circle);
}

} // namespace
