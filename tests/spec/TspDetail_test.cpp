#include "HarvestFixture.h"

#include "cadsim/model/ObjectKind.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "spec/TspDetTruba.h"

#include <cmath>

using automation::Variant;
using cadsim::XDataItem;

namespace {

// The automation object of the entity with that handle in the active drawing.
Variant entityObject(const cadsim::Simulator& cad, int index)
{
    const Variant document = automation::get(cad.applicationVariant(), u"ActiveDocument");
    const Variant modelSpace = automation::get(document, u"ModelSpace");
    return automation::call(modelSpace, u"Item", Variant::i4(index));
}

} // namespace

using DetailTest = HarvestFixture;

TEST(TspDetTruba, StartsAsAnEmptyPipe)
{
    const TspDetTruba pipe;
    EXPECT_EQ(pipe.FKind, TspDetail::KindPipe);
    EXPECT_TRUE(pipe.FLayer.isEmpty());
    EXPECT_EQ(pipe.FObjectID, 0);
    EXPECT_TRUE(pipe.FEntity.isNull());
    EXPECT_EQ(pipe.FLength, 0.0);
    EXPECT_EQ(pipe.FRmax, 0.0);
    EXPECT_EQ(pipe.FRmin, 0.0);
}

TEST_F(DetailTest, GenericDetailTurnsCreatedIntoLoadedAndStaysThere)
{
    draw([](cadsim::Drawing& d) { d.addLine(u"0"); });
    TspDetail detail;
    EXPECT_EQ(detail.FKind, TspDetail::KindCreated);
    detail.LoadFromEntity(entityObject(cad, 0));
    EXPECT_EQ(detail.FKind, TspDetail::KindLoaded);
    detail.LoadFromEntity(entityObject(cad, 0));
    EXPECT_EQ(detail.FKind, TspDetail::KindLoaded);
    EXPECT_EQ(detail.FLayer, QStringLiteral("0"));
    EXPECT_GT(detail.FObjectID, 0);
}

TEST_F(DetailTest, PipeSizesAreLengthAndTwiceTheRadii)
{
    draw([](cadsim::Drawing& d) { d.addPipe(u"Трубы", 1000, 25, 20); });
    TspDetTruba pipe;
    pipe.LoadFromEntity(entityObject(cad, 0));
    EXPECT_EQ(pipe.FKind, TspDetail::KindPipe);
    EXPECT_EQ(pipe.FLayer, QStringLiteral("Трубы"));
    EXPECT_EQ(pipe.FLength, 1000.0);
    EXPECT_EQ(pipe.FRmax, 50.0);
    EXPECT_EQ(pipe.FRmin, 40.0);
}

TEST_F(DetailTest, TheLaterOfTwoSizePointsCounts)
{
    draw([](cadsim::Drawing& d) {
        auto& e = d.addPipe(u"0", 1000, 25, 20);
        d.addXData(e.handle, u"trb", {XDataItem::point(1010, 500, 10, 5)});
    });
    TspDetTruba pipe;
    pipe.LoadFromEntity(entityObject(cad, 0));
    EXPECT_EQ(pipe.FLength, 500.0);
    EXPECT_EQ(pipe.FRmax, 20.0);
    EXPECT_EQ(pipe.FRmin, 10.0);
}

TEST_F(DetailTest, MissingSizePointLeavesTheSizesAtZeroWithoutFailing)
{
    draw([](cadsim::Drawing& d) {
        auto& e = d.addSolid(u"0");
        d.addXData(e.handle, u"trb", {XDataItem::int16(1070, 10)});
    });
    TspDetTruba pipe;
    EXPECT_NO_THROW(pipe.LoadFromEntity(entityObject(cad, 0)));
    EXPECT_EQ(pipe.FLength, 0.0);
    EXPECT_EQ(pipe.FRmax, 0.0);
    EXPECT_EQ(pipe.FRmin, 0.0);
}

TEST_F(DetailTest, MalformedPointsStoreWhatCouldBeReadThenFail)
{
    struct Case {
        const char* name;
        Variant point;
        double length, rmax, rmin;
    };
    const Case cases[] = {
        {"two elements", Variant::array({Variant::r8(700), Variant::r8(15)}), 700, 30, 0},
        {"strings", Variant::array({Variant::bstr(u"x"), Variant::bstr(u"y"), Variant::bstr(u"z")}), 0, 0, 0},
        {"not an array", Variant::r8(5), 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        draw([&](cadsim::Drawing& d) {
            d = cadsim::Drawing(u"pipes.dxf");
            auto& e = d.addSolid(u"0");
            d.addXData(e.handle, u"trb", {XDataItem::int16(1070, 10), XDataItem{1010, c.point}});
        });
        TspDetTruba pipe;
        EXPECT_ANY_THROW(pipe.LoadFromEntity(entityObject(cad, 0)));
        EXPECT_EQ(pipe.FLength, c.length);
        EXPECT_EQ(pipe.FRmax, c.rmax);
        EXPECT_EQ(pipe.FRmin, c.rmin);
    }
}

TEST_F(DetailTest, UnreadableLayerStillYieldsObjectIdAndSizes)
{
    draw([](cadsim::Drawing& d) { d.addPipe(u"Трубы", 1000, 25, 20); });
    cad.failMember(cadsim::ObjectKind::Entity, u"Layer");
    TspDetTruba pipe;
    pipe.LoadFromEntity(entityObject(cad, 0));
    EXPECT_TRUE(pipe.FLayer.isEmpty());
    EXPECT_GT(pipe.FObjectID, 0);
    EXPECT_EQ(pipe.FLength, 1000.0);
}

TEST_F(DetailTest, UnreadableObjectIdFailsTheLoadBeforeTheSizes)
{
    draw([](cadsim::Drawing& d) { d.addPipe(u"Трубы", 1000, 25, 20); });
    cad.failMember(cadsim::ObjectKind::Entity, u"ObjectID");
    TspDetTruba pipe;
    EXPECT_ANY_THROW(pipe.LoadFromEntity(entityObject(cad, 0)));
    EXPECT_EQ(pipe.FLayer, QStringLiteral("Трубы"));
    EXPECT_EQ(pipe.FObjectID, 0);
    EXPECT_EQ(pipe.FLength, 0.0);
}
