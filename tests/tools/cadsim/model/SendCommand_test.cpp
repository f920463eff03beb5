// The command line: the load of the support program and the selection
// expression, the record of every text, and the idle state that follows.

#include "TestDrawing.h"

#include "cadsim/model/Simulator.h"

#include "platform/automation/BusyServer.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include <unistd.h>

using namespace automation;
using namespace cadsim;
using cadsim::testing::failureCode;
using cadsim::testing::failureOf;
using namespace std::chrono_literals;

namespace {

struct Cad {
    Simulator sim{cadsim::testing::sampleDrawing()};
    Variant app = sim.applicationVariant();
    Variant doc = get(app, u"ActiveDocument");

    void send(std::u16string text)
    {
        // The desktop program hands the text over by reference.
        Variant command = Variant::bstr(std::move(text));
        call(doc, u"SendCommand", Arg::ref(command));
    }
    bool quiescent() { return get(get(app, u"GetAcadState"), u"IsQuiescent").toBool(); }
};

TEST(SendCommand, RecordsEveryTextByteForByteInOrder)
{
    Cad cad;
    cad.sim.setSupportPath(u"/s");
    cad.sim.setFileExists([](const std::u16string&) { return true; });
    cad.send(u"(load \"tr.fas\") ");
    cad.sim.setFileExists([](const std::u16string&) { return false; });
    EXPECT_NE(failureCode([&] { cad.send(u"(load \"tr.fas\") "); }), 0); // refused, still recorded
    cad.send(u"_REGEN\n");
    cad.send(u"(sssetfirst nil (ssadd (handent \"100\"))) ");
    EXPECT_EQ(cad.sim.commands(), (std::vector<std::u16string>{u"(load \"tr.fas\") ", u"(load \"tr.fas\") ",
                                                                u"_REGEN\n",
                                                                u"(sssetfirst nil (ssadd (handent \"100\"))) "}));
}

TEST(SendCommand, LoadsAFileFoundInASupportFolder)
{
    Cad cad;
    cad.sim.setSupportPath(u"/cad/support;/opt/vedoris");
    cad.sim.setFileExists([](const std::u16string& path) { return path == u"/opt/vedoris/tr.fas"; });
    cad.send(u"(load \"tr.fas\") ");
    EXPECT_EQ(cad.sim.loadedFiles(), (std::vector<LoadedFile>{{u"tr.fas", u"/opt/vedoris/tr.fas"}}));
}

TEST(SendCommand, RefusesALoadThatNoSupportFolderHolds)
{
    Cad cad;
    cad.sim.setSupportPath(u"/cad/support");
    cad.sim.setFileExists([](const std::u16string&) { return false; });
    const AutomationError e = failureOf([&] { cad.send(u"(load \"tr.fas\") "); });
    EXPECT_EQ(e.code(), hr::E_Fail);
    EXPECT_EQ(e.description(), u"LOAD failed: tr.fas");
    EXPECT_EQ(e.member(), u"SendCommand");
    EXPECT_TRUE(cad.sim.loadedFiles().empty());
}

TEST(SendCommand, LoadsFromARealFolder)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("cadsim-support-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "tr.fas") << "placeholder";

    Cad cad;
    cad.sim.setSupportPath(u"/nonexistent;" + folder.u16string());
    cad.send(u"(load \"tr.fas\") ");
    ASSERT_EQ(cad.sim.loadedFiles().size(), 1u);
    EXPECT_EQ(cad.sim.loadedFiles()[0].path, (folder / "tr.fas").u16string());
    std::filesystem::remove_all(folder);
}

struct SelectCase {
    const char* name;
    std::vector<std::u16string> before;
    std::u16string command;
    std::vector<std::u16string> after;
};

class SelectionExpression : public ::testing::TestWithParam<SelectCase> {};

const SelectCase selectCases[] = {
    {"SelectsTheEntity", {}, u"(sssetfirst nil (ssadd (handent \"101\"))) ", {u"101"}},
    {"ReplacesTheSelection", {u"100", u"102"}, u"(sssetfirst nil (ssadd (handent \"101\"))) ", {u"101"}},
    {"WithoutTrailingBlank", {}, u"(sssetfirst nil (ssadd (handent \"102\")))", {u"102"}},
    {"HandleInOtherCase", {}, u"(sssetfirst nil (ssadd (handent \"1a0\"))) ", {u"1A0"}},
    {"UnknownHandleEmptiesIt", {u"100"}, u"(sssetfirst nil (ssadd (handent \"FFFF\"))) ", {}},
    {"OtherTextLeavesIt", {u"100"}, u"(sssetfirst nil (ssadd (handent \"101\")) ) ", {u"100"}},
};

TEST_P(SelectionExpression, SetsThePickfirstSelection)
{
    Cad cad;
    cad.sim.editActiveDrawing([](Drawing& d) {
        Entity line;
        line.dxfName = u"LINE";
        line.handle = u"1A0";
        d.addEntity(line);
    });
    cad.sim.setSelectedHandles(GetParam().before);
    cad.send(GetParam().command);
    EXPECT_EQ(cad.sim.selectedHandles(), GetParam().after);
    EXPECT_EQ(get(get(cad.doc, u"PickfirstSelectionSet"), u"Count"),
              Variant::i4(static_cast<int32_t>(GetParam().after.size())));
}

INSTANTIATE_TEST_SUITE_P(Cadsim, SelectionExpression, ::testing::ValuesIn(selectCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PickfirstSelection, ClearEmptiesItAndItemGivesTheSelectedEntity)
{
    Cad cad;
    cad.send(u"(sssetfirst nil (ssadd (handent \"102\"))) ");
    const Variant set = get(cad.doc, u"PickfirstSelectionSet");
    EXPECT_EQ(get(call(set, u"Item", Variant::i4(0)), u"Handle"), Variant::bstr(u"102"));
    call(set, u"Clear");
    EXPECT_EQ(get(set, u"Count"), Variant::i4(0));
    EXPECT_TRUE(cad.sim.selectedHandles().empty());
}

// --- idle state ---

struct FakeClock {
    std::shared_ptr<std::chrono::steady_clock::time_point> now =
        std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::time_point{} + 1h);
    SteadyClock clock() const
    {
        return [now = now] { return *now; };
    }
};

TEST(Quiescence, IdleRightAfterACommandByDefault)
{
    Cad cad;
    EXPECT_TRUE(cad.quiescent());
    cad.send(u"REGEN ");
    EXPECT_TRUE(cad.quiescent());
}

TEST(Quiescence, BusyForTheIdleDelayAfterEachCommand)
{
    Cad cad;
    FakeClock clock;
    cad.sim.setClock(clock.clock());
    cad.sim.setIdleDelay(500ms);
    EXPECT_TRUE(cad.quiescent()); // no command yet

    cad.send(u"REGEN ");
    EXPECT_FALSE(cad.quiescent());
    *clock.now += 499ms;
    EXPECT_FALSE(cad.quiescent());
    *clock.now += 1ms;
    EXPECT_TRUE(cad.quiescent());

    cad.send(u"REGEN "); // each command starts the delay again
    EXPECT_FALSE(cad.quiescent());
}

TEST(Quiescence, MeasuresTheDelayWithTheSteadyClock)
{
    Cad cad;
    cad.sim.setIdleDelay(30ms);
    const auto sent = std::chrono::steady_clock::now();
    cad.send(u"REGEN ");
    while (!cad.quiescent())
        std::this_thread::sleep_for(2ms);
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 30ms);
}

TEST(Quiescence, BusyForAGivenNumberOfQueriesAfterEachCommand)
{
    Cad cad;
    cad.sim.setBusyQueriesPerCommand(3);
    cad.send(u"REGEN ");
    const Variant state = get(cad.app, u"GetAcadState"); // one state object, asked again and again
    std::vector<bool> answers;
    for (int i = 0; i < 5; ++i)
        answers.push_back(get(state, u"IsQuiescent").toBool());
    EXPECT_EQ(answers, (std::vector<bool>{false, false, false, true, true}));
    EXPECT_EQ(cad.sim.quiescenceQueries(), 5);
}

TEST(Quiescence, StaysBusyUntilReleasedFromAnotherThread)
{
    Cad cad;
    cad.sim.setStaysBusy(true);
    cad.send(u"REGEN ");
    std::thread releaser([sim = cad.sim]() mutable {
        while (sim.quiescenceQueries() < 3)
            std::this_thread::sleep_for(1ms);
        sim.setStaysBusy(false);
    });
    int polls = 0;
    while (!cad.quiescent())
        ++polls;
    releaser.join();
    EXPECT_GE(polls, 3);
}

// A command of the CAD's own user waits at its prompt: the CAD is not idle,
// and text sent from outside is input to that command, which runs none of it.
TEST(UserCommand, TakesTextAsItsInputUntilItEnds)
{
    Cad cad;
    cad.sim.setSupportPath(u"/s");
    cad.sim.setFileExists([](const std::u16string&) { return true; });
    std::vector<std::u16string> report;
    cad.sim.setCommandReport([&](const std::u16string& line) { report.push_back(line); });

    cad.sim.startUserCommand();
    EXPECT_FALSE(cad.quiescent());
    cad.send(u"(load \"tr.fas\") ");
    EXPECT_TRUE(cad.sim.loadedFiles().empty());
    EXPECT_FALSE(cad.quiescent());

    cad.sim.endUserCommand(); // Esc in the simulator's window
    EXPECT_TRUE(cad.quiescent());
    cad.send(u"(load \"tr.fas\") ");
    EXPECT_EQ(cad.sim.loadedFiles().size(), 1u);
    EXPECT_EQ(report, (std::vector<std::u16string>{u"input to the user's command (load \"tr.fas\") ",
                                                    u"ran (load \"tr.fas\") "}));
}

TEST(UserCommand, EndsByItselfWhenItsTimeIsUp)
{
    Cad cad;
    auto now = std::chrono::steady_clock::time_point{} + 1h;
    cad.sim.setClock([&] { return now; });
    cad.sim.startUserCommand(1500ms);
    EXPECT_FALSE(cad.quiescent());
    now += 1499ms;
    EXPECT_TRUE(cad.sim.userCommandPending());
    now += 1ms;
    EXPECT_TRUE(cad.quiescent());
    EXPECT_FALSE(cad.sim.userCommandPending());
}

// After each text the CAD reads it: calls are refused as busy, before any
// member runs, and taken again once that time is over.
TEST(BusyAfterCommand, RefusesEveryCallForAWhileAfterEachText)
{
    Cad cad;
    auto now = std::chrono::steady_clock::time_point{} + 1h;
    cad.sim.setClock([&] { return now; });
    cad.sim.setBusyAfterCommand(2000ms);
    EXPECT_TRUE(cad.quiescent());
    cad.send(u"REGEN ");
    EXPECT_THROW(cad.quiescent(), automation::CallRejected);
    EXPECT_THROW(get(cad.doc, u"Name"), automation::CallRejected);
    now += 2000ms;
    EXPECT_TRUE(cad.quiescent());
    EXPECT_EQ(get(cad.doc, u"Name"), Variant::bstr(cad.sim.activeDrawing().name()));
}

} // namespace
