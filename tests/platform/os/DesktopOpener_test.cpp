#include "platform/os/DesktopOpener.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

TEST(DesktopOpener, AnInstalledOpenerIsHandedTheTargetAndTheWaitUnchangedAndAnswers)
{
    QStringList opened;
    std::vector<os::OpenWait> waits;
    const os::DesktopOpener previous = os::setDesktopOpener([&](const QString& target, os::OpenWait wait) {
        opened << target;
        waits.push_back(wait);
        return os::OpenVerdict{false, QStringLiteral("refused")};
    });
    const os::OpenVerdict verdict = os::openWithDesktop(QStringLiteral("www.example.com"), os::OpenWait::No);
    os::openWithDesktop(QStringLiteral("/tmp/Книга1.xlsx"), os::OpenWait::ForVerdict);
    os::setDesktopOpener(previous);
    EXPECT_EQ(opened, (QStringList{QStringLiteral("www.example.com"), QStringLiteral("/tmp/Книга1.xlsx")}));
    EXPECT_EQ(waits, (std::vector<os::OpenWait>{os::OpenWait::No, os::OpenWait::ForVerdict}));
    EXPECT_FALSE(verdict.shown);
    EXPECT_EQ(verdict.reason, QStringLiteral("refused"));
}

TEST(DesktopOpener, BareHostsBecomeWebAddresses)
{
    const struct {
        const char* given;
        const char* expected;
    } cases[] = {
        {"www.example.com", "http://www.example.com"},
        {"example.com/page?a=1", "http://example.com/page?a=1"},
        {" www.example.com ", "http://www.example.com"},
        {"http://example.com", "http://example.com"},
        {"https://example.com", "https://example.com"},
        {"mailto:support@example.com", "mailto:support@example.com"},
        {"/home/user/file.xlsx", "/home/user/file.xlsx"},
        {"C:\\Temp\\file.xlsx", "C:\\Temp\\file.xlsx"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(os::shellAddress(QString::fromUtf8(c.given)), QString::fromUtf8(c.expected)) << c.given;
}

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
    const os::OpenVerdict launch = os::launchAndJudge(c.program, c.arguments, 3s);
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
    const os::OpenVerdict launch = os::launchAndJudge(shell, {"-c", "sleep 2"}, 200ms);
    EXPECT_TRUE(launch.shown);
}

TEST(LaunchVerdict, NotWaitingJudgesOnlyWhetherTheOpenerStarted)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(os::launchAndJudge(shell, {"-c", "sleep 1; exit 3"}, 0ms).shown);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms) << "a link must not wait for the desktop";
    EXPECT_FALSE(os::launchAndJudge(QStringLiteral("vedoris-no-such-opener"), {}, 0ms).shown);
}

} // namespace
