#include "XlsxReader.h"

#include "platform/sheet/XlsxFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using automation::Variant;
using sheettest::FileCell;

TEST(XlsxFile, KeepsTextExactlyAndNumbersWithTheirFormat)
{
    QTemporaryDir folder;
    const QString path = sheet::reserveWorkbookFile(folder.path());
    const sheet::CellMap cells{
        {{1, 1}, Variant::bstr(u"D наружный, мм")},
        {{1, 2}, Variant::bstr(u"<a & \"b\"> 'ё' 管")},
        {{1, 3}, Variant::bstr(u"")},
        {{2, 1}, Variant::i4(-2147483647 - 1)},
        {{2, 2}, Variant::r8(0.1)},
        {{sheet::MaxRows, sheet::MaxColumns}, Variant::i2(1)},
    };
    sheet::writeXlsx(path, cells, folder.path());

    const auto read = sheettest::readXlsx(path);
    EXPECT_EQ(read.sheetName, QStringLiteral("Лист1"));
    EXPECT_EQ(read.cells.at({1, 1}).text, QStringLiteral("D наружный, мм"));
    EXPECT_EQ(read.cells.at({1, 2}).text, QStringLiteral("<a & \"b\"> 'ё' 管"));
    EXPECT_FALSE(read.cells.contains({1, 3})) << "an empty text leaves the cell blank";
    EXPECT_EQ(read.cells.at({2, 1}).number, -2147483648.0);
    EXPECT_TRUE(read.cells.at({2, 1}).wholeNumberFormat);
    EXPECT_EQ(read.cells.at({2, 2}).number, 0.1);
    EXPECT_FALSE(read.cells.at({2, 2}).wholeNumberFormat);
    EXPECT_EQ(read.cells.at({sheet::MaxRows, sheet::MaxColumns}).kind, FileCell::Kind::Number);

    // Only the workbook is left behind in the folder, no temporary parts.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QFileInfo(path).fileName()});
}

TEST(XlsxFile, FailsWithAReasonWhenTheFolderCannotTakeTheFile)
{
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("missing"));
    EXPECT_THROW(sheet::reserveWorkbookFile(missing), sheet::SaveError);
    try {
        sheet::writeXlsx(missing + QStringLiteral("/book.xlsx"), {}, folder.path());
        FAIL();
    } catch (const sheet::SaveError& e) {
        EXPECT_FALSE(e.reason().isEmpty());
    }
}
