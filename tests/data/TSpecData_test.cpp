#include "support/PipeTableFixture.h"

#include "platform/db/DbError.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

struct FieldLayout {
    QString name;
    db::FieldType type;
    QString label;
    int width;
    QString format;
    bool visible;
};

std::vector<FieldLayout> layoutOf(const db::Dataset& table)
{
    std::vector<FieldLayout> out;
    for (const auto& f : table.fields()) {
        const db::FieldDef& d = f->def();
        out.push_back({d.name, d.type, d.displayLabel, d.displayWidth, d.displayFormat, d.visible});
    }
    return out;
}

bool operator==(const FieldLayout& a, const FieldLayout& b)
{
    return a.name == b.name && a.type == b.type && a.label == b.label && a.width == b.width && a.format == b.format
           && a.visible == b.visible;
}

void PrintTo(const FieldLayout& f, std::ostream* os)
{
    *os << f.name.toStdString() << " '" << f.label.toStdString() << "' " << f.width << " " << f.format.toStdString()
        << (f.visible ? " shown" : " hidden");
}

TEST(TSpecData, PipeTableFields)
{
    TSpecData module;
    using T = db::FieldType;
    const std::vector<FieldLayout> expected{
        {"FKey", T::AutoInc, "", 10, "", false},
        {"FObjectID", T::Integer, "", 10, "", false},
        {"FLayer", T::Text, "Слой", 20, "", true},
        {"FLength", T::Double, "Длинна, мм", 10, "0", true},
        {"FRmax", T::Double, "D наружный, мм", 10, "0", true},
        {"FRmin", T::Double, "D Внутр, мм", 10, "0", true},
        {"FHandle", T::Text, "", 10, "", false},
        {"FDrawing", T::Text, "", 10, "", false},
        {"FPath", T::Text, "Чертёж", 20, "", false}, // shown only for several drawings
    };
    EXPECT_EQ(layoutOf(*module.TTruba), expected);
    EXPECT_EQ(module.TTruba->indexFieldNames(), QStringLiteral("FLayer;FRmax"));
    EXPECT_EQ(module.TTrubaFLayer, &module.TTruba->fieldByName(QStringLiteral("FLayer")));
    EXPECT_EQ(module.TTrubaFRmin->index(), 5);
    EXPECT_EQ(module.TTrubaFLayer->def().size, 50);
}

TEST(TSpecData, TotalsViewFields)
{
    TSpecData module;
    using T = db::FieldType;
    const std::vector<FieldLayout> expected{
        {"FLength", T::Double, "Длинна,мм", 10, "0", true},
        {"FRmax", T::Double, "D наружн. мм", 10, "0", true},
        {"FRmin", T::Double, "D внутр. мм", 10, "0", true},
    };
    EXPECT_EQ(layoutOf(*module.VTruba), expected);
    EXPECT_EQ(module.VTruba->indexFieldNames(), QString());
    EXPECT_EQ(module.VTrubaFRmin, &module.VTruba->fieldByName(QStringLiteral("FRmin")));
}

TEST(TSpecData, ComponentsAndDataSources)
{
    TSpecData module;
    EXPECT_EQ(module.STruba->objectName(), QStringLiteral("STruba"));
    EXPECT_EQ(module.SVTruba->objectName(), QStringLiteral("SVTruba"));
    EXPECT_EQ(module.STruba->dataset(), module.TTruba);
    EXPECT_EQ(module.SVTruba->dataset(), module.VTruba);
    EXPECT_EQ(module.TTruba->sourceName(), QStringLiteral("TTruba"));
    EXPECT_EQ(module.VTruba->sourceName(), QStringLiteral("VTruba"));
    EXPECT_FALSE(module.ADOConnection.isConnected());
    EXPECT_FALSE(module.TTruba->isActive());
    EXPECT_FALSE(module.VTruba->isActive());
}

TEST(TSpecData, CreationPointsAtTheFileBesideTheExecutable)
{
    TSpecData module;
    const QString folder = QCoreApplication::applicationDirPath();
    EXPECT_EQ(module.ADOConnection.connectionString(),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/spec_base.mdb;Persist Security Info=False")
                  .arg(folder));
    EXPECT_EQ(module.ADOConnection.dataSource(), folder + QStringLiteral("/spec_base.mdb"));
}

TEST(TSpecData, OpensThePipeTableSorted)
{
    PipeTableFixture t;
    t.file.addRows({{.layer = QStringLiteral("Тепло"), .length = 1.0, .rmax = 108.0},
                    {.layer = QStringLiteral("Вода"), .length = 1.0, .rmax = 57.0},
                    {.layer = QStringLiteral("Тепло"), .length = 1.0, .rmax = 76.0},
                    {.layer = QStringLiteral("Вода"), .length = 1.0, .rmax = 32.0}});
    t.open();
    QStringList seen;
    for (t.data.TTruba->first(); !t.data.TTruba->eof(); t.data.TTruba->next())
        seen << t.data.TTrubaFLayer->asString() + QLatin1Char(' ') + t.data.TTrubaFRmax->displayText();
    EXPECT_EQ(seen, (QStringList{"Вода 32", "Вода 57", "Тепло 76", "Тепло 108"}));
}

TEST(TSpecData, TotalsSumLengthPerSize)
{
    PipeTableFixture t;
    t.file.addRows({{.length = 1000.4, .rmax = 57.0, .rmin = 50.0},
                    {.length = 500.0, .rmax = 57.0, .rmin = 50.0},
                    {.length = 200.0, .rmax = 57.0, .rmin = 49.0},
                    {.length = 300.0, .rmax = 32.0, .rmin = 25.0}});
    t.data.ADOConnection.open();
    t.data.VTruba->open();
    QStringList seen;
    for (t.data.VTruba->first(); !t.data.VTruba->eof(); t.data.VTruba->next()) {
        seen << QStringLiteral("%1 %2 %3").arg(t.data.VTrubaFLength->displayText(), t.data.VTrubaFRmax->displayText(),
                                               t.data.VTrubaFRmin->displayText());
    }
    EXPECT_EQ(seen, (QStringList{"300 32 25", "200 57 49", "1500 57 50"}));
    t.data.VTruba->first();
    EXPECT_THROW(t.data.VTruba->edit(), db::DbError);
}

} // namespace

namespace {

// The rows of several drawings show which drawing each belongs to, by its
// file's name, in a last column the user does not type into; the rows of one
// drawing, or of none, do not need it. The column follows the rows as they
// are opened, reloaded and deleted.
TEST(DrawingColumn, IsShownOnlyWhileTheTableHoldsSeveralDrawings)
{
    PipeTableFixture pipes({pipe("A", 1, 2, 0), pipe("B", 3, 4, 0), pipe("typed", 5, 6, 0)});
    pipes.file.exec(QStringLiteral("UPDATE TTruba SET FPath = '/project/Floor 1.dwg' WHERE FLayer = 'A'"));
    pipes.file.exec(QStringLiteral("UPDATE TTruba SET FPath = '/PROJECT/floor 1.dwg' WHERE FLayer = 'B'"));
    const auto settle = [] { QCoreApplication::processEvents(); };
    const db::Field& column = *pipes.data.TTrubaFPath;

    pipes.open();
    settle();
    EXPECT_FALSE(column.def().visible) << "one drawing, its file named in two cases";

    pipes.file.exec(QStringLiteral("UPDATE TTruba SET FPath = 'C:\\\\Project\\\\Floor 2.dwg' WHERE FLayer = 'B'"));
    pipes.data.TTruba->requery();
    settle();
    EXPECT_TRUE(column.def().visible);
    EXPECT_FALSE(column.def().editable);
    pipes.data.TTruba->first();
    EXPECT_EQ(column.displayText(), QStringLiteral("Floor 1.dwg"));
    pipes.data.TTruba->next();
    EXPECT_EQ(column.displayText(), QStringLiteral("Floor 2.dwg"));

    pipes.data.TTruba->deleteRecord(); // the one row of the second drawing
    settle();
    EXPECT_FALSE(column.def().visible);

    // A row read before rows kept their file is known by its drawing's identity.
    pipes.file.exec(QStringLiteral("UPDATE TTruba SET FDrawing = '{1}' WHERE FLayer = 'typed'"));
    pipes.data.TTruba->requery();
    settle();
    EXPECT_TRUE(column.def().visible);
}

} // namespace
