#include "cad/TAbstrAcadObj.h"

#include "CadTestEnvironment.h"
#include "FakeCad.h"
#include "support/FakeWindowSystem.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

class CadCommands : public ::testing::Test {
protected:
    void SetUp() override { acad = std::make_unique<TAbstrAcadObj>(); }

    MessageRecorder recorder;
    CadTestEnvironment environment;
    FakeWindowSystem::Installed desktop;
    FakeCad cad;
    automation::Registration running = cad.registerRunning();
    std::unique_ptr<TAbstrAcadObj> acad;
};

struct WindowCase {
    const char* name;
    QString caption;
    std::vector<os::TopLevelWindow> windows;
    QList<quint64> foreground;
};

class ActivateCadWindow : public CadCommands, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(ActivateCadWindow, FirstTitleInZOrderThatContainsTheCaption)
{
    cad.caption = GetParam().caption;
    desktop.fake().windows = GetParam().windows;
    acad->ActivateCadWindow();
    EXPECT_EQ(desktop.fake().foreground, GetParam().foreground);
}

const QString Caption = QStringLiteral("AutoCAD 2014 - [Drawing1.dwg]");

INSTANTIATE_TEST_SUITE_P(Windows, ActivateCadWindow,
    ::testing::Values(
        WindowCase{"ExactTitle", Caption, {{1, "Ведорис"}, {2, Caption}}, {2}},
        WindowCase{"TitleContainsCaption", Caption, {{1, "x"}, {2, "Autodesk " + Caption + " (read only)"}}, {2}},
        WindowCase{"FirstInZOrderWins", Caption, {{5, Caption + " - Layer manager"}, {6, Caption}}, {5}},
        WindowCase{"CaseSensitive", Caption, {{1, Caption.toUpper()}}, {}},
        WindowCase{"NoWindowHasIt", Caption, {{1, "Ведорис"}, {2, "AutoCAD"}}, {}},
        WindowCase{"EmptyDesktop", Caption, {}, {}},
        WindowCase{"EmptyCaptionMatchesNothing", "", {{1, ""}, {2, "AutoCAD"}}, {}},
        // Only the first 254 characters of a title take part.
        WindowCase{"CaptionWithinTitleLimit", "tail", {{3, QString(250, u'x') + "tail"}}, {3}},
        WindowCase{"CaptionBeyondTitleLimit", "tail", {{3, QString(251, u'x') + "tail"}}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CadCommands, CaptionFailureLeavesActivate)
{
    cad.application->failing = {u"Caption"};
    EXPECT_THROW(acad->ActivateCadWindow(), automation::AutomationError);
}

TEST_F(CadCommands, RunCommandSendsByReferenceAndWaitsForIdle)
{
    cad.busyPollsAfterCommand = 4; // a command waiting for its user's input
    acad->RunCommand(QStringLiteral("(load \"tr.fas\") "));
    EXPECT_EQ(cad.sentCommands, QStringList{QStringLiteral("(load \"tr.fas\") ")});
    EXPECT_TRUE(cad.sendCommandByRef);
    // Idle when asked first, so the text went at once; then asked until idle.
    EXPECT_EQ(cad.pollsBeforeCommand, 1);
    EXPECT_EQ(cad.polls, 6);
    // One pause before every question after the command, the first one too.
    EXPECT_EQ(environment.sleeps, QList<int>(5, 200));
}

// Text sent while the user is at a prompt of a command of their own would be
// input to that command: it waits until the CAD is idle.
TEST_F(CadCommands, RunCommandSendsNothingUntilTheCadIsIdle)
{
    cad.busyPolls = 3;
    acad->RunCommand(QStringLiteral("(load \"tr.fas\") "));
    EXPECT_EQ(cad.pollsBeforeCommand, 4);
    EXPECT_EQ(cad.sentCommands.size(), 1);
    EXPECT_EQ(cad.polls, 5);
    EXPECT_EQ(environment.sleeps, QList<int>(4, 200));
}

TEST_F(CadCommands, RunCommandFailuresLeaveAtOnce)
{
    cad.document->failing = {u"SendCommand"};
    EXPECT_THROW(acad->RunCommand(QStringLiteral("x")), automation::AutomationError);
    EXPECT_EQ(cad.polls, 1);
    EXPECT_TRUE(environment.sleeps.isEmpty());

    cad.document->failing.clear();
    cad.state->failing = {u"IsQuiescent"};
    EXPECT_THROW(acad->RunCommand(QStringLiteral("x")), automation::AutomationError);
    EXPECT_TRUE(cad.sentCommands.isEmpty());
    EXPECT_TRUE(environment.sleeps.isEmpty());
}

} // namespace
