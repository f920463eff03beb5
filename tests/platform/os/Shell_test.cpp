#include "platform/os/Shell.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

TEST(Shell, OpenGoesToTheInstalledOpenerUnchanged)
{
    QStringList opened;
    const os::ShellOpener previous = os::setShellOpener([&](const QString& a) { opened << a; });
    os::shellOpen(QStringLiteral("www.example.com"));
    os::shellOpen(QStringLiteral("mailto:support@example.com"));
    os::setShellOpener(previous);
    EXPECT_EQ(opened, (QStringList{QStringLiteral("www.example.com"), QStringLiteral("mailto:support@example.com")}));
}

TEST(Shell, BareHostsBecomeWebAddresses)
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

} // namespace
