#include "HarvestFixture.h"

#include "cad/ResStrings.h"
#include "cad/SelectEntityById.h"
#include "cadsim/model/ObjectKind.h"
#include "platform/automation/ServedCalls.h"
#include "platform/db/DbError.h"
#include "support/Refusal.h"
#include "spec/TSpecification.h"
#include "spec/TspDetTruba.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

using automation::Variant;
using cadsim::XDataItem;

namespace {

const QString CadFailure = QStringLiteral("Произошли ошибки при работе с Автокадом!!!");

std::unique_ptr<TspDetail> pipe(double length, double rmax, double rmin)
{
    auto detail = std::make_unique<TspDetTruba>();
    detail->FLength = length;
    detail->FRmax = rmax;
    detail->FRmin = rmin;
    return detail;
}

// A solid carrying the given pipe kind item and a valid size point.
void addMarkedSolid(cadsim::Drawing& d, XDataItem kind)
{
    auto& e = d.addSolid(u"Чужие");
    d.addXData(e.handle, u"trb", {std::move(kind), XDataItem::point(1010, 100, 10, 5)});
}

} // namespace

TEST(TSpecification, CapacityZeroMeansOneHundredAndNegativeFails)
{
    EXPECT_EQ(TSpecification(0).FCapacity(), 100);
    EXPECT_EQ(TSpecification(7).FCapacity(), 7);
    EXPECT_THROW(TSpecification(-1), std::out_of_range);
}

TEST(TSpecification, AcceptsOnlyPipesWithPositiveSizes)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        double length, rmax, rmin;
        bool valid;
    };
    const Case cases[] = {
        {"ordinary", 1000, 50, 40, true},
        {"inner zero", 1000, 50, 0, true},
        {"inner larger than outer", 1000, 50, 60, true},
        {"length zero", 0, 50, 40, false},
        {"outer zero", 1000, 0, 40, false},
        {"inner negative", 1000, 50, -1, false},
        {"length NaN", nan, 50, 40, false},
        {"outer NaN", 1000, nan, 40, false},
        {"inner NaN", 1000, 50, nan, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TSpecification::IsValidDetail(*pipe(c.length, c.rmax, c.rmin)), c.valid);
    }
    TspDetail generic;
    EXPECT_FALSE(TSpecification::IsValidDetail(generic));
}

TEST(TSpecification, RejectedDetailStaysWithTheCaller)
{
    TSpecification specification(0);
    auto invalid = pipe(0, 50, 40);
    EXPECT_EQ(specification.Add(invalid), -1);
    EXPECT_NE(invalid, nullptr);
    auto valid = pipe(1, 50, 40);
    EXPECT_EQ(specification.Add(valid), 0);
    EXPECT_EQ(valid, nullptr);
    EXPECT_EQ(specification.FCount(), 1);
}

TEST(TSpecification, GrowsByOneHundredKeepingTheOrder)
{
    TSpecification specification(0);
    for (int i = 1; i <= 250; ++i) {
        auto detail = pipe(i, 50, 40);
        ASSERT_EQ(specification.Add(detail), i - 1);
        if (i == 100) {
            EXPECT_EQ(specification.FCapacity(), 100);
        }
        if (i == 101) {
            EXPECT_EQ(specification.FCapacity(), 200);
        }
    }
    EXPECT_EQ(specification.FCapacity(), 300);
    EXPECT_EQ(static_cast<const TspDetTruba&>(specification.item(249)).FLength, 250.0);
}

using HarvestTest = HarvestFixture;

TEST_F(HarvestTest, WritesEveryPipeInModelSpaceOrderAndTheGridSortsThem)
{
    draw([](cadsim::Drawing& d) {
        for (int i = 1; i <= 250; ++i)
            d.addPipe(i % 2 ? u"Б" : u"А", i, 10 + i % 7, 5);
    });
    harvest();
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 250u);
    for (int i = 0; i < 250; ++i)
        EXPECT_EQ(rows[i].length, i + 1.0) << "row " << i;
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(u'|').toStdString();

    // The open table shows them by layer, then outer diameter.
    db::Dataset& table = *SpecData->TTruba;
    table.first();
    EXPECT_EQ(SpecData->TTrubaFLayer->asString(), QStringLiteral("А"));
    EXPECT_EQ(SpecData->TTrubaFRmax->asFloat(), 20.0);
}

// The harvest keeps only pipes that the row validation accepts, so every
// harvested row is stored, even on the boundaries of the size rules.
TEST_F(HarvestTest, PipesOnTheSizeBoundariesAreStored)
{
    draw([](cadsim::Drawing& d) {
        d.addPipe(u"shortest", 0.001, 25, 20);
        d.addPipe(u"solid bar", 1000, 25, 0);
        d.addPipe(u"thinnest", 1000, 0.0005, 0);
    });
    harvest();
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(u'|').toStdString();
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].length, 0.001);
    EXPECT_EQ(rows[1].rmin, 0.0);
    EXPECT_EQ(rows[2].rmax, 0.001);
}

TEST_F(HarvestTest, OnlySolidsMarkedWithASixteenBitTenArePipes)
{
    draw([](cadsim::Drawing& d) {
        d.addPipe(u"Трубы", 1000, 25, 20);
        addMarkedSolid(d, XDataItem{1070, Variant::i4(10)});        // 32-bit ten
        addMarkedSolid(d, XDataItem::int16(1070, 11));              // another kind
        addMarkedSolid(d, XDataItem{1070, Variant::bstr(u"10")});   // text
        d.addSolid(u"Чужие");                                       // no data at all
        auto& line = d.addLine(u"Чужие");                           // not a solid
        d.addXData(line.handle, u"trb", {XDataItem::int16(1070, 10), XDataItem::point(1010, 5, 5, 5)});
    });
    harvest();
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].layer, QStringLiteral("Трубы"));
    EXPECT_EQ(rows[0].length, 1000.0);
    EXPECT_EQ(rows[0].rmax, 50.0);
    EXPECT_EQ(rows[0].rmin, 40.0);
}

TEST_F(HarvestTest, DropsPipesWhoseSizesOrIdentityCannotBeRead)
{
    draw([](cadsim::Drawing& d) {
        d.addPipe(u"ok", 1000, 25, 0);                 // inner 0 is fine
        d.addPipe(u"zero length", 0, 25, 20);
        d.addPipe(u"negative inner", 1000, 25, -1);
        d.addPipe(u"NaN", std::nan(""), 25, 20);
        auto& noPoint = d.addSolid(u"no point");
        d.addXData(noPoint.handle, u"trb", {XDataItem::int16(1070, 10)});
        auto& twoElements = d.addSolid(u"two elements");
        d.addXData(twoElements.handle, u"trb",
                   {XDataItem::int16(1070, 10), XDataItem{1010, Variant::array({Variant::r8(300), Variant::r8(15)})}});
        d.addPipe(u"no id", 1000, 25, 20);
    });
    cad.injectFault(cadsim::Fault{.object = cadsim::ObjectKind::Entity, .member = u"ObjectID",
                                  .handle = cad.activeDrawing().entities().back().handle});
    harvest();
    QStringList layers;
    for (const auto& row : storedRows())
        layers << row.layer.value_or(QString());
    EXPECT_EQ(layers, (QStringList{"ok", "two elements"}));
    EXPECT_EQ(storedRows()[1].rmin, 0.0);
    EXPECT_TRUE(messages.all.isEmpty());
}

TEST_F(HarvestTest, LoadsThePipeProgramWithItsExactCommand)
{
    harvest();
    const auto commands = cad.commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], u"(load \"tr.fas\") ");
    EXPECT_TRUE(QFile::exists(supportFolder.filePath(QStringLiteral("tr.fas"))));
}

TEST_F(HarvestTest, EmptyModelSpaceEmptiesTheTable)
{
    file.addRows({{.layer = "old", .length = 1, .rmax = 2, .rmin = 0}});
    SpecData->TTruba->requery();
    harvest();
    EXPECT_TRUE(storedRows().empty());
}

TEST_F(HarvestTest, SecondRunReplacesRowsEditedByHand)
{
    draw([](cadsim::Drawing& d) { d.addPipe(u"Трубы", 1000, 25, 20); });
    harvest();
    db::Dataset& table = *SpecData->TTruba;
    table.edit();
    SpecData->TTrubaFLength->setAsFloat(1);
    table.post();
    table.append();
    SpecData->TTrubaFLength->setAsFloat(2);
    SpecData->TTrubaFRmax->setAsFloat(3);
    table.post();

    harvest();
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].length, 1000.0);
}

TEST_F(HarvestTest, NoRunningCadLeavesTheTableAlone)
{
    file.addRows({{.layer = "old", .length = 1, .rmax = 2, .rmin = 0}});
    SpecData->TTruba->requery();
    running.revoke(); // the CAD application has been closed

    TSpecification specification(0);
    EXPECT_EQ(refusalOf([&] { specification.ReadFromDrawing(); }),
              QStringLiteral("Cannot find AutoCAD that has been already started!!!"));
    EXPECT_EQ(storedRows().size(), 1u);
}

// A drawing that could not be read whole replaces nothing: the rows stored
// before, typed by hand or harvested, stay.
struct CadFailureCase {
    const char* name;
    std::function<void(HarvestFixture&)> fail;
};

class FailedHarvest : public HarvestFixture, public ::testing::WithParamInterface<CadFailureCase> {
public:
    static void failSendCommand(HarvestFixture& t) { static_cast<FailedHarvest&>(t).cad.failMember(cadsim::ObjectKind::Document, u"SendCommand"); }
    static void failItemFromTheThird(HarvestFixture& t)
    {
        static_cast<FailedHarvest&>(t).cad.injectFault(
            cadsim::Fault{.object = cadsim::ObjectKind::ModelSpace, .member = u"Item", .fromIndex = 3});
    }
    static void removePipeProgram(HarvestFixture& t)
    {
        QFile::remove(static_cast<FailedHarvest&>(t).executableFolder.filePath(QStringLiteral("tr.fas")));
    }
};

TEST_P(FailedHarvest, ShowsTheCadMessageAndLeavesTheStoredRows)
{
    file.addRows({{.layer = "typed by hand", .length = 1, .rmax = 2, .rmin = 0}});
    SpecData->TTruba->requery();
    draw([](cadsim::Drawing& d) {
        for (int i = 1; i <= 5; ++i)
            d.addPipe(u"Трубы", i, 25, 20);
    });
    GetParam().fail(*this);
    harvest();
    // The failure itself may have been told first (a file that cannot be copied).
    ASSERT_FALSE(messages.messages.isEmpty());
    EXPECT_EQ(messages.messages.last(), CadFailure);
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].layer, QStringLiteral("typed by hand"));
    EXPECT_EQ(SpecData->TTruba->recordCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedHarvest,
                         ::testing::Values(CadFailureCase{"LoadCommandRefused", &FailedHarvest::failSendCommand},
                                           CadFailureCase{"ModelSpaceFailingHalfWay", &FailedHarvest::failItemFromTheThird},
                                           CadFailureCase{"PipeProgramMissing", &FailedHarvest::removePipeProgram}),
                         [](const ::testing::TestParamInfo<CadFailureCase>& info) { return std::string(info.param.name); });

TEST_F(HarvestTest, ObjectIdsAboveThirtyTwoBitsAreStoredWholeAndSelectTheirEntity)
{
    cad.setLargeObjectIds(true);
    draw([](cadsim::Drawing& d) {
        d.addLine(u"0");
        d.addPipe(u"Трубы", 1000, 25, 20);
    });
    harvest();
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 1u);
    const cadsim::Entity pipeEntity = cad.activeDrawing().entities()[1];
    const int64_t expected = pipeEntity.objectId + (int64_t{1} << 32);
    EXPECT_EQ(rows[0].objectId, expected);
    EXPECT_GT(expected, int64_t{1} << 32);

    SpecData->TTruba->first();
    SelectEntityById(SpecData->TTrubaFObjectID->asInteger());
    EXPECT_EQ(cad.selectedHandles(), std::vector<std::u16string>{pipeEntity.handle});
}

// The CAD was started again since the harvest: its ObjectIDs are new, the
// handles are the drawing's. "Выделить" then finds the pipe by its handle,
// but only within the drawing the row was read from, and only a pipe.
struct ReopenCase {
    const char* name;
    // What the CAD has open when "Выделить" runs: given the harvested drawing,
    // the drawing to open in the new session.
    cadsim::Drawing (*reopen)(cadsim::Drawing harvested);
    bool forgetDrawingOfRows; // the rows were stored by a version without FDrawing
    bool selectsTheRowsPipe;
};

class SelectAfterRestart : public HarvestFixture, public ::testing::WithParamInterface<ReopenCase> {};

TEST_P(SelectAfterRestart, TheHandleIsTrustedOnlyInItsOwnDrawing)
{
    draw([](cadsim::Drawing& d) {
        d.addLine(u"0");
        d.addPipe(u"Трубы", 1000, 25, 20);
        d.addPipe(u"Трубы", 2000, 25, 20);
    });
    harvest();
    const cadsim::Drawing harvested = cad.activeDrawing();
    const std::vector<cadsim::Entity> entities = harvested.entities();
    EXPECT_EQ(file.handles(), (QStringList{QString::fromStdU16String(entities[1].handle),
                                               QString::fromStdU16String(entities[2].handle)}));
    if (GetParam().forgetDrawingOfRows) {
        file.exec(QStringLiteral("UPDATE TTruba SET FDrawing = NULL"));
        SpecData->TTruba->requery();
    }

    // A new session of the CAD: every ObjectID moves.
    cad.closeAllDocuments();
    cad.openDocument(GetParam().reopen(harvested));
    cad.setLargeObjectIds(true, -4096);
    db::Dataset& table = *SpecData->TTruba;
    table.last();
    ASSERT_EQ(SpecData->TTrubaFLength->asFloat(), 2000.0);
    SelectEntityById(SpecData->TTrubaFObjectID->asInteger(), SpecData->TTrubaFHandle->asString(),
                     SpecData->TTrubaFDrawing->asString());

    const std::vector<std::u16string> expected =
        GetParam().selectsTheRowsPipe ? std::vector<std::u16string>{entities[2].handle} : std::vector<std::u16string>{};
    EXPECT_EQ(cad.selectedHandles(), expected);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
}

cadsim::Drawing sameDrawing(cadsim::Drawing harvested) { return harvested; }

// The next sheet of the project, started from the same template: the same
// handles, other pipes, its own identity.
cadsim::Drawing otherDrawingWithTheSameHandles(cadsim::Drawing harvested)
{
    cadsim::Drawing other(u"sheet2.dxf");
    other.setFingerprint(cadsim::newFingerprint());
    for (const cadsim::Entity& entity : harvested.entities()) {
        cadsim::Entity copy = entity;
        copy.objectId = 0;
        other.addEntity(copy);
    }
    return other;
}

// Saved without an identity: it gets a new one at every load.
cadsim::Drawing drawingWithoutIdentity(cadsim::Drawing harvested)
{
    harvested.setFingerprint({});
    return harvested;
}

INSTANTIATE_TEST_SUITE_P(
    Drawings, SelectAfterRestart,
    ::testing::Values(ReopenCase{"SameDrawingReopened", &sameDrawing, false, true},
                      ReopenCase{"AnotherDrawingWithTheSameHandles", &otherDrawingWithTheSameHandles, false, false},
                      ReopenCase{"DrawingWithoutIdentity", &drawingWithoutIdentity, false, false},
                      ReopenCase{"RowsOfAnOlderVersionWithoutDrawing", &sameDrawing, true, false}),
    [](const ::testing::TestParamInfo<ReopenCase>& info) { return std::string(info.param.name); });

TEST_F(HarvestTest, TheStoredHandleSelectsOnlyAPipe)
{
    draw([](cadsim::Drawing& d) {
        d.addLine(u"0");
        d.addPipe(u"Трубы", 1000, 25, 20);
    });
    harvest();
    const std::vector<cadsim::Entity> entities = cad.activeDrawing().entities();
    cad.setLargeObjectIds(true, -4096); // a new session of the CAD
    SpecData->TTruba->first();
    const QString drawing = SpecData->TTrubaFDrawing->asString();
    ASSERT_FALSE(drawing.isEmpty());
    // A handle that names the line, or nothing at all, selects nothing.
    for (const std::u16string& handle : {entities[0].handle, std::u16string(u"FFFF")}) {
        SelectEntityById(SpecData->TTrubaFObjectID->asInteger(), QString::fromStdU16String(handle), drawing);
        EXPECT_TRUE(cad.selectedHandles().empty());
    }
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
}

TEST_F(HarvestTest, EveryRowNamesTheDrawingItWasReadFrom)
{
    draw([](cadsim::Drawing& d) {
        d.addPipe(u"Трубы", 1000, 25, 20);
        d.addPipe(u"Трубы", 2000, 25, 20);
    });
    harvest();
    const QString identity = QString::fromStdU16String(cad.activeDrawing().fingerprint());
    EXPECT_EQ(identity.size(), 38);
    EXPECT_EQ(file.drawings(), (QStringList{identity, identity}));
}

// A system variable the CAD does not have is no failure: each stands for
// what the CAD does without it. Without TRUSTEDPATHS no folder is trusted by
// being listed, and the pipe program is still placed and loaded; without
// SECURELOAD the CAD loads code from anywhere, so the walker is asked for;
// without FINGERPRINTGUID the rows have no drawing, and are found by their
// ObjectIDs alone.
struct MissingVariables {
    const char* name;
    std::vector<std::u16string> missing;
};

class HarvestWithout : public HarvestFixture, public ::testing::WithParamInterface<MissingVariables> {};

TEST_P(HarvestWithout, TheVariablesTheCadLacksAreNoFailure)
{
    draw([](cadsim::Drawing& d) {
        d.addPipe(u"Трубы", 1000, 25, 20);
        d.addPipe(u"Трубы", 2000, 25, 20);
    });
    const auto lacks = [&](std::u16string_view name) {
        return std::find(GetParam().missing.begin(), GetParam().missing.end(), name) != GetParam().missing.end();
    };
    // Where the CAD knows SECURELOAD, it refuses the walker's folder.
    cad.setSecureLoad(2);
    cad.setTrustedPathsLocked(true);
    offerWalker();
    cad.setMissingVariables(GetParam().missing);
    const automation::ServedCalls before = automation::servedCalls();

    harvest();

    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_EQ(storedRows().size(), 2u);
    EXPECT_EQ(cad.loadedFiles().size(), 1u); // the pipe program was placed and loaded
    const bool walkedInside = automation::servedCalls().inProcessInvocations > before.inProcessInvocations;
    EXPECT_EQ(walkedInside, lacks(u"SECURELOAD"));
    const QString identity = QString::fromStdU16String(cad.activeDrawing().fingerprint());
    const QStringList expected =
        lacks(u"FINGERPRINTGUID") ? QStringList{"(null)", "(null)"} : QStringList{identity, identity};
    EXPECT_EQ(file.drawings(), expected);
    EXPECT_TRUE(cad.loadQuestions().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cads, HarvestWithout,
    ::testing::Values(MissingVariables{"TrustedPaths", {u"TRUSTEDPATHS"}},
                      MissingVariables{"SecureLoad", {u"SECURELOAD"}},
                      MissingVariables{"FingerprintGuid", {u"FINGERPRINTGUID"}},
                      MissingVariables{"AllThree", {u"TRUSTEDPATHS", u"SECURELOAD", u"FINGERPRINTGUID"}}),
    [](const ::testing::TestParamInfo<MissingVariables>& info) { return std::string(info.param.name); });

TEST_F(HarvestTest, ClosedTableShowsItsMessageAndIsNotTouched)
{
    draw([](cadsim::Drawing& d) { d.addPipe(u"Трубы", 1000, 25, 20); });
    file.addRows({{.layer = "old", .length = 1, .rmax = 2, .rmin = 0}});
    SpecData->TTruba->close();
    harvest();
    EXPECT_EQ(messages.messages, QStringList{"Отсутствует подключение к базе данных!!!"});
    EXPECT_EQ(storedRows().size(), 1u);
    // Said before the CAD was asked to load or walk anything.
    EXPECT_TRUE(cad.commands().empty());
    EXPECT_TRUE(cad.loadedFiles().empty());
}

// SECURELOAD is taken for 0 only where the CAD says it has no such variable.
// A read the CAD answers otherwise counts as a CAD that would ask its user:
// the walk runs here. One it does not answer at all is a CAD not ready (the
// walker is asked for as the harvest attaches).
TEST_F(HarvestTest, OnlyACadWithoutSecureLoadIsTakenToLoadFromAnywhere)
{
    struct Case {
        const char* name;
        int32_t code;
        bool walkedInside;
        QStringList messages;
    };
    const Case cases[] = {
        {"no such variable", automation::hr::E_InvalidArg, true, {}},
        {"another answer of the CAD", automation::hr::E_Fail, false, {}},
        {"no answer at all", automation::hr::Rpc_E_CallRejected, false, {ResStrings::text(ResStrings::SAcadNotReady)}},
    };
    draw([](cadsim::Drawing& d) { d.addPipe(u"Трубы", 1000, 25, 20); });
    offerWalker();
    // Were the walker asked for, this CAD would load it without a question;
    // its folder cannot be made trusted, so a CAD taken to ask is not asked.
    cad.setSecureLoad(0);
    cad.setTrustedPathsLocked(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cad.clearFaults();
        messages.all.clear();
        cad.injectFault(cadsim::Fault{.object = cadsim::ObjectKind::Document, .member = u"GetVariable",
                                      .argument = u"SECURELOAD", .code = c.code});
        const automation::ServedCalls before = automation::servedCalls();
        harvest();
        EXPECT_EQ(messages.all, c.messages);
        EXPECT_EQ(automation::servedCalls().inProcessInvocations > before.inProcessInvocations, c.walkedInside);
        EXPECT_EQ(storedRows().size(), 1u);
    }
}

TEST_F(HarvestTest, FailingTableOperationRollsTheWholeReplacementBack)
{
    file.addRows({{.layer = "old 1", .length = 1, .rmax = 2, .rmin = 0},
                      {.layer = "old 2", .length = 3, .rmax = 4, .rmin = 0}});
    SpecData->TTruba->requery();
    draw([](cadsim::Drawing& d) {
        for (int i = 1; i <= 5; ++i)
            d.addPipe(u"Трубы", i, 25, 20);
    });
    // The third post fails as a write the database refuses would.
    int posts = 0;
    auto validation = SpecData->TTruba->beforePost;
    SpecData->TTruba->beforePost = [&](db::Dataset& table) {
        if (++posts == 3)
            throw db::DbError(QStringLiteral("disk I/O error"));
        validation(table);
    };

    TSpecification specification(0);
    specification.ReadFromDrawing();
    EXPECT_THROW(specification.SaveToTable(data), db::DbError);

    EXPECT_EQ(storedRows().size(), 2u);
    db::Dataset& table = *SpecData->TTruba;
    EXPECT_EQ(table.state(), db::DatasetState::Browse);
    ASSERT_EQ(table.recordCount(), 2);
    table.first();
    EXPECT_EQ(SpecData->TTrubaFLayer->asString(), QStringLiteral("old 1"));
}
