// An entity object stands for its entity by handle and a layer object for its
// layer by name, however the drawing changes under them: they look at the
// place they were taken from first, so these cases move other entities and
// layers into that place, rebuild the tables, and erase what they stand for.

#include "TestDrawing.h"

#include "cadsim/model/Simulator.h"

#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

#include <gtest/gtest.h>

#include <optional>

using namespace automation;
using namespace cadsim;
using cadsim::testing::failureOf;

namespace {

struct Cad : cadsim::testing::SampleCad {
    Variant selected(std::u16string handle)
    {
        sim.setSelectedHandles({std::move(handle)});
        return call(selection(), u"Item", Variant::i4(0));
    }
};

// The sample's layer table ("0", "PIPES", "Трубы") in another order.
void reorderLayers(Drawing& d)
{
    Drawing rebuilt(d.name());
    rebuilt.addLayer(u"Трубы");
    rebuilt.addLayer(u"0");
    rebuilt.addLayer(u"PIPES");
    d = rebuilt;
}

struct IdentityCase {
    const char* name;
    std::function<Variant(Cad&)> take; // before the edit
    std::function<void(Drawing&)> edit;
    std::u16string member;
    std::optional<std::u16string> answer; // none: the object was erased
};

const std::nullopt_t erased = std::nullopt;

const IdentityCase identityCases[] = {
    {"EntityAfterAnEarlierOneIsErased", [](Cad& c) { return c.entity(2); },
     [](Drawing& d) { d.removeEntity(u"100"); }, u"Handle", u"102"},
    {"EntityWhosePlaceAnotherTakes", [](Cad& c) { return c.entity(1); },
     [](Drawing& d) { d.removeEntity(u"100"); }, u"Handle", u"101"},
    {"EntityErased", [](Cad& c) { return c.entity(1); }, [](Drawing& d) { d.removeEntity(u"101"); }, u"Handle",
     erased},
    {"EntityErasedAndItsPlaceTaken", [](Cad& c) { return c.entity(0); },
     [](Drawing& d) { d.removeEntity(u"100"); }, u"EntityType", erased},
    {"EntityAddedAgainWithItsHandle", [](Cad& c) { return c.entity(0); },
     [](Drawing& d) {
         d.removeEntity(u"100");
         Entity again;
         again.dxfName = u"CIRCLE";
         again.handle = u"100";
         d.addEntity(again);
     },
     u"EntityName", u"CIRCLE"},
    {"SelectedEntityAfterAnEarlierOneIsErased", [](Cad& c) { return c.selected(u"102"); },
     [](Drawing& d) { d.removeEntity(u"101"); }, u"Handle", u"102"},
    {"SelectedEntityErased", [](Cad& c) { return c.selected(u"102"); },
     [](Drawing& d) { d.removeEntity(u"102"); }, u"Layer", erased},
    {"LayerInAReorderedTable", [](Cad& c) { return c.layer(Variant::i4(1)); }, reorderLayers, u"Name", u"PIPES"},
    {"LayerTakenByNameInAReorderedTable", [](Cad& c) { return c.layer(Variant::bstr(u"трубы")); }, reorderLayers,
     u"Name", u"Трубы"},
    {"LayerRenamedInCaseOnly", [](Cad& c) { return c.layer(Variant::i4(1)); },
     [](Drawing& d) { d.renameLayer(u"PIPES", u"Pipes"); }, u"Name", u"Pipes"},
    {"LayerRenamed", [](Cad& c) { return c.layer(Variant::i4(1)); },
     [](Drawing& d) { d.renameLayer(u"PIPES", u"OLD PIPES"); }, u"Lock", erased},
    {"LayerGoneWithItsPlaceTaken", [](Cad& c) { return c.layer(Variant::i4(0)); },
     [](Drawing& d) {
         Drawing rebuilt(d.name());
         rebuilt.addLayer(u"PIPES");
         d = rebuilt;
     },
     u"LayerOn", erased},
};

class ObjectIdentity : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(ObjectIdentity, FollowsWhatTheObjectStandsFor)
{
    const IdentityCase& c = GetParam();
    Cad cad;
    const Variant object = c.take(cad);
    cad.sim.editActiveDrawing(c.edit);
    if (c.answer) {
        EXPECT_EQ(get(object, c.member), Variant::bstr(*c.answer));
    } else {
        // Every call keeps failing, not only the first after the change.
        for (int call = 0; call < 2; ++call) {
            const AutomationError e = failureOf([&] { get(object, c.member); });
            EXPECT_EQ(e.code(), hr::E_Fail);
            EXPECT_EQ(e.description(), u"Object was erased");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cadsim, ObjectIdentity, ::testing::ValuesIn(identityCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ObjectIdentity, AFlagWrittenAfterTheTableChangedReachesTheObjectsLayer)
{
    Cad cad;
    const Variant pipes = cad.layer(Variant::i4(1));
    cad.sim.editActiveDrawing(reorderLayers); // "PIPES" is now the last, unlocked
    put(pipes, u"Lock", Variant::boolean(true));

    const Drawing drawing = cad.sim.activeDrawing();
    EXPECT_TRUE(drawing.layer(u"PIPES")->locked);
    EXPECT_FALSE(drawing.layer(u"0")->locked);
    EXPECT_EQ(get(cad.layer(Variant::i4(2)), u"Lock"), Variant::boolean(true));
}

} // namespace
