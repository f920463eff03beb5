#include "cad/FolderList.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Every element, taken one after another as the trust check walks the list.
QStringList elementsOf(const QString& list)
{
    QStringList elements;
    QString rest = list;
    while (!rest.isEmpty())
        elements << FolderList::takeFirst(rest);
    return elements;
}

TEST(FolderList, ElementsAreTakenExactlyAsWritten)
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
        EXPECT_EQ(elementsOf(QString::fromUtf8(c.list)), c.elements) << c.list;
}

TEST(FolderList, AppendsWithOneSemicolon)
{
    EXPECT_EQ(FolderList::appended(QString(), QStringLiteral("D:\\Tools")), QStringLiteral("D:\\Tools"));
    EXPECT_EQ(FolderList::appended(QStringLiteral("C:\\A"), QStringLiteral("D:\\Tools")), QStringLiteral("C:\\A;D:\\Tools"));
    EXPECT_EQ(FolderList::appended(QStringLiteral("C:\\A;"), QStringLiteral("D:\\Tools")), QStringLiteral("C:\\A;D:\\Tools"));
}

} // namespace
