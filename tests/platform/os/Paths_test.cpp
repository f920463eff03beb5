#include "platform/os/Executable.h"
#include "platform/os/Paths.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* name;
    QString path;
    QChar separator;
    QString folder;
};

class FolderOf : public ::testing::TestWithParam<PathCase> {};

TEST_P(FolderOf, TakesTheFolderPart)
{
    EXPECT_EQ(os::folderOf(GetParam().path, GetParam().separator), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Paths, FolderOf,
    ::testing::Values(
        PathCase{"WindowsFolder", QStringLiteral("D:\\Tools\\vedoris.exe"), u'\\', QStringLiteral("D:\\Tools")},
        PathCase{"WindowsDriveRoot", QStringLiteral("C:\\vedoris.exe"), u'\\', QStringLiteral("C:\\")},
        PathCase{"WindowsNested", QStringLiteral("C:\\a\\b\\c.exe"), u'\\', QStringLiteral("C:\\a\\b")},
        PathCase{"PosixFolder", QStringLiteral("/opt/vedoris/bin/vedoris"), u'/', QStringLiteral("/opt/vedoris/bin")},
        PathCase{"PosixRoot", QStringLiteral("/vedoris"), u'/', QStringLiteral("/")},
        PathCase{"NoSeparator", QStringLiteral("vedoris.exe"), u'\\', QString()},
        PathCase{"WindowsDriveRelative", QStringLiteral("C:v.exe"), u'\\', QStringLiteral("C:")},
        PathCase{"OtherSeparatorIsNoSeparator", QStringLiteral("D:/Tools/x.exe"), u'\\', QStringLiteral("D:")},
        PathCase{"NetworkShare", QStringLiteral("\\\\server\\tools\\v.exe"), u'\\', QStringLiteral("\\\\server\\tools")},
        PathCase{"BackslashIsAFileCharacterOnLinux", QStringLiteral("/a/b\\c"), u'/', QStringLiteral("/a")},
        PathCase{"ColonIsNoDriveOnLinux", QStringLiteral("/a/C:v"), u'/', QStringLiteral("/a")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Paths, JoinPutsExactlyOneSeparatorBetween)
{
    EXPECT_EQ(os::joinPath(QStringLiteral("D:\\Tools"), QStringLiteral("tr.fas"), u'\\'), QStringLiteral("D:\\Tools\\tr.fas"));
    EXPECT_EQ(os::joinPath(QStringLiteral("C:\\"), QStringLiteral("tr.fas"), u'\\'), QStringLiteral("C:\\tr.fas"));
    EXPECT_EQ(os::joinPath(QStringLiteral("C:\\A\\"), QStringLiteral("tr.fas"), u'\\'), QStringLiteral("C:\\A\\tr.fas"));
    EXPECT_EQ(os::joinPath(QStringLiteral("/opt"), QStringLiteral("tr.fas"), u'/'), QStringLiteral("/opt/tr.fas"));
    EXPECT_EQ(os::joinPath(QString(), QStringLiteral("tr.fas"), u'/'), QStringLiteral("tr.fas"));
}

TEST(Paths, TrailingSeparatorsGoExceptAtARoot)
{
    EXPECT_EQ(os::withoutTrailingSeparator(QStringLiteral("D:\\Tools\\"), u'\\'), QStringLiteral("D:\\Tools"));
    EXPECT_EQ(os::withoutTrailingSeparator(QStringLiteral("D:\\Tools\\\\"), u'\\'), QStringLiteral("D:\\Tools"));
    EXPECT_EQ(os::withoutTrailingSeparator(QStringLiteral("D:\\Tools"), u'\\'), QStringLiteral("D:\\Tools"));
    EXPECT_EQ(os::withoutTrailingSeparator(QStringLiteral("C:\\"), u'\\'), QStringLiteral("C:\\"));
    EXPECT_EQ(os::withoutTrailingSeparator(QStringLiteral("/"), u'/'), QStringLiteral("/"));
    EXPECT_EQ(os::withoutTrailingSeparator(QStringLiteral("/opt/"), u'/'), QStringLiteral("/opt"));
}

TEST(Executable, FolderHoldsTheRunningBinary)
{
    const QString path = os::executablePath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).isAbsolute());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(os::joinPath(os::executableFolder(), QFileInfo(path).fileName(), os::separator()), path);
    EXPECT_FALSE(os::executableFolder().endsWith(os::separator()));
}

} // namespace
