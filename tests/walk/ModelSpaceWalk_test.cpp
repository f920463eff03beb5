// The decisions of the walk, entity by entity and range by range, against
// entities that answer what a CAD, or a hostile one, may answer.
#include "ScriptedModelSpace.h"

#include "walk/LayerRecords.h"
#include "walk/ModelSpaceWalk.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include <cmath>
#include <limits>

using automation::Variant;
using scripted::addPipe;
using scripted::point;

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

struct EntityCase {
    const char* name;
    std::function<void(scripted::ModelSpace&)> draw;
    std::optional<walk::PipeRow> expected;
};

walk::PipeRow row(std::u16string layer, int64_t id, std::u16string handle, double length, double rmax, double rmin)
{
    return walk::PipeRow{std::move(layer), id, std::move(handle), length, rmax, rmin};
}

void kind(scripted::Entity& e, Variant value)
{
    e.xdata(Variant::array({Variant::i2(1070), Variant::i2(1010)}),
            Variant::array({std::move(value), point(Variant::r8(1000), Variant::r8(25), Variant::r8(20))}));
}

const EntityCase entityCases[] = {
    {"PipeWithSixteenBitTen", [](auto& s) { addPipe(s, u"Трубы", 77, u"2A", 1000, 25, 20); },
     row(u"Трубы", 77, u"2A", 1000, 50, 40)},
    {"KindAsThirtyTwoBitTen", [](auto& s) { kind(addPipe(s, u"A", 1, u"1", 1, 1, 1), Variant::i4(10)); }, std::nullopt},
    {"KindEleven", [](auto& s) { kind(addPipe(s, u"A", 1, u"1", 1, 1, 1), Variant::i2(11)); }, std::nullopt},
    {"KindAsText", [](auto& s) { kind(addPipe(s, u"A", 1, u"1", 1, 1, 1), Variant::bstr(u"10")); }, std::nullopt},
    {"NotASolid", [](auto& s) { addPipe(s, u"A", 1, u"1", 1000, 25, 20).answer(u"EntityType", Variant::i4(19)); },
     std::nullopt},
    {"EntityTypeFails", [](auto& s) { addPipe(s, u"A", 1, u"1", 1000, 25, 20).fail(u"EntityType"); }, std::nullopt},
    {"NoExtendedData", [](auto& s) { addPipe(s, u"A", 1, u"1", 1000, 25, 20).xdata(Variant(), Variant()); },
     std::nullopt},
    {"ExtendedDataNotArrays",
     [](auto& s) { addPipe(s, u"A", 1, u"1", 1000, 25, 20).xdata(Variant::i4(1070), Variant::i2(10)); }, std::nullopt},
    {"NoSizePoint",
     [](auto& s) {
         addPipe(s, u"A", 1, u"1", 1, 1, 1).xdata(Variant::array({Variant::i2(1070)}), Variant::array({Variant::i2(10)}));
     },
     std::nullopt},
    {"SizePointOfTwoElements",
     [](auto& s) {
         addPipe(s, u"A", 5, u"5", 1, 1, 1)
             .xdata(Variant::array({Variant::i2(1070), Variant::i2(1010)}),
                    Variant::array({Variant::i2(10), Variant::array({Variant::r8(700), Variant::r8(16)})}));
     },
     row(u"A", 5, u"5", 700, 32, 0)},
    {"SizePointEmpty",
     [](auto& s) {
         addPipe(s, u"A", 5, u"5", 1, 1, 1)
             .xdata(Variant::array({Variant::i2(1070), Variant::i2(1010)}),
                    Variant::array({Variant::i2(10), Variant::array({})}));
     },
     std::nullopt},
    {"ValuesShorterThanCodes",
     [](auto& s) {
         addPipe(s, u"A", 5, u"5", 1, 1, 1)
             .xdata(Variant::array({Variant::i2(1070), Variant::i2(1010)}), Variant::array({Variant::i2(10)}));
     },
     std::nullopt},
    {"LayerFails", [](auto& s) { addPipe(s, u"A", 8, u"8", 100, 5, 4).fail(u"Layer"); }, row(u"", 8, u"8", 100, 10, 8)},
    {"LayerIsANumber", [](auto& s) { addPipe(s, u"A", 8, u"8", 100, 5, 4).answer(u"Layer", Variant::i4(12)); },
     row(u"12", 8, u"8", 100, 10, 8)},
    {"HandleFails", [](auto& s) { addPipe(s, u"A", 8, u"8", 100, 5, 4).fail(u"Handle"); }, row(u"A", 8, u"", 100, 10, 8)},
    {"ObjectIdFails", [](auto& s) { addPipe(s, u"A", 8, u"8", 100, 5, 4).fail(u"ObjectID"); }, std::nullopt},
    {"ObjectIdIsText", [](auto& s) { addPipe(s, u"A", 8, u"8", 100, 5, 4).answer(u"ObjectID", Variant::bstr(u"x")); },
     std::nullopt},
    {"ObjectIdAboveThirtyTwoBits",
     [](auto& s) { addPipe(s, u"A", (int64_t{1} << 32) + 5, u"8", 100, 5, 4); },
     row(u"A", (int64_t{1} << 32) + 5, u"8", 100, 10, 8)},
    {"NaNLength", [](auto& s) { addPipe(s, u"A", 8, u"8", nan, 5, 4); }, std::nullopt},
    {"NaNInnerRadius", [](auto& s) { addPipe(s, u"A", 8, u"8", 100, 5, nan); }, std::nullopt},
    {"NegativeInnerRadius", [](auto& s) { addPipe(s, u"A", 8, u"8", 100, 5, -1); }, std::nullopt},
    {"InnerZero", [](auto& s) { addPipe(s, u"A", 8, u"8", 100, 5, 0); }, row(u"A", 8, u"8", 100, 10, 0)},
    {"HugeSizes", [](auto& s) { addPipe(s, u"A", 8, u"8", 1e300, 1e300, 1e300); },
     row(u"A", 8, u"8", 1e300, 2e300, 2e300)},
    {"LastOccurrenceCounts",
     [](auto& s) {
         addPipe(s, u"A", 9, u"9", 1, 1, 1)
             .xdata(Variant::array({Variant::i2(1070), Variant::i2(1010), Variant::i2(1010)}),
                    Variant::array({Variant::i2(10), point(Variant::r8(1), Variant::r8(1), Variant::r8(1)),
                                    point(Variant::r8(300), Variant::r8(7), Variant::r8(6))}));
     },
     row(u"A", 9, u"9", 300, 14, 12)},
};

class EntityDecision : public testing::TestWithParam<EntityCase> {};

TEST_P(EntityDecision, IsThePipeRowOrNone)
{
    auto space = std::make_shared<scripted::ModelSpace>();
    GetParam().draw(*space);
    const walk::PipeChunk chunk = walk::collectPipes(Variant::dispatch(space), 0, 1);
    EXPECT_EQ(chunk.next, 1);
    EXPECT_FALSE(chunk.failure);
    if (GetParam().expected) {
        ASSERT_EQ(chunk.rows.size(), 1u);
        EXPECT_EQ(chunk.rows[0], *GetParam().expected);
    } else {
        EXPECT_TRUE(chunk.rows.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Entities, EntityDecision, testing::ValuesIn(entityCases),
                         [](const testing::TestParamInfo<EntityCase>& info) { return std::string(info.param.name); });

// The members a pipe is read by, in their order: the kind, then layer,
// ObjectID, handle and the size point.
TEST(ModelSpaceWalk, AsksAPipeItsMembersInTheHarvestsOrder)
{
    auto space = std::make_shared<scripted::ModelSpace>();
    scripted::Entity& pipe = addPipe(*space, u"A", 1, u"1", 100, 5, 4);
    std::vector<std::u16string> asked;
    for (auto& [member, answer] : pipe.answers)
        answer = [&asked, member = member, inner = answer](automation::Args a) {
            asked.push_back(member);
            return inner(a);
        };
    walk::collectPipes(Variant::dispatch(space), 0, 1);
    EXPECT_EQ(asked, (std::vector<std::u16string>{u"EntityType", u"GetXData", u"Layer", u"ObjectID", u"Handle",
                                                 u"GetXData"}));
}

TEST(ModelSpaceWalk, AFailingItemEndsTheRangeWithTheCadsFailureAndKeepsWhatCameBefore)
{
    auto space = std::make_shared<scripted::ModelSpace>();
    for (int i = 0; i < 6; ++i)
        addPipe(*space, u"A", 10 + i, std::u16string{u'A', char16_t(u'0' + i)}, 100 + i, 5, 4);
    space->failItemAt = 3;
    const walk::PipeChunk chunk = walk::collectPipes(Variant::dispatch(space), 1, 5);
    EXPECT_EQ(chunk.next, 3);
    ASSERT_TRUE(chunk.failure);
    EXPECT_EQ(chunk.failure->code, automation::hr::E_Fail);
    EXPECT_EQ(chunk.failure->description, u"The entity is gone");
    EXPECT_EQ(chunk.failure->source, u"CAD");
    ASSERT_EQ(chunk.rows.size(), 2u);
    EXPECT_EQ(chunk.rows[0].objectId, 11);
    EXPECT_EQ(space->itemCalls, 3); // Item is not asked again after it failed
}

// However long the texts the entities answer, one answer stays within its
// budget; the caller goes on from where it stopped.
TEST(ModelSpaceWalk, AnAnswerStopsAtItsBudgetAndSaysWhereToGoOn)
{
    auto space = std::make_shared<scripted::ModelSpace>();
    const std::u16string longLayer(20000, u'L');
    for (int i = 0; i < 40; ++i)
        addPipe(*space, longLayer, i + 1, u"1", 100, 5, 4);
    int32_t first = 0;
    size_t rows = 0;
    int chunks = 0;
    while (first < 40) {
        const walk::PipeChunk chunk = walk::collectPipes(Variant::dispatch(space), first, 40 - first);
        size_t bytes = 0;
        for (const walk::PipeRow& r : chunk.rows)
            bytes += walk::answerBytes(r);
        EXPECT_LT(bytes, walk::answerByteBudget + walk::answerBytes(chunk.rows.front()));
        ASSERT_GT(chunk.next, first);
        rows += chunk.rows.size();
        first = chunk.next;
        ++chunks;
    }
    EXPECT_EQ(rows, 40u);
    EXPECT_GT(chunks, 1);
}

TEST(ModelSpaceWalk, RangesOutsideTheModelSpaceOrEmptyWalkNothing)
{
    auto space = std::make_shared<scripted::ModelSpace>();
    addPipe(*space, u"A", 1, u"1", 100, 5, 4);
    EXPECT_EQ(walk::collectPipes(Variant::dispatch(space), 0, 0).next, 0);
    EXPECT_EQ(walk::collectPipes(Variant::dispatch(space), -4, 3).next, -4);
    EXPECT_EQ(space->itemCalls, 0);
    const walk::PipeChunk past = walk::collectPipes(Variant::dispatch(space), 1, 1);
    EXPECT_TRUE(past.failure); // Item of an index past the end fails as the CAD's does
    EXPECT_EQ(past.next, 1);
}

TEST(ModelSpaceWalk, FindsEveryEntityWithTheObjectIdComparedAsNumbers)
{
    auto space = std::make_shared<scripted::ModelSpace>();
    const int64_t big = (int64_t{1} << 32) + 7;
    addPipe(*space, u"A", 7, u"A1", 1, 1, 1);
    addPipe(*space, u"A", big, u"A2", 1, 1, 1);
    addPipe(*space, u"A", 1, u"A3", 1, 1, 1).answer(u"ObjectID", Variant::r8(double(big)));
    addPipe(*space, u"A", 1, u"A4", 1, 1, 1).fail(u"ObjectID");
    addPipe(*space, u"A", big, u"A5", 1, 1, 1).fail(u"Handle");
    addPipe(*space, u"A", big, u"1A\"))) (command \"ERASE", 1, 1, 1);
    addPipe(*space, u"A", 1, u"A7", 1, 1, 1).answer(u"ObjectID", Variant::bstr(u"not a number"));
    const walk::MatchChunk chunk = walk::findEntities(Variant::dispatch(space), 0, 7, Variant::i8(big));
    EXPECT_EQ(chunk.next, 7);
    EXPECT_FALSE(chunk.failure);
    EXPECT_EQ(chunk.handles, (std::vector<std::u16string>{u"A2", u"A3"}));
}

// A CAD that stops answering is no answer about one entity: the walk does
// not go on past it, nor keep a row read in part; the failure is raised as
// it came, from Item and from every member of an entity alike.
TEST(ModelSpaceWalk, AFailedLinkEndsTheWalkAsItIsRaised)
{
    struct Case {
        const char* name;
        std::function<void(scripted::ModelSpace&)> breakIt;
        bool searchAsksIt; // the search for the third entity's ObjectID meets it
    };
    const Case cases[] = {
        {"Item", [](scripted::ModelSpace& s) { s.linkFailsAt = 2; }, true},
        {"EntityType", [](scripted::ModelSpace& s) { s.entities[2]->fail(u"EntityType", automation::hr::Rpc_E_Timeout); },
         false},
        {"GetXData",
         [](scripted::ModelSpace& s) { s.entities[2]->fail(u"GetXData", automation::hr::Rpc_E_CallRejected); }, false},
        {"Layer", [](scripted::ModelSpace& s) { s.entities[2]->fail(u"Layer", automation::hr::Rpc_E_ServerDied); },
         false},
        {"ObjectID", [](scripted::ModelSpace& s) { s.entities[2]->fail(u"ObjectID", automation::hr::Rpc_E_Disconnected); },
         true},
        {"Handle", [](scripted::ModelSpace& s) { s.entities[2]->fail(u"Handle", automation::hr::Rpc_E_Disconnected); },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto space = std::make_shared<scripted::ModelSpace>();
        for (int i = 0; i < 5; ++i)
            addPipe(*space, u"A", 10 + i, std::u16string{u'A', char16_t(u'0' + i)}, 100 + i, 5, 4);
        c.breakIt(*space);
        EXPECT_THROW(walk::collectPipes(Variant::dispatch(space), 0, 5), automation::LinkFailure);
        EXPECT_EQ(space->entities[3]->calls, 0);
        if (c.searchAsksIt) {
            EXPECT_THROW(walk::findEntities(Variant::dispatch(space), 0, 5, Variant::i4(12)), automation::LinkFailure);
        }
    }
}

// A range ends once it has taken its time, after the entity that took it:
// slow solids after fast lines hold the CAD no longer than that.
TEST(ModelSpaceWalk, ARangeEndsOnTimeAndSaysWhereToGoOn)
{
    auto space = std::make_shared<scripted::ModelSpace>();
    for (int i = 0; i < 6; ++i)
        addPipe(*space, u"A", 10 + i, u"1", 100, 5, 4);
    auto& slow = space->entities[1]->answers[u"ObjectID"];
    slow = [inner = slow](automation::Args a) {
        std::this_thread::sleep_for(walk::chunkTimeBudget + std::chrono::milliseconds(50));
        return inner(a);
    };
    const walk::PipeChunk chunk = walk::collectPipes(Variant::dispatch(space), 0, 6);
    EXPECT_EQ(chunk.next, 2);
    EXPECT_FALSE(chunk.failure);
    EXPECT_EQ(chunk.rows.size(), 2u);
    EXPECT_EQ(walk::findEntities(Variant::dispatch(space), 0, 6, Variant::i4(11)).next, 2);
}

// The layer table is read as a whole or not at all: the CAD's first error
// about any layer's member ends the range at that layer with the CAD's
// failure; a link that fails passes as it came.
TEST(LayerRecords, AreReadInOrderUntilTheFirstFailure)
{
    const auto layerTable = [](int n) {
        auto layers = std::make_shared<scripted::ModelSpace>();
        for (int i = 0; i < n; ++i)
            layers->add()
                .answer(u"Name", Variant::bstr(std::u16string{u'L', char16_t(u'0' + i)}))
                .answer(u"Lock", Variant::boolean(i == 1))
                .answer(u"Freeze", Variant::i2(i == 2 ? -1 : 0)) // a CAD may answer a number
                .answer(u"LayerOn", Variant::boolean(i != 3));
        return layers;
    };
    auto layers = layerTable(5);
    const walk::LayerChunk all = walk::readLayers(Variant::dispatch(layers), 0, 5);
    EXPECT_EQ(all.next, 5);
    EXPECT_FALSE(all.failure);
    ASSERT_EQ(all.records.size(), 5u);
    EXPECT_EQ(all.records[1], (walk::LayerRecord{u"L1", true, false, true}));
    EXPECT_EQ(all.records[2], (walk::LayerRecord{u"L2", false, true, true}));
    EXPECT_EQ(all.records[3], (walk::LayerRecord{u"L3", false, false, false}));

    layers->entities[2]->fail(u"Freeze");
    layers->entities[3]->calls = 0;
    const walk::LayerChunk broken = walk::readLayers(Variant::dispatch(layers), 0, 5);
    EXPECT_EQ(broken.next, 2);
    ASSERT_TRUE(broken.failure);
    EXPECT_EQ(broken.records.size(), 2u);
    EXPECT_EQ(layers->entities[3]->calls, 0);

    layers->entities[2]->answer(u"Name", Variant::dispatch(layers)); // a name that is no text
    EXPECT_TRUE(walk::readLayers(Variant::dispatch(layers), 0, 5).failure);

    layers->entities[2]->fail(u"Name", automation::hr::Rpc_E_Disconnected);
    EXPECT_THROW(walk::readLayers(Variant::dispatch(layers), 0, 5), automation::LinkFailure);
}

TEST(ModelSpaceWalk, ASearchEndsAtAFailingItemWithTheMatchesBeforeIt)
{
    auto space = std::make_shared<scripted::ModelSpace>();
    addPipe(*space, u"A", 5, u"B1", 1, 1, 1);
    addPipe(*space, u"A", 5, u"B2", 1, 1, 1);
    space->failItemAt = 1;
    const walk::MatchChunk chunk = walk::findEntities(Variant::dispatch(space), 0, 2, Variant::i4(5));
    EXPECT_EQ(chunk.next, 1);
    ASSERT_TRUE(chunk.failure);
    EXPECT_EQ(chunk.handles, std::vector<std::u16string>{u"B1"});
}

} // namespace
