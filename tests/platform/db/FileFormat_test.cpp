#include "platform/db/FileFormat.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using db::FileFormat;

QByteArray accessHeader(const char* engine)
{
    QByteArray header("\x00\x01\x00\x00", 4);
    header += engine;
    return header.leftJustified(2048, '\0');
}

struct FormatCase {
    const char* name;
    QByteArray bytes;
    FileFormat format;
};

class FileFormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FileFormatTest, IsToldByTheLeadingBytes)
{
    EXPECT_EQ(db::fileFormatOf(GetParam().bytes), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileFormatTest,
    testing::Values(
        FormatCase{"Sqlite", QByteArray("SQLite format 3\0\x10\x00", 18).leftJustified(100, '\0'), FileFormat::Sqlite},
        FormatCase{"SqliteNameWithoutItsZero", QByteArray("SQLite format 3"), FileFormat::Other},
        FormatCase{"SqliteNameFollowedByText", QByteArray("SQLite format 3.1"), FileFormat::Other},
        FormatCase{"Jet", accessHeader("Standard Jet DB"), FileFormat::AccessJet},
        FormatCase{"Ace", accessHeader("Standard ACE DB"), FileFormat::AccessAce},
        FormatCase{"JetNameWithoutThePageStart", QByteArray("    Standard Jet DB"), FileFormat::Other},
        FormatCase{"PageStartAlone", QByteArray("\x00\x01\x00\x00", 4), FileFormat::Other},
        FormatCase{"Text", QByteArray("FLayer;FLength\n"), FileFormat::Other},
        FormatCase{"Empty", QByteArray(), FileFormat::Other}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST(FileFormat, ReadsTheFileWithoutChangingIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("spec_base.mdb"));
    const QByteArray content = accessHeader("Standard Jet DB");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    EXPECT_EQ(db::readFileFormat(path), FileFormat::AccessJet);
    EXPECT_EQ(db::readFileFormat(dir.filePath(QStringLiteral("missing.mdb"))), FileFormat::Other);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), content);
}

} // namespace
