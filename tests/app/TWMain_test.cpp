#include "MainWindowFixture.h"

#include "ui_WMain.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/db/Dataset.h"
#include "platform/db/DbError.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QMenu>
#include <QMenuBar>

using MainWindowTest = MainWindowFixture;

namespace {

const QString ConnectionMessage = QStringLiteral("Не могу подключиться к базе данных.");

QStringList columnTitles(const TWMain& window)
{
    QStringList titles;
    const QAbstractItemModel* model = window.ui().DBGrid1->model();
    for (int c = 0; model && c < model->columnCount(); ++c)
        titles << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    return titles;
}

// Counts every call made to it: proof that a command did, or did not, reach
// for the CAD application.
class CountingCad final : public automation::Dispatch {
public:
    automation::Variant invoke(std::u16string_view, automation::InvokeKind, automation::Args) override
    {
        ++calls;
        throw automation::AutomationError(automation::hr::E_Fail, u"not expected");
    }
    int calls = 0;
};

} // namespace

TEST_F(MainWindowTest, ShowsItsCaptionMenusAndTheFourPipeColumns)
{
    start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Ведорис"));
    const Ui::TWMain& ui = window->ui();
    const QList<QAction*> top = ui.MainMenu1->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->menu(), ui.N1);
    EXPECT_EQ(ui.N1->title(), QStringLiteral("Файл"));
    EXPECT_EQ(ui.N2->title(), QStringLiteral("Данные"));
    EXPECT_EQ(ui.N5->title(), QStringLiteral("Справка"));
    EXPECT_EQ(ui.N1->actions(), (QList<QAction*>{ui.N4}));
    EXPECT_EQ(ui.N2->actions(), (QList<QAction*>{ui.N3, ui.N10, ui.N7, ui.N8}));
    EXPECT_EQ(ui.N5->actions(), (QList<QAction*>{ui.N6}));
    EXPECT_EQ(window->PopupMenu1->actions(), (QList<QAction*>{ui.N9}));
    const std::pair<QAction*, const char*> captions[] = {
        {ui.N4, "Выход"}, {ui.N3, "Получить размеры труб"}, {ui.N10, "Получить размеры труб из чертежей…"},
        {ui.N7, "Суммарная длинна"},
        {ui.N8, "Экспорт в Excel"}, {ui.N6, "О программе"}, {ui.N9, "Выделить"}};
    for (const auto& [action, caption] : captions) {
        EXPECT_EQ(action->text(), QString::fromUtf8(caption));
        EXPECT_TRUE(action->shortcut().isEmpty()) << caption;
    }
    EXPECT_EQ(columnTitles(*window),
              (QStringList{"Слой", "Длинна, мм", "D наружный, мм", "D Внутр, мм"}));
    EXPECT_EQ(window->centralWidget()->size(), QSize(400, 441));
    EXPECT_TRUE(messages.all.isEmpty());
}

TEST_F(MainWindowTest, MissingDatabaseShowsTheConnectionMessageOnceAndAnEmptyGrid)
{
    destroyInstances();
    const QString missing = database.folder() + QStringLiteral("/missing/spec_base.mdb");
    createInstances(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False").arg(missing));
    start();
    EXPECT_EQ(messages.all, QStringList{ConnectionMessage + QLatin1Char('\r') + missing});
    EXPECT_FALSE(data->TTruba->isActive());
    EXPECT_EQ(window->ui().DBGrid1->model()->rowCount(), 0);
    EXPECT_TRUE(window->close()); // the program still ends normally
}

namespace {

struct ForeignFileCase {
    const char* name;
    QByteArray content;
    const char* reason; // the second line of the message
};

class MainWindowForeignFileTest : public MainWindowFixture, public testing::WithParamInterface<ForeignFileCase> {};

QByteArray accessFile(const char* engine)
{
    return (QByteArray("\x00\x01\x00\x00", 4) + engine).leftJustified(4096, '\0');
}

// A file in the database's place that is not the program's database says
// what it is, and comes out of the attempt as it went in.
TEST_P(MainWindowForeignFileTest, ConnectionMessageSaysWhatTheFileIs)
{
    destroyInstances();
    TestDatabase foreign(QString(), QStringLiteral("other.mdb"));
    {
        QFile file(foreign.path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().content);
    }
    createInstances(foreign.connectionString());
    start();
    EXPECT_EQ(messages.all, QStringList{ConnectionMessage + QLatin1Char('\r') + QString::fromUtf8(GetParam().reason)});
    EXPECT_FALSE(data->TTruba->isActive());
    QFile file(foreign.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), GetParam().content);
}

const char* const AccessReason = "это база данных Microsoft Access старого формата; Ведорис хранит данные в SQLite";
const char* const NotSqliteReason = "не является базой данных SQLite";

INSTANTIATE_TEST_SUITE_P(
    Cases, MainWindowForeignFileTest,
    testing::Values(ForeignFileCase{"Jet", accessFile("Standard Jet DB"), AccessReason},
                    ForeignFileCase{"Ace", accessFile("Standard ACE DB"), AccessReason},
                    ForeignFileCase{"JetNameAlone", QByteArray("Standard Jet DB\0\0\0 not really", 30), NotSqliteReason},
                    ForeignFileCase{"Text", QByteArray("FLayer;FLength\nТруба;1000\n").repeated(100), NotSqliteReason},
                    ForeignFileCase{"Empty", QByteArray(), NotSqliteReason}),
    [](const testing::TestParamInfo<ForeignFileCase>& info) { return std::string(info.param.name); });

} // namespace

TEST_F(MainWindowTest, DatabaseWithoutThePipeTableGivesTheFailureAsTheReason)
{
    destroyInstances();
    TestDatabase other(QStringLiteral("CREATE TABLE Other (x INTEGER);"));
    createInstances(other.connectionString());
    start();
    ASSERT_EQ(messages.all.size(), 1);
    EXPECT_TRUE(messages.all[0].startsWith(ConnectionMessage + QLatin1Char('\r'))) << messages.all[0].toStdString();
    EXPECT_TRUE(messages.all[0].contains(QStringLiteral("TTruba"))) << messages.all[0].toStdString();
}

// A file that opens but cannot be written is said once, at start; from then
// on nothing can be typed that would only be refused, and a harvest does
// not reach for the CAD.
TEST_F(MainWindowTest, ReadOnlyDatabaseIsSaidOnceAndTakesNoEdits)
{
    database.addRows({{.objectId = 7, .layer = "А", .length = 1, .rmax = 20}});
    destroyInstances();
    createInstances(database.connectionString() + QStringLiteral(";Mode=Read"));
    auto cad = std::make_shared<CountingCad>();
    const automation::Registration running = automation::registerActiveObject(u"AutoCAD.Application", cad);
    start();
    const QString readOnly =
        QStringLiteral("База данных %1 открыта только для чтения: изменения не будут сохранены.").arg(database.path());
    EXPECT_EQ(messages.all, QStringList{readOnly});
    messages.clear();

    db::Dataset& table = *data->TTruba;
    ASSERT_TRUE(table.isActive());
    QAbstractItemModel* model = window->ui().DBGrid1->model();
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(model->index(0, 0), QStringLiteral("Б")));
    EXPECT_THROW(table.append(), db::DbError);
    EXPECT_THROW(table.edit(), db::DbError);
    EXPECT_THROW(table.deleteRecord(), db::DbError);
    EXPECT_EQ(table.state(), db::DatasetState::Browse);

    window->ui().N3->trigger();
    EXPECT_EQ(messages.all, QStringList{readOnly});
    EXPECT_EQ(cad->calls, 0);
    EXPECT_EQ(database.rows().size(), 1u);
    EXPECT_TRUE(window->close());
}

TEST_F(MainWindowTest, RowsAppearSortedByLayerThenOuterDiameter)
{
    database.addRows({{.layer = "Б", .length = 1, .rmax = 20},
                      {.layer = "А", .length = 2, .rmax = 30},
                      {.layer = "А", .length = 3, .rmax = 10}});
    start();
    const QAbstractItemModel* model = window->ui().DBGrid1->model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("А"));
    EXPECT_EQ(model->index(0, 2).data().toString(), QStringLiteral("10"));
    EXPECT_EQ(model->index(1, 2).data().toString(), QStringLiteral("30"));
    EXPECT_EQ(model->index(2, 0).data().toString(), QStringLiteral("Б"));
}

TEST_F(MainWindowTest, RowTypedInTheGridSurvivesARestart)
{
    start();
    appendRow(QStringLiteral("Трубы"), 1234.6, 57.5);
    EXPECT_TRUE(window->close());
    destroyInstances();

    createInstances(database.connectionString());
    start();
    ASSERT_EQ(data->TTruba->recordCount(), 1);
    EXPECT_EQ(data->TTrubaFLayer->asString(), QStringLiteral("Трубы"));
    EXPECT_EQ(data->TTrubaFLength->asFloat(), 1234.6);
    EXPECT_EQ(data->TTrubaFRmin->asFloat(), 0.0);
    EXPECT_EQ(window->ui().DBGrid1->model()->index(0, 1).data().toString(), QStringLiteral("1235"));
}

TEST_F(MainWindowTest, ClosingDropsAnUntouchedNewRowWithoutAWord)
{
    start();
    data->TTruba->append();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_EQ(database.rowCount(), 0);
    EXPECT_FALSE(data->TTruba->isActive());
}

TEST_F(MainWindowTest, ClosingWithARowThatLacksItsLengthKeepsTheWindowAndTheRow)
{
    start();
    db::Dataset& table = *data->TTruba;
    table.append();
    data->TTrubaFRmax->setAsFloat(50);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(messages.all, QStringList{"Необходимо указать длинну!!!"});
    EXPECT_TRUE(table.isActive());
    EXPECT_EQ(table.state(), db::DatasetState::Insert);
    EXPECT_EQ(data->TTrubaFRmax->asFloat(), 50.0);

    table.cancel();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(messages.all.size(), 1);
}

TEST_F(MainWindowTest, RefusedWriteOnCloseShowsTheErrorAndKeepsTheValues)
{
    start();
    // The file takes no new row, as when a disk fills or another program holds it.
    database.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON TTruba BEGIN SELECT RAISE(ABORT, 'full'); END"));
    db::Dataset& table = *data->TTruba;
    table.append();
    data->TTrubaFLength->setAsFloat(10);
    data->TTrubaFRmax->setAsFloat(20);
    EXPECT_FALSE(window->close());
    ASSERT_EQ(messages.errors.size(), 1);
    EXPECT_EQ(table.state(), db::DatasetState::Insert);
    EXPECT_EQ(data->TTrubaFLength->asFloat(), 10.0);
    table.cancel();
}

TEST_F(MainWindowTest, SelectDoesNothingWithoutAStoredObjectId)
{
    auto cad = std::make_shared<CountingCad>();
    const automation::Registration running = automation::registerActiveObject(u"AutoCAD.Application", cad);

    // The table closed, as after the connection message at start-up.
    window->N9Click();
    start();
    // An empty table.
    window->N9Click();
    // A row typed by hand carries no ObjectID.
    appendRow(QStringLiteral("Трубы"), 100, 20);
    window->N9Click();
    // Nor does a new row still being typed.
    data->TTruba->append();
    window->N9Click();
    data->TTruba->cancel();

    EXPECT_EQ(cad->calls, 0);
    EXPECT_TRUE(messages.all.isEmpty());
}
