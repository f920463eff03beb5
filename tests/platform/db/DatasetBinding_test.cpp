// Opening a table or view: binding fields to columns, the type check and the
// client-side sort.
#include "PipeTable.h"

#include "platform/db/DbError.h"

#include "DataEventLog.h"

#include <functional>

#include "support/DbErrorOf.h"

#include <gtest/gtest.h>

namespace {

using Row = TestDatabase::Row;

QString openError(db::Dataset& table)
{
    return dbErrorOf([&] { table.open(); });
}

// A column of a view, for a dataset over one.
db::FieldDef number(const char* name)
{
    db::FieldDef def;
    def.name = QString::fromLatin1(name);
    def.type = db::FieldType::Double;
    return def;
}

// Each file but the program's own differs from it in one point.
struct SchemaCase {
    const char* name;
    const char* schema; // nullptr: the program's schema
    const char* expectedError; // "" when the open must succeed
};

class DatasetSchemaTest : public testing::TestWithParam<SchemaCase> {};

TEST_P(DatasetSchemaTest, ChecksColumnsOnOpen)
{
    PipeTable t(GetParam().schema ? QString::fromUtf8(GetParam().schema) : TestDatabase::schemaSql());
    const QString error = openError(*t.table);
    const QString expected = QString::fromUtf8(GetParam().expectedError);
    if (expected.isEmpty()) {
        EXPECT_EQ(error, QString());
        EXPECT_TRUE(t.table->isActive());
    } else {
        EXPECT_EQ(error, expected);
        EXPECT_FALSE(t.table->isActive());
        EXPECT_EQ(t.table->state(), db::DatasetState::Inactive);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatasetSchemaTest,
    testing::Values(
        SchemaCase{"ProgramSchema", nullptr, ""},
        SchemaCase{"ExtraColumnsIgnored",
                   "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FNote TEXT, FObjectID INTEGER, "
                   "FLayer TEXT, FLength REAL, FRmax REAL, FRmin REAL, FColor INTEGER, FHandle TEXT, FDrawing TEXT);",
                   ""},
        SchemaCase{"DeclaredTypesBySqliteAffinity",
                   "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID BIGINT, "
                   "FLayer NVARCHAR(50), FLength DOUBLE, FRmax FLOAT, FRmin DOUBLE PRECISION, "
                   "FHandle TEXT, FDrawing TEXT);",
                   ""},
        SchemaCase{"NamesIgnoreCase",
                   "CREATE TABLE ttruba (fkey INTEGER PRIMARY KEY AUTOINCREMENT, fobjectid INTEGER, "
                   "flayer TEXT, flength REAL, frmax REAL, frmin REAL, fhandle TEXT, fdrawing TEXT);",
                   ""},
        SchemaCase{"MissingTable", "CREATE TABLE Other (x INTEGER);",
                   "TTruba: No table or view of that name in the database"},
        SchemaCase{"MissingColumn",
                   "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID INTEGER, "
                   "FLayer TEXT, FLength REAL, FRmax REAL, FHandle TEXT, FDrawing TEXT);",
                   "TTruba: Field 'FRmin' not found"},
        SchemaCase{"LengthIsText",
                   "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID INTEGER, "
                   "FLayer TEXT, FLength TEXT, FRmax REAL, FRmin REAL, FHandle TEXT, FDrawing TEXT);",
                   "TTruba: Type mismatch for field 'FLength', expecting: Float actual: TEXT"},
        SchemaCase{"LengthIsInteger",
                   "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID INTEGER, "
                   "FLayer TEXT, FLength INTEGER, FRmax REAL, FRmin REAL, FHandle TEXT, FDrawing TEXT);",
                   "TTruba: Type mismatch for field 'FLength', expecting: Float actual: INTEGER"},
        SchemaCase{"LengthIsNumeric",
                   "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID INTEGER, "
                   "FLayer TEXT, FLength NUMERIC, FRmax REAL, FRmin REAL, FHandle TEXT, FDrawing TEXT);",
                   "TTruba: Type mismatch for field 'FLength', expecting: Float actual: NUMERIC"},
        SchemaCase{"ObjectIdIsReal",
                   "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID REAL, "
                   "FLayer TEXT, FLength REAL, FRmax REAL, FRmin REAL, FHandle TEXT, FDrawing TEXT);",
                   "TTruba: Type mismatch for field 'FObjectID', expecting: Integer actual: REAL"},
        SchemaCase{"KeyWithoutAutoincrement",
                   "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY, FObjectID INTEGER, "
                   "FLayer TEXT, FLength REAL, FRmax REAL, FRmin REAL, FHandle TEXT, FDrawing TEXT);",
                   "TTruba: Type mismatch for field 'FKey', expecting: AutoInc actual: INTEGER"},
        SchemaCase{"KeyNotPrimary",
                   "CREATE TABLE TTruba (FKey INTEGER, FObjectID INTEGER, "
                   "FLayer TEXT, FLength REAL, FRmax REAL, FRmin REAL, FHandle TEXT, FDrawing TEXT);",
                   "TTruba: Type mismatch for field 'FKey', expecting: AutoInc actual: INTEGER"},
        SchemaCase{"StrayTextInRealColumn",
                   "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID INTEGER, "
                   "FLayer TEXT, FLength REAL, FRmax REAL, FRmin REAL, FHandle TEXT, FDrawing TEXT);"
                   "INSERT INTO TTruba (FLength) VALUES ('длинная');",
                   "TTruba: Type mismatch for field 'FLength', expecting: Float actual: TEXT"}),
    [](const testing::TestParamInfo<SchemaCase>& info) { return std::string(info.param.name); });

// A view opened by name, as the totals are: a computed column has no declared
// type, so its values decide.
struct ViewCase {
    const char* name;
    const char* view;
    const char* expectedError;
};

class DatasetViewTest : public testing::TestWithParam<ViewCase> {};

TEST_P(DatasetViewTest, ChecksViewColumns)
{
    TestDatabase file;
    file.addRows({{.layer = QStringLiteral("A"), .length = 100.0, .rmax = 20.0, .rmin = 10.0}});
    file.exec(QString::fromUtf8(GetParam().view));
    db::Connection connection;
    connection.setConnectionString(file.connectionString());
    db::Dataset view(connection, QStringLiteral("VTest"));
    view.addField(number("FLength"));
    view.addField(number("FRmax"));
    view.addField(number("FRmin"));
    EXPECT_EQ(openError(view), QString::fromUtf8(GetParam().expectedError));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatasetViewTest,
    testing::Values(
        ViewCase{"Sum", "CREATE VIEW VTest AS SELECT SUM(FLength) AS FLength, FRmax, FRmin FROM TTruba GROUP BY FRmax, FRmin", ""},
        ViewCase{"IntegerValuesServeAsFloat",
                 "CREATE VIEW VTest AS SELECT COUNT(*) AS FLength, FRmax, FRmin FROM TTruba GROUP BY FRmax, FRmin", ""},
        ViewCase{"TextValues", "CREATE VIEW VTest AS SELECT FLayer || 'x' AS FLength, FRmax, FRmin FROM TTruba",
                 "VTest: Type mismatch for field 'FLength', expecting: Float actual: TEXT"},
        ViewCase{"DeclaredTextThroughView", "CREATE VIEW VTest AS SELECT FLayer AS FLength, FRmax, FRmin FROM TTruba",
                 "VTest: Type mismatch for field 'FLength', expecting: Float actual: TEXT"},
        ViewCase{"MissingColumn", "CREATE VIEW VTest AS SELECT SUM(FLength) AS FLength, FRmax FROM TTruba GROUP BY FRmax",
                 "VTest: Field 'FRmin' not found"}),
    [](const testing::TestParamInfo<ViewCase>& info) { return std::string(info.param.name); });

TEST(DatasetOpen, SortsByLayerThenOuterDiameterNullFirst)
{
    PipeTable t;
    t.file.addRows({
        {.layer = QStringLiteral("Б"), .rmax = 5.0},
        {.layer = QStringLiteral("а"), .rmax = 10.0},
        {.layer = QStringLiteral("Ж"), .rmax = 1.0},
        {.layer = QStringLiteral("А"), .rmax = 9.0},
        {.layer = QStringLiteral("а"), .rmax = -1.0},
        {.layer = std::nullopt, .rmax = 1.0},
        {.layer = QStringLiteral("Ё"), .rmax = 1.0},
        {.layer = QStringLiteral("а"), .rmax = std::nullopt},
        {.layer = QStringLiteral(""), .rmax = 1.0},
        {.layer = QStringLiteral("Е"), .rmax = 2.0},
    });
    t.table->open();
    // Null before the empty text; case does not split a layer (its rows stay
    // ordered by diameter, numerically, Null first); Ё sorts beside Е, not
    // before А as its code point would have it.
    EXPECT_EQ(t.layers(), (QStringList{QStringLiteral("<null>"), QString(), QStringLiteral("а"), QStringLiteral("а"),
                                       QStringLiteral("А"), QStringLiteral("а"), QStringLiteral("Б"), QStringLiteral("Е"),
                                       QStringLiteral("Ё"), QStringLiteral("Ж")}));
    const int rmax = t.data.TTrubaFRmax->index();
    EXPECT_TRUE(db::isNull(t.table->valueAt(2, rmax)));
    EXPECT_EQ(std::get<double>(t.table->valueAt(3, rmax)), -1.0);
    EXPECT_EQ(std::get<double>(t.table->valueAt(4, rmax)), 9.0);
    EXPECT_EQ(std::get<double>(t.table->valueAt(5, rmax)), 10.0);
    EXPECT_EQ(t.table->recNo(), 0);
    EXPECT_TRUE(t.table->bof());
    EXPECT_FALSE(t.table->eof());
}

TEST(DatasetOpen, EqualKeysKeepTheFileOrder)
{
    PipeTable t;
    t.file.addRows({{.objectId = 1, .layer = QStringLiteral("T"), .rmax = 1.0},
                    {.objectId = 2, .layer = QStringLiteral("T"), .rmax = 1.0},
                    {.objectId = 3, .layer = QStringLiteral("t"), .rmax = 1.0}});
    t.table->open();
    t.table->first();
    std::vector<int64_t> ids;
    while (!t.table->eof()) {
        ids.push_back(t.data.TTrubaFObjectID->asInteger());
        t.table->next();
    }
    EXPECT_EQ(ids, (std::vector<int64_t>{1, 2, 3}));
}

TEST(DatasetOpen, NoIndexFieldsKeepsTheFileOrder)
{
    PipeTable t;
    t.table->setIndexFieldNames(QString());
    t.file.addRows({{.layer = QStringLiteral("B")}, {.layer = QStringLiteral("A")}});
    t.table->open();
    EXPECT_EQ(t.layers(), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
}

TEST(DatasetOpen, UnknownIndexFieldIsRefused)
{
    PipeTable t;
    EXPECT_THROW(t.table->setIndexFieldNames(QStringLiteral("FLayer;FColor")), db::DbError);
    EXPECT_EQ(t.table->indexFieldNames(), QStringLiteral("FLayer;FRmax"));
}

TEST(DatasetOpen, ResortKeepsTheCurrentRow)
{
    PipeTable t;
    t.file.addRows({{.layer = QStringLiteral("B"), .rmax = 1.0}, {.layer = QStringLiteral("A"), .rmax = 2.0}});
    t.table->open();
    t.table->last();
    ASSERT_EQ(t.data.TTrubaFLayer->asString(), QStringLiteral("B"));
    DataEventLog log(*t.table);
    t.table->setIndexFieldNames(QStringLiteral("FRmax"));
    EXPECT_EQ(log.count(db::DataEvent::AboutToReset), 1);
    EXPECT_EQ(log.count(db::DataEvent::Reset), 1);
    EXPECT_EQ(t.layers(), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
    EXPECT_EQ(t.data.TTrubaFLayer->asString(), QStringLiteral("B"));
}

TEST(DatasetOpen, WalksEveryRowOnceFromFirstToEof)
{
    PipeTable t;
    t.file.addRows({{.objectId = 1}, {.objectId = 2}, {.objectId = 3}});
    t.table->open();
    int visited = 0;
    for (t.table->first(); !t.table->eof(); t.table->next())
        ++visited;
    EXPECT_EQ(visited, 3);
    EXPECT_EQ(t.table->recNo(), 2);
    for (t.table->last(); !t.table->bof(); t.table->prior())
        --visited;
    EXPECT_EQ(visited, 0);
    EXPECT_EQ(t.table->recNo(), 0);
}

TEST(DatasetOpen, EmptyTable)
{
    PipeTable t;
    t.table->open();
    EXPECT_TRUE(t.table->isEmpty());
    EXPECT_EQ(t.table->recNo(), -1);
    EXPECT_TRUE(t.table->eof());
    EXPECT_TRUE(t.table->bof());
    EXPECT_THROW(t.data.TTrubaFLayer->value(), db::DbError);
    EXPECT_THROW(t.table->deleteRecord(), db::DbError);
}

TEST(DatasetOpen, OpensTheConnectionWhenNeeded)
{
    PipeTable t;
    ASSERT_FALSE(t.connection.isConnected());
    t.table->open();
    EXPECT_TRUE(t.connection.isConnected());
}

TEST(DatasetOpen, ClosedTableRefusesEverything)
{
    PipeTable t;
    const QString closed = QStringLiteral("TTruba: Cannot perform this operation on a closed dataset");
    for (auto op : std::vector<std::function<void()>>{[&] { t.table->first(); }, [&] { t.table->next(); },
                                                      [&] { t.table->insert(); }, [&] { t.table->edit(); },
                                                      [&] { t.table->deleteRecord(); },
                                                      [&] { t.table->checkBrowseMode(); },
                                                      [&] { (void)t.data.TTrubaFLayer->value(); }}) {
        EXPECT_EQ(dbErrorOf(op), closed);
    }
}

} // namespace
