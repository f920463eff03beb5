#include "data/DatabasePath.h"

#include <gtest/gtest.h>

namespace {

const QString design = QString::fromUtf16(designConnectionString);

struct RewriteCase {
    const char* name;
    QString connectionString;
    const char* executable;
    char separator;
    QString expected;
};

class RewriteTest : public testing::TestWithParam<RewriteCase> {};

TEST_P(RewriteTest, PointsAtTheFileBesideTheExecutable)
{
    const RewriteCase& c = GetParam();
    EXPECT_EQ(rewriteConnectionString(c.connectionString, QString::fromUtf8(c.executable), QChar::fromLatin1(c.separator)),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RewriteTest,
    testing::Values(
        RewriteCase{"WindowsFolder", design, "D:\\Tools\\Vedoris.exe", '\\',
                    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=D:\\Tools\\spec_base.mdb;Persist Security Info=False"},
        RewriteCase{"RootOfDriveDoublesTheSeparator", design, "C:\\Vedoris.exe", '\\',
                    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\\\spec_base.mdb;Persist Security Info=False"},
        RewriteCase{"NetworkShare", design, "\\\\server\\tools\\Vedoris.exe", '\\',
                    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\\\\server\\tools\\spec_base.mdb;Persist Security Info=False"},
        RewriteCase{"LinuxFolder", design, "/opt/vedoris/bin/vedoris", '/',
                    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/vedoris/bin/spec_base.mdb;Persist Security Info=False"},
        RewriteCase{"LinuxRoot", design, "/vedoris", '/',
                    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=//spec_base.mdb;Persist Security Info=False"},
        RewriteCase{"FolderInsertedVerbatim", design, "D:\\Мои проекты; 2024\\Vedoris.exe", '\\',
                    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=D:\\Мои проекты; 2024\\spec_base.mdb;Persist Security Info=False"},
        RewriteCase{"LowerCasePlaceholderLeftAlone",
                    "Provider=Microsoft.Jet.OLEDB.4.0;Data [source];Persist Security Info=False", "D:\\Tools\\Vedoris.exe",
                    '\\', "Provider=Microsoft.Jet.OLEDB.4.0;Data [source];Persist Security Info=False"},
        RewriteCase{"NoPlaceholderLeftAlone", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=E:\\x.mdb",
                    "D:\\Tools\\Vedoris.exe", '\\', "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=E:\\x.mdb"},
        RewriteCase{"EveryPlaceholderLeftToRight", "[Source]|[Source]", "D:\\T\\v.exe", '\\',
                    "Source=D:\\T\\spec_base.mdb|Source=D:\\T\\spec_base.mdb"},
        RewriteCase{"InsertedTextIsNotRescanned", "Data [Source]", "/x/[Source]/v", '/',
                    "Data Source=/x/[Source]/spec_base.mdb"}),
    [](const testing::TestParamInfo<RewriteCase>& info) { return std::string(info.param.name); });

} // namespace
