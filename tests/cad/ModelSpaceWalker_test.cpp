// Where the walk of model space runs: inside the CAD, by the walker it loads,
// wherever the CAD loads it without asking its user, and in the program
// otherwise; and that both give the same pipes and matches.
#include "cad/ChunkPacer.h"
#include "cad/ModelSpaceWalker.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/messages/EntryPoint.h"
#include "cad/ResStrings.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/ServedCalls.h"
#include "walk/WalkerIdentity.h"
#include "walk/WalkerObject.h"

#include "CadTestEnvironment.h"
#include "support/FakeWindowSystem.h"
#include "support/MessageRecorder.h"

#include "cadsim/model/Simulator.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using automation::Variant;

namespace {

const QString ProgramFolder = QStringLiteral("/opt/vedoris");

// A walker that another copy of the program registered: older, with answers
// of another shape.
class OlderWalker final : public automation::Dispatch {
public:
    Variant invoke(std::u16string_view member, automation::InvokeKind, automation::Args) override
    {
        if (member == u"Version")
            return Variant::bstr(u"0.9.1.0/0");
        throw automation::AutomationError(automation::hr::E_Fail, u"never asked");
    }
};

// This program's walker, which first runs `failure` for every walk it is
// asked for (its version and the rest answer as the walker's own).
class WalkerThatFails final : public automation::Dispatch {
public:
    explicit WalkerThatFails(std::shared_ptr<std::function<void()>> failure) : m_failure(std::move(failure)) {}

    Variant invoke(std::u16string_view member, automation::InvokeKind kind, automation::Args args) override
    {
        if (member == u"Pipes" || member == u"Find" || member == u"Layers")
            (*m_failure)();
        return m_walker.invoke(member, kind, args);
    }

private:
    std::shared_ptr<std::function<void()>> m_failure;
    walk::WalkerObject m_walker;
};

// Where the CAD finds this program's walker: nowhere, unless `offered`.
cadsim::InterfaceObjectSource walkerIf(bool offered)
{
    return [offered](const std::u16string&) -> std::optional<cadsim::InterfaceObjectLibrary> {
        if (!offered)
            return std::nullopt;
        return cadsim::InterfaceObjectLibrary{u"/opt/vedoris/w.so", [] { return std::make_shared<walk::WalkerObject>(); }};
    };
}

cadsim::Drawing drawingWithFaults()
{
    cadsim::Drawing d(u"faults.dxf");
    for (int i = 0; i < 30; ++i) {
        d.addPipe(u"Трубы_" + std::u16string(1, char16_t(u'A' + i % 3)), 1000 + i, 25, 20);
        d.addLine(u"0");
    }
    d.addSolid(u"Оборудование");
    return d;
}

struct Placement {
    const char* name;
    int secureLoad;
    QString trustedPaths;      // TRUSTEDPATHS before the command
    bool othersMayWriteThere;  // the program's folder is open to other users
    bool lockedTrustedPaths;
    bool interfaceObjects;     // the CAD loads interface objects at all
    bool olderWalkerRegistered;
    bool expectInCad;
};

const Placement placements[] = {
    {"SecureLoadZero", 0, {}, false, false, true, false, true},
    {"FolderListedInTrustedPaths", 1, QStringLiteral("/x;/opt/vedoris"), false, false, true, false, true},
    {"FolderListedWithItsSubfolders", 2, QStringLiteral("/opt/..."), false, false, true, false, true},
    // Code from a folder others may write into could be theirs: never loaded,
    // whatever SECURELOAD says and whatever the list holds.
    {"SecureLoadZeroFromAFolderOthersMayWrite", 0, {}, true, false, true, false, false},
    {"ListedFolderOthersMayWrite", 1, QStringLiteral("/x;/opt/vedoris"), true, false, true, false, false},
    {"FolderMadeTrustedWhereNobodyElseWrites", 1, {}, false, false, true, false, true},
    {"FolderOthersMayWriteIsNotTrusted", 1, {}, true, false, true, false, false},
    {"LockedTrustedPathsAtSecureLoadTwo", 2, {}, false, true, true, false, false},
    {"InterfaceObjectsRefused", 0, {}, false, false, false, false, false},
    {"AnOlderWalkerRegistered", 0, {}, false, false, true, true, false},
};

class WalkerPlacement : public testing::TestWithParam<Placement> {
protected:
    WalkerPlacement()
    {
        const Placement& p = GetParam();
        if (p.othersMayWriteThere)
            environment.openToOthers.insert(ProgramFolder);
        sim.setSecureLoad(p.secureLoad);
        sim.setTrustedPaths(p.trustedPaths.toStdU16String());
        sim.setTrustedPathsLocked(p.lockedTrustedPaths);
        sim.setInterfaceObjectsAllowed(p.interfaceObjects);
        const bool older = p.olderWalkerRegistered;
        sim.setInterfaceObjectSource([older](const std::u16string& progId) -> std::optional<cadsim::InterfaceObjectLibrary> {
            if (progId != walk::walkerProgId)
                return std::nullopt;
            return cadsim::InterfaceObjectLibrary{u"/opt/vedoris/vedoris_walker.so", [older]() -> automation::DispatchRef {
                                                      if (older)
                                                          return std::make_shared<OlderWalker>();
                                                      return std::make_shared<walk::WalkerObject>();
                                                  }};
        });
        running = automation::registerActiveObject(u"AutoCAD.Application", sim.application());
    }

    MessageRecorder recorder;
    CadTestEnvironment environment{ProgramFolder, u'/'};
    FakeWindowSystem::Installed desktop;
    cadsim::Simulator sim{drawingWithFaults()};
    automation::Registration running;
};

TEST_P(WalkerPlacement, RunsInTheCadOnlyWhereItLoadsWithoutAQuestionAndGivesTheSamePipes)
{
    // Entities that fail as a real CAD's may: a layer, an ObjectID, the data.
    const auto handleAt = [&](size_t i) { return sim.activeDrawing().entities()[i].handle; };
    sim.injectFault({.object = cadsim::ObjectKind::Entity, .member = u"Layer", .handle = handleAt(2)});
    sim.injectFault({.object = cadsim::ObjectKind::Entity, .member = u"ObjectID", .handle = handleAt(4)});
    sim.injectFault({.object = cadsim::ObjectKind::Entity, .member = u"GetXData", .handle = handleAt(6)});
    sim.injectFault({.object = cadsim::ObjectKind::Entity, .member = u"Handle", .handle = handleAt(8)});

    TAbstrAcadObj acad;
    const automation::ServedCalls before = automation::servedCalls();
    ModelSpaceWalker walker(acad);
    EXPECT_EQ(walker.inCad(), GetParam().expectInCad);
    std::vector<walk::PipeRow> rows;
    walker.collectPipes(61, QStringLiteral("%1 %2"), [&](walk::PipeRow&& row) { rows.push_back(std::move(row)); });
    const uint64_t inside = automation::servedCalls().inProcessInvocations - before.inProcessInvocations;
    EXPECT_EQ(inside > 0, GetParam().expectInCad);

    // The walk made here from the same CAD is the reference.
    std::vector<walk::PipeRow> reference;
    for (int32_t i = 0; i < 61; ++i) {
        const Variant entity = automation::call(acad.FModelSpace(), u"Item", Variant::i4(i));
        walk::PipeRow row;
        try {
            if (walk::readPipe(entity, row))
                reference.push_back(row);
        } catch (const std::exception&) {
        }
    }
    EXPECT_EQ(rows, reference);
    EXPECT_EQ(rows.size(), 28u); // the ObjectID and the data that failed drop two pipes
    EXPECT_EQ(rows[1].layer, u"");  // the layer that failed
    EXPECT_EQ(rows[2].handle, u""); // the handle that failed

    // The program never makes the CAD ask its user.
    EXPECT_TRUE(sim.loadQuestions().empty());
    EXPECT_TRUE(recorder.all.isEmpty()) << recorder.all.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cads, WalkerPlacement, testing::ValuesIn(placements),
                         [](const testing::TestParamInfo<Placement>& info) { return std::string(info.param.name); });

// The search gives the same matches in the CAD and here, and a failing Item
// ends it with the CAD's own failure, naming Item, after the matches before it.
TEST(ModelSpaceWalkerSearch, FindsTheSameEntitiesEitherWayAndRaisesAFailingItem)
{
    MessageRecorder recorder;
    CadTestEnvironment environment{ProgramFolder, u'/'};
    cadsim::Drawing drawing(u"d.dxf");
    for (int i = 0; i < 40; ++i)
        drawing.addPipe(u"A", 100, 5, 4);
    cadsim::Simulator sim(drawing);
    sim.setSecureLoad(0);
    const int64_t wanted = sim.activeDrawing().entities()[17].objectId;
    const automation::Registration running = automation::registerActiveObject(u"AutoCAD.Application", sim.application());

    for (bool offered : {true, false}) {
        SCOPED_TRACE(offered ? "in the CAD" : "here");
        sim.setInterfaceObjectSource(walkerIf(offered));
        sim.clearFaults();
        TAbstrAcadObj acad;
        ModelSpaceWalker walker(acad);
        EXPECT_EQ(walker.inCad(), offered);
        std::vector<std::u16string> found;
        walker.findEntities(40, Variant::i8(wanted), QStringLiteral("%1 %2"),
                            [&](const std::u16string& handle) { found.push_back(handle); });
        EXPECT_EQ(found, std::vector<std::u16string>{sim.activeDrawing().entities()[17].handle});

        sim.injectFault({.object = cadsim::ObjectKind::ModelSpace, .member = u"Item", .fromIndex = 30,
                         .code = automation::hr::E_Fail, .description = u"Item is broken"});
        found.clear();
        try {
            walker.findEntities(40, Variant::i8(wanted), QStringLiteral("%1 %2"),
                                [&](const std::u16string& handle) { found.push_back(handle); });
            ADD_FAILURE() << "the failing Item was not raised";
        } catch (const automation::CallFailure& e) {
            EXPECT_EQ(e.description(), u"Item is broken");
            EXPECT_EQ(e.member(), u"Item");
        }
        EXPECT_EQ(found.size(), 1u);
    }
}

// Where the CAD loads the walker, the attach reads the layer table inside
// the CAD, whatever its size, and keeps the same records as the read call by
// call; a layer that cannot be read fails the attach either way.
TEST(LayerSnapshot, IsReadInsideTheCadWithTheSameRecordsAndFailures)
{
    MessageRecorder recorder;
    CadTestEnvironment environment{ProgramFolder, u'/'};
    cadsim::Drawing drawing(u"d.dxf");
    for (int i = 0; i < 300; ++i)
        drawing.addLayer(cadsim::Layer{u"Слой " + std::u16string(1, char16_t(u'A' + i % 26)) + QString::number(i).toStdU16String(),
                                       i % 2 == 1, i % 3 == 1, i % 5 != 3});
    cadsim::Simulator sim(drawing);
    sim.setSecureLoad(0);
    const automation::Registration running = automation::registerActiveObject(u"AutoCAD.Application", sim.application());

    std::vector<std::vector<TLayer>> read;
    for (bool offered : {true, false}) {
        SCOPED_TRACE(offered ? "in the CAD" : "here");
        sim.setInterfaceObjectSource(walkerIf(offered));
        const automation::ServedCalls before = automation::servedCalls();
        TAbstrAcadObj acad;
        const uint64_t inside = automation::servedCalls().inProcessInvocations - before.inProcessInvocations;
        EXPECT_EQ(inside >= 5 * 300, offered);
        ASSERT_EQ(acad.FLayers()->Count(), 300);
        EXPECT_EQ(acad.FLayers()->Capacity(), 600);
        std::vector<TLayer> layers;
        for (int32_t i = 0; i < acad.FLayers()->Count(); ++i) {
            layers.push_back(acad.FLayers()->Items(i));
            EXPECT_EQ(acad.FSavedLayers()->Items(i), layers.back());
            EXPECT_EQ(layers.back().Index, i);
        }
        read.push_back(std::move(layers));

        sim.injectFault({.object = cadsim::ObjectKind::Layer, .member = u"Freeze", .skipCalls = 120, .times = 1});
        EXPECT_FALSE(messages::runEntryPoint([] { TAbstrAcadObj failing; }));
        sim.clearFaults();
    }
    EXPECT_EQ(read[0], read[1]);
    EXPECT_EQ(read[0][5].Name, QStringLiteral("Слой F5"));
    EXPECT_EQ(recorder.all, QStringList(2, ResStrings::text(ResStrings::SAcadNotReady)));
}

// A walker that answers a walk with an error of its own (a model space it
// may not walk) hands the walk to the program, which gives the same rows,
// matches and layers; a link that fails is the command's failure, wherever
// the walk runs.
TEST(FailingWalker, HandsTheWalkToTheProgramUnlessTheLinkFailed)
{
    MessageRecorder recorder;
    CadTestEnvironment environment{ProgramFolder, u'/'};
    cadsim::Simulator sim(drawingWithFaults());
    sim.setSecureLoad(0);
    const int64_t wanted = sim.activeDrawing().entities()[20].objectId;
    const automation::Registration running = automation::registerActiveObject(u"AutoCAD.Application", sim.application());
    const auto failure = std::make_shared<std::function<void()>>([] {});
    const auto offerTheWalker = [&] {
        sim.setInterfaceObjectSource([failure](const std::u16string&) -> std::optional<cadsim::InterfaceObjectLibrary> {
            return cadsim::InterfaceObjectLibrary{u"/opt/vedoris/w.so",
                                                  [failure] { return std::make_shared<WalkerThatFails>(failure); }};
        });
    };
    const auto walkWith = [&](ModelSpaceWalker& walker) {
        std::vector<walk::PipeRow> rows;
        walker.collectPipes(61, QStringLiteral("%1 %2"), [&](walk::PipeRow&& row) { rows.push_back(std::move(row)); });
        std::vector<std::u16string> found;
        walker.findEntities(61, Variant::i8(wanted), QStringLiteral("%1 %2"),
                            [&](const std::u16string& handle) { found.push_back(handle); });
        return std::pair(rows, found);
    };

    sim.setInterfaceObjectSource(walkerIf(false));
    TAbstrAcadObj reference;
    ModelSpaceWalker here(reference);
    const auto expected = walkWith(here);
    ASSERT_EQ(expected.first.size(), 30u);
    ASSERT_EQ(expected.second.size(), 1u);

    offerTheWalker();
    *failure = [] { throw automation::AutomationError(automation::hr::Disp_E_TypeMismatch, u"not a model space of this CAD"); };
    TAbstrAcadObj refused;
    EXPECT_EQ(refused.FLayers()->Count(), reference.FLayers()->Count());
    ModelSpaceWalker walker(refused);
    EXPECT_TRUE(walker.inCad());
    EXPECT_EQ(walkWith(walker), expected);
    EXPECT_FALSE(walker.inCad()); // asked once, not once a chunk

    *failure = [] { throw automation::LinkFailure(automation::hr::Rpc_E_Disconnected, u"gone"); };
    EXPECT_FALSE(messages::runEntryPoint([] { TAbstrAcadObj unlinked; }));
    *failure = [] {};
    TAbstrAcadObj attached;
    ModelSpaceWalker linked(attached);
    *failure = [] { throw automation::LinkFailure(automation::hr::Rpc_E_Disconnected, u"gone"); };
    EXPECT_THROW(walkWith(linked), automation::LinkFailure);
    EXPECT_TRUE(linked.inCad());
    EXPECT_TRUE(recorder.all.size() == 1) << recorder.all.join('|').toStdString();
}

TEST(ChunkPacer, AimsAtItsTargetGrowingAndShrinkingAtMostFourfold)
{
    ChunkPacer pacer(100, 100ms);
    pacer.took(100, 10ms); // ten times too fast
    EXPECT_EQ(pacer.size(), 400);
    pacer.took(400, 100ms);
    EXPECT_EQ(pacer.size(), 400);
    pacer.took(400, 2s); // twenty times too slow
    EXPECT_EQ(pacer.size(), 100);
    pacer.took(0, 1s); // nothing walked: nothing learnt
    EXPECT_EQ(pacer.size(), 100);
    for (int i = 0; i < 20; ++i)
        pacer.took(pacer.size(), 0ns);
    EXPECT_EQ(pacer.size(), ChunkPacer::largest);
    for (int i = 0; i < 20; ++i)
        pacer.took(pacer.size(), 1h);
    EXPECT_EQ(pacer.size(), ChunkPacer::smallest);
}

} // namespace
