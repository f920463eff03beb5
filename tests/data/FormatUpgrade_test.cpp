// A spec_base.mdb made by an earlier version of the program opens in this
// one: the pipe table gains the columns it lacks, every row kept.
#include "data/TSpecData.h"
#include "support/TestDatabase.h"

#include <QCryptographicHash>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// The pipe table as earlier versions of the program made it.
const QString SchemaWithoutHandles = QStringLiteral(
    "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID INTEGER, FLayer TEXT, "
    "FLength REAL, FRmax REAL, FRmin REAL);"
    "CREATE VIEW VTruba AS SELECT SUM(FLength) AS FLength, FRmax, FRmin FROM TTruba GROUP BY FRmax, FRmin;");
const QString SchemaWithHandlesWithoutDrawings = QStringLiteral(
    "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID INTEGER, FLayer TEXT, "
    "FLength REAL, FRmax REAL, FRmin REAL, FHandle TEXT);"
    "CREATE VIEW VTruba AS SELECT SUM(FLength) AS FLength, FRmax, FRmin FROM TTruba GROUP BY FRmax, FRmin;");

const QString SchemaWithDrawingsWithoutFiles = QStringLiteral(
    "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID INTEGER, FLayer TEXT, "
    "FLength REAL, FRmax REAL, FRmin REAL, FHandle TEXT, FDrawing TEXT);"
    "CREATE VIEW VTruba AS SELECT SUM(FLength) AS FLength, FRmax, FRmin FROM TTruba GROUP BY FRmax, FRmin;");

// A table another tool made, its name written in lower case: SQLite finds
// tables by name in any case, and so does the open.
const QString SchemaInLowerCase = QString(SchemaWithoutHandles).replace(QStringLiteral("TABLE TTruba"),
                                                                         QStringLiteral("TABLE ttruba"));

QByteArray fingerprint(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void openTable(const TestDatabase& database)
{
    TSpecData module;
    module.ADOConnection.setConnectionString(database.connectionString());
    module.ADOConnection.open();
    module.TTruba->open();
    EXPECT_EQ(module.TTruba->recordCount(), database.rowCount());
}

struct OlderFile {
    const char* name;
    const QString* schema;
    QStringList handlesAfterOpen;
};

class FormatUpgradeOf : public testing::TestWithParam<OlderFile> {};

TEST_P(FormatUpgradeOf, AnOlderFileGainsTheMissingColumnsWithEveryRowKept)
{
    const TestDatabase database(*GetParam().schema);
    const std::vector<TestDatabase::Row> rows = {
        {.objectId = 7, .layer = QStringLiteral("Трубы"), .length = 1000, .rmax = 57, .rmin = 50},
        {.layer = QStringLiteral("typed by hand"), .length = 12.5, .rmax = 20, .rmin = 0}};
    database.addRows(rows);
    if (GetParam().handlesAfterOpen.front() != QStringLiteral("(null)"))
        database.exec(QStringLiteral("UPDATE TTruba SET FHandle = '2A' WHERE FKey = 1"));

    openTable(database);

    EXPECT_EQ(database.rowsWithoutKeys(), rows);
    EXPECT_EQ(database.handles(), GetParam().handlesAfterOpen);
    EXPECT_EQ(database.drawings(), (QStringList{"(null)", "(null)"}));
    EXPECT_EQ(database.textColumn(QStringLiteral("FPath")), (QStringList{"(null)", "(null)"}));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, FormatUpgradeOf,
    testing::Values(OlderFile{"WithoutHandles", &SchemaWithoutHandles, {"(null)", "(null)"}},
                    OlderFile{"WithHandlesWithoutDrawings", &SchemaWithHandlesWithoutDrawings, {"2A", "(null)"}},
                    OlderFile{"WithDrawingsWithoutFiles", &SchemaWithDrawingsWithoutFiles, {"2A", "(null)"}},
                    OlderFile{"TableNamedInLowerCase", &SchemaInLowerCase, {"(null)", "(null)"}}),
    [](const testing::TestParamInfo<OlderFile>& info) { return std::string(info.param.name); });

TEST(FormatUpgrade, AFileOfThisVersionIsNotWrittenOnOpen)
{
    const TestDatabase database;
    database.addRows({{.objectId = 7, .layer = QStringLiteral("A"), .length = 1, .rmax = 2, .rmin = 0}});
    const QByteArray before = fingerprint(database.path());
    openTable(database);
    EXPECT_EQ(fingerprint(database.path()), before);
}

} // namespace
