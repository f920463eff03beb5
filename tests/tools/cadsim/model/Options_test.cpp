// The switches a test sets on the simulated CAD: busy, large ObjectIDs, no
// open document, planted faults; and what the host sees of it: change
// notifications, reads from another thread, objects outliving the host.

#include "TestDrawing.h"

#include "cadsim/model/Simulator.h"

#include "platform/automation/BusyServer.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ServedCalls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace automation;
using namespace cadsim;
using cadsim::testing::failureCode;
using cadsim::testing::failureOf;

namespace {

using Cad = cadsim::testing::SampleCad;

// --- busy ---

// A CAD's own thread never refuses itself: code it loaded into its process
// (a walker) is served while every caller from outside is refused.
TEST(Busy, ServesTheCodeItLoadedInsideItsOwnProcess)
{
    Cad cad;
    cad.sim.setBusy(true);
    EXPECT_THROW(get(cad.app, u"Version"), automation::CallRejected);
    const automation::InProcessCaller inside;
    EXPECT_NO_THROW(get(cad.app, u"Version"));
    EXPECT_NO_THROW(get(cad.modelSpace(), u"Count"));
}

TEST(Busy, RefusesEveryCallOnEveryObject)
{
    Cad cad;
    // Objects taken while idle are refused as well once the CAD is busy.
    const Variant doc = cad.doc();
    const Variant ms = cad.modelSpace();
    const Variant entity = cad.entity(0);
    const Variant layers = cad.layers();
    const Variant layer = call(layers, u"Item", Variant::i4(0));
    const Variant state = get(cad.app, u"GetAcadState");
    const Variant files = get(get(cad.app, u"Preferences"), u"Files");
    const Variant selection = get(doc, u"PickfirstSelectionSet");
    const Variant documents = get(cad.app, u"Documents");
    cad.sim.setBusy(true);

    const std::vector<std::pair<const char*, std::function<void()>>> calls{
        {"ActiveDocument", [&] { get(cad.app, u"ActiveDocument"); }},
        {"Version", [&] { get(cad.app, u"Version"); }},
        {"Documents.Add", [&] { call(documents, u"Add", Variant::omitted()); }},
        {"ModelSpace", [&] { get(doc, u"ModelSpace"); }},
        {"SendCommand", [&] { call(doc, u"SendCommand", Variant::bstr(u"REGEN ")); }},
        {"getVariable", [&] { call(doc, u"getVariable", Variant::bstr(u"TRUSTEDPATHS")); }},
        {"Count", [&] { get(ms, u"Count"); }},
        {"EntityType", [&] { get(entity, u"EntityType"); }},
        {"GetXData", [&] { Variant t, v; call(entity, u"GetXData", Variant::bstr(u"trb"), Arg::ref(t), Arg::ref(v)); }},
        {"Layers.Count", [&] { get(layers, u"Count"); }},
        {"Layer.Name", [&] { get(layer, u"Name"); }},
        {"IsQuiescent", [&] { get(state, u"IsQuiescent"); }},
        {"SupportPath", [&] { put(files, u"SupportPath", Variant::bstr(u"/x")); }},
        {"Selection.Clear", [&] { call(selection, u"Clear"); }},
        {"UnknownMember", [&] { get(doc, u"NoSuchMember"); }},
    };
    for (const auto& [name, f] : calls) {
        const AutomationError e = failureOf(f);
        EXPECT_EQ(e.code(), hr::Rpc_E_CallRejected) << name;
        EXPECT_EQ(e.description(), u"Call was rejected by callee.") << name;
    }
    EXPECT_TRUE(cad.sim.commands().empty());
    EXPECT_EQ(cad.sim.supportPath(), u"");

    cad.sim.setBusy(false);
    EXPECT_EQ(get(ms, u"Count"), Variant::i4(3));
}

// --- ObjectIDs ---

struct IdCase {
    const char* name;
    int64_t stored;
    bool large;
    Variant reported;
};

class ObjectIds : public ::testing::TestWithParam<IdCase> {};

const IdCase idCases[] = {
    {"SmallAsI4", 42, false, Variant::i4(42)},
    {"LargestI4", 2147483647, false, Variant::i4(2147483647)},
    {"AboveI4AsI8", 2147483648LL, false, Variant::i8(2147483648LL)},
    {"OffsetPastThirtyTwoBits", 5, true, Variant::i8((int64_t{1} << 32) + 5)},
    {"OffsetOfARealisticId", Drawing::firstObjectId, true, Variant::i8((int64_t{1} << 32) + Drawing::firstObjectId)},
};

TEST_P(ObjectIds, ArriveAsI4WhenTheyFitAndAsI8Otherwise)
{
    Drawing d(u"d");
    Entity e;
    e.dxfName = u"3DSOLID";
    e.objectId = GetParam().stored;
    d.addEntity(e);
    Simulator sim(std::move(d));
    sim.setLargeObjectIds(GetParam().large);
    const Variant entity =
        call(get(get(sim.applicationVariant(), u"ActiveDocument"), u"ModelSpace"), u"Item", Variant::i4(0));
    const Variant id = get(entity, u"ObjectID");
    EXPECT_EQ(id.type(), GetParam().reported.type());
    EXPECT_EQ(id, GetParam().reported);
}

INSTANTIATE_TEST_SUITE_P(Cadsim, ObjectIds, ::testing::ValuesIn(idCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- no active document ---

TEST(NoActiveDocument, ActiveDocumentFailsAndDocumentsAddOpensOne)
{
    Simulator sim;
    const Variant app = sim.applicationVariant();
    EXPECT_NE(failureCode([&] { get(app, u"ActiveDocument"); }), 0);
    EXPECT_EQ(get(app, u"Caption"), Variant::bstr(u"cadsim"));

    const Variant added = call(get(app, u"Documents"), u"Add", Variant::omitted());
    EXPECT_EQ(get(added, u"Name"), Variant::bstr(u"Drawing1.dwg"));
    EXPECT_EQ(get(get(added, u"ModelSpace"), u"Count"), Variant::i4(0));
    EXPECT_EQ(get(get(added, u"Layers"), u"Count"), Variant::i4(1));
    EXPECT_EQ(get(get(app, u"ActiveDocument"), u"Name"), Variant::bstr(u"Drawing1.dwg"));
    EXPECT_EQ(get(get(app, u"Documents"), u"Count"), Variant::i4(1));
    EXPECT_EQ(sim.addedDocumentTemplates(), (std::vector<Variant>{Variant::omitted()}));
    EXPECT_EQ(get(app, u"Caption"), Variant::bstr(u"cadsim - [Drawing1.dwg]"));
}

// The argument names the template the drawing starts from, as the CAD's own
// does: a text that names no file fails, and so opens nothing.
TEST(NoActiveDocument, DocumentsAddWantsAnExistingTemplateOrNone)
{
    Simulator sim;
    sim.setFileExists([](const std::u16string& path) { return path == u"C:\\Templates\\acad.dwt"; });
    const Variant app = sim.applicationVariant();
    const Variant documents = get(app, u"Documents");
    EXPECT_EQ(failureCode([&] { call(documents, u"Add", Variant::bstr(u"New Document")); }), hr::E_Fail);
    EXPECT_EQ(sim.documentCount(), 0);
    EXPECT_EQ(get(call(documents, u"Add", Variant::bstr(u"C:\\Templates\\acad.dwt")), u"Name"),
              Variant::bstr(u"Drawing1.dwg"));
    EXPECT_EQ(get(call(documents, u"Add"), u"Name"), Variant::bstr(u"Drawing2.dwg"));
    EXPECT_EQ(sim.documentCount(), 2);
}

TEST(NoActiveDocument, AFailingActiveDocumentWithADocumentOpen)
{
    Cad cad;
    cad.sim.failMember(ObjectKind::Application, u"activedocument");
    EXPECT_EQ(failureCode([&] { cad.doc(); }), hr::E_Fail);
    call(get(cad.app, u"Documents"), u"Add", Variant::omitted());
    EXPECT_EQ(cad.sim.documentCount(), 2);
    EXPECT_EQ(cad.sim.activeDrawing().name(), u"Drawing1.dwg");
}

// --- faults ---

TEST(Faults, AFailedMemberFailsOnlyThatMemberOfThatKind)
{
    Cad cad;
    cad.sim.failMember(ObjectKind::Document, u"ModelSpace");
    const AutomationError e = failureOf([&] { cad.modelSpace(); });
    EXPECT_EQ(e.code(), hr::E_Fail);
    EXPECT_EQ(e.description(), u"Simulated failure");
    EXPECT_EQ(e.member(), u"ModelSpace");
    EXPECT_EQ(get(cad.layers(), u"Count"), Variant::i4(3));

    cad.sim.clearFaults();
    EXPECT_EQ(get(cad.modelSpace(), u"Count"), Variant::i4(3));
}

// Reads every index in turn and says which calls failed.
std::vector<bool> walk(const Variant& collection, int32_t count)
{
    std::vector<bool> failed;
    for (int32_t i = 0; i < count; ++i)
        failed.push_back(failureCode([&] { call(collection, u"Item", Variant::i4(i)); }) != 0);
    return failed;
}

struct FaultCase {
    const char* name;
    Fault fault;
    std::vector<bool> firstWalk;
    std::vector<bool> secondWalk;
};

Fault itemFault(ObjectKind kind)
{
    Fault f;
    f.object = kind;
    f.member = u"Item";
    return f;
}

FaultCase faultCase(const char* name, ObjectKind kind, const std::function<void(Fault&)>& tune,
                    std::vector<bool> first, std::vector<bool> second)
{
    Fault f = itemFault(kind);
    tune(f);
    return {name, f, std::move(first), std::move(second)};
}

class FaultsOnItem : public ::testing::TestWithParam<FaultCase> {};

const FaultCase faultCases[] = {
    faultCase("EveryCall", ObjectKind::ModelSpace, [](Fault&) {}, {true, true, true}, {true, true, true}),
    faultCase("FromIndexOn", ObjectKind::ModelSpace, [](Fault& f) { f.fromIndex = 1; }, {false, true, true}, {false, true, true}),
    faultCase("AfterSomeCalls", ObjectKind::Layers, [](Fault& f) { f.skipCalls = 2; }, {false, false, true}, {true, true, true}),
    faultCase("OnceOnly", ObjectKind::Layers, [](Fault& f) { f.times = 1; }, {true, false, false}, {false, false, false}),
    faultCase("OnceFromIndex", ObjectKind::ModelSpace, [](Fault& f) { f.fromIndex = 2; f.times = 1; }, {false, false, true}, {false, false, false}),
    faultCase("OtherKindUntouched", ObjectKind::Documents, [](Fault&) {}, {false, false, false}, {false, false, false}),
};

TEST_P(FaultsOnItem, FailWhereTheyArePlanted)
{
    Cad cad;
    cad.sim.injectFault(GetParam().fault);
    const Variant collection = GetParam().fault.object == ObjectKind::Layers ? cad.layers() : cad.modelSpace();
    EXPECT_EQ(walk(collection, 3), GetParam().firstWalk);
    EXPECT_EQ(walk(collection, 3), GetParam().secondWalk);
}

INSTANTIATE_TEST_SUITE_P(Cadsim, FaultsOnItem, ::testing::ValuesIn(faultCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Faults, AnEntityFaultCanNameOneEntityAndItsCode)
{
    Cad cad;
    Fault f;
    f.object = ObjectKind::Entity;
    f.member = u"GetXData";
    f.handle = u"100";
    f.code = hr::Disp_E_UnknownName;
    cad.sim.injectFault(f);
    Variant t, v;
    EXPECT_EQ(failureCode([&] { call(cad.entity(0), u"GetXData", Variant::bstr(u"trb"), Arg::ref(t), Arg::ref(v)); }),
              hr::Disp_E_UnknownName);
    EXPECT_EQ(failureCode([&] { call(cad.entity(2), u"GetXData", Variant::bstr(u"trb"), Arg::ref(t), Arg::ref(v)); }), 0);
    EXPECT_EQ(get(cad.entity(0), u"Layer"), Variant::bstr(u"PIPES"));
}

// --- call record ---

TEST(CallRecord, NamesObjectMemberAndInvocationKind)
{
    Cad cad;
    cad.sim.setRecordCalls(true);
    const Variant ms = cad.modelSpace();
    call(ms, u"Item", Variant::i4(0));
    const std::vector<CallRecord> calls = cad.sim.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].object, ObjectKind::Application);
    EXPECT_EQ(calls[0].member, u"ActiveDocument");
    EXPECT_EQ(calls[0].kind, InvokeKind::MethodOrGet);
    EXPECT_EQ(calls[1].object, ObjectKind::Document);
    EXPECT_EQ(calls[2].object, ObjectKind::ModelSpace);
    EXPECT_EQ(calls[2].kind, InvokeKind::Method);
    EXPECT_EQ(calls[2].argumentCount, 1u);
}

// --- the host's side ---

TEST(Observers, HearOfEachChangeAfterItWasMade)
{
    Cad cad;
    std::vector<Change> heard;
    const int id = cad.sim.addObserver([&](Change c) {
        heard.push_back(c);
        // The lock is released: the observer may read the model.
        (void)cad.sim.selectedHandles();
    });

    call(cad.doc(), u"SendCommand", Variant::bstr(u"(sssetfirst nil (ssadd (handent \"100\"))) "));
    EXPECT_EQ(heard, (std::vector<Change>{Change::Selection, Change::Commands}));
    heard.clear();
    put(get(get(cad.app, u"Preferences"), u"Files"), u"SupportPath", Variant::bstr(u"/a"));
    call(cad.doc(), u"setVariable", Variant::bstr(u"TRUSTEDPATHS"), Variant::bstr(u"/a"));
    put(call(cad.layers(), u"Item", Variant::i4(0)), u"LayerOn", Variant::boolean(false));
    call(get(cad.doc(), u"PickfirstSelectionSet"), u"Clear");
    call(get(cad.app, u"Documents"), u"Add");
    EXPECT_EQ(heard, (std::vector<Change>{Change::Settings, Change::Settings, Change::Drawing, Change::Selection,
                                          Change::Documents}));
    heard.clear();
    get(cad.modelSpace(), u"Count"); // reads change nothing
    cad.sim.removeObserver(id);
    cad.sim.editActiveDrawing([](Drawing& d) { d.addLine(u"0"); });
    EXPECT_TRUE(heard.empty());
}

TEST(Observers, HearOfARefusedLoadCommand)
{
    Cad cad;
    int commands = 0;
    cad.sim.addObserver([&](Change c) { commands += c == Change::Commands; });
    EXPECT_NE(failureCode([&] { call(cad.doc(), u"SendCommand", Variant::bstr(u"(load \"none.fas\") ")); }), 0);
    EXPECT_EQ(commands, 1);
}

TEST(Host, ErasingAnEntityDropsItFromTheSelection)
{
    Cad cad;
    cad.sim.setSelectedHandles({u"100", u"nonsense", u"101"});
    EXPECT_EQ(cad.sim.selectedHandles(), (std::vector<std::u16string>{u"100", u"101"}));
    cad.sim.editActiveDrawing([](Drawing& d) { d.removeEntity(u"100"); });
    EXPECT_EQ(cad.sim.selectedHandles(), (std::vector<std::u16string>{u"101"}));
}

TEST(Host, ReadsWhileAClientWalksFromAnotherThread)
{
    Cad cad;
    cad.sim.editActiveDrawing([](Drawing& d) {
        for (int i = 0; i < 200; ++i)
            d.addPipe(u"PIPES", 100 + i, 10, 8);
    });
    std::atomic<bool> done{false};
    std::thread client([&] {
        const Variant ms = cad.modelSpace();
        const Variant doc = cad.doc();
        const int32_t count = get(ms, u"Count").toI4();
        for (int32_t i = 0; i < count; ++i) {
            const Variant e = call(ms, u"Item", Variant::i4(i));
            const Variant handle = get(e, u"Handle");
            call(doc, u"SendCommand", Variant::bstr(u"(sssetfirst nil (ssadd (handent \"" + handle.toBStr() + u"\"))) "));
        }
        done = true;
    });
    size_t reads = 0;
    while (!done) {
        reads += cad.sim.activeDrawing().entities().size() + cad.sim.selectedHandles().size();
        cad.sim.setSelectedHandles({});
    }
    client.join();
    EXPECT_GT(reads, 0u);
    EXPECT_EQ(cad.sim.commands().size(), 203u);
}

TEST(Lifetime, ObjectsOutliveTheHostAndHoldNoCycles)
{
    Variant entity;
    Variant state;
    {
        Simulator sim(cadsim::testing::sampleDrawing());
        const Variant app = sim.applicationVariant();
        entity = call(get(get(app, u"ActiveDocument"), u"ModelSpace"), u"Item", Variant::i4(0));
        state = get(app, u"GetAcadState");
    }
    EXPECT_EQ(get(entity, u"Handle"), Variant::bstr(u"100"));
    EXPECT_TRUE(get(state, u"IsQuiescent").toBool());
    // LeakSanitizer reports whatever a cycle would keep alive at exit.
}

} // namespace
