#include "platform/sheet/DesktopOpener.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

struct LaunchCase {
    const char* name;
    QString program;
    QStringList arguments;
    bool shown;
    const char* reasonHolds; // a part of the reason, when not shown
};

class LaunchVerdict : public testing::TestWithParam<LaunchCase> {};

TEST_P(LaunchVerdict, FollowsHowTheOpenerEnds)
{
    const LaunchCase& c = GetParam();
    const sheet::Launch launch = sheet::launchAndJudge(c.program, c.arguments, 3s);
    EXPECT_EQ(launch.shown, c.shown);
    if (!c.shown) {
        EXPECT_TRUE(launch.reason.contains(QString::fromUtf8(c.reasonHolds))) << launch.reason.toStdString();
    }
}

const QString shell = QStringLiteral("/bin/sh");

INSTANTIATE_TEST_SUITE_P(
    Cases, LaunchVerdict,
    testing::Values(
        LaunchCase{"TookTheFile", shell, {"-c", "exit 0"}, true, ""},
        LaunchCase{"NoProgramForTheType", shell, {"-c", "exit 3"}, false, "Нет программы"},
        LaunchCase{"OtherFailure", shell, {"-c", "exit 4"}, false, "код 4"},
        LaunchCase{"Crashed", shell, {"-c", "kill -9 $$"}, false, "аварийно"},
        LaunchCase{"NotInstalled", QStringLiteral("vedoris-no-such-opener"), {}, false, "vedoris-no-such-opener"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LaunchVerdict, AnOpenerThatStaysIsShowingTheFile)
{
    // Where the opener runs the program itself, it lasts as long as the file is shown.
    const sheet::Launch launch = sheet::launchAndJudge(shell, {"-c", "sleep 2"}, 200ms);
    EXPECT_TRUE(launch.shown);
}

} // namespace
