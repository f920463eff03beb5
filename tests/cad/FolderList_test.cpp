#include "cad/FolderList.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderList, SplitsExactlyAsWritten)
{
    const struct {
        const char* list;
        QStringList elements;
    } cases[] = {
        {"", {}},
        {"C:\\A", {"C:\\A"}},
        {"C:\\A;C:\\B", {"C:\\A", "C:\\B"}},
        {"C:\\A;", {"C:\\A"}},
        {";C:\\A", {"", "C:\\A"}},
        {"C:\\A;;C:\\B", {"C:\\A", "", "C:\\B"}},
        {";", {""}},
        {" C:\\A ; c:\\b\\", {" C:\\A ", " c:\\b\\"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderList::split(QString::fromUtf8(c.list)), c.elements) << c.list;
}

TEST(FolderList, AppendsWithOneSemicolon)
{
    EXPECT_EQ(FolderList::appended(QString(), QStringLiteral("D:\\Tools")), QStringLiteral("D:\\Tools"));
    EXPECT_EQ(FolderList::appended(QStringLiteral("C:\\A"), QStringLiteral("D:\\Tools")), QStringLiteral("C:\\A;D:\\Tools"));
    EXPECT_EQ(FolderList::appended(QStringLiteral("C:\\A;"), QStringLiteral("D:\\Tools")), QStringLiteral("C:\\A;D:\\Tools"));
}

} // namespace
