#include "RecordedStandIn.h"

#include "platform/db/DbError.h"
#include "platform/db/Dataset.h"
#include "platform/db/Field.h"
#include "platform/dbwidgets/DBGrid.h"
#include "platform/messages/EntryPoint.h"
#include "reports/TWSumTruba.h"
#include "support/MessageRecorder.h"
#include "support/PipeTableFixture.h"

#include "ui_WSumTruba.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

// What the window showed while it was up: the grid's rows as display texts.
struct Shown {
    QStringList rows;
    bool queryOpen = false;
};

QStringList gridRows(const TWSumTruba& window)
{
    const QAbstractItemModel* model = window.ui().DBGrid1->model();
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells.append(model->index(r, c).data().toString());
        rows.append(cells.join(u' '));
    }
    return rows;
}

// Runs the command "Суммарная длинна" and, once the window is up, looks at it,
// does `whileShown` and closes it with `close`. Nothing when it never came up.
std::optional<Shown> runTotalsCommand(
    TWSumTruba& window, const std::function<void(TWSumTruba&)>& close = [](TWSumTruba& w) { w.ui().Button1->click(); },
    const std::function<void(TWSumTruba&)>& whileShown = {})
{
    std::optional<Shown> shown;
    QTimer::singleShot(0, &window, [&] {
        if (!window.isVisible())
            return;
        shown = Shown{gridRows(window), window.dataModule().VTruba->isActive()};
        if (whileShown)
            whileShown(window);
        close(window);
    });
    ShowTotals(window);
    QCoreApplication::processEvents(); // the check above, when the window never came up
    return shown;
}

} // namespace

TEST(TWSumTruba, IsLaidOutAsDesigned)
{
    PipeTableFixture pipes({pipe("A", 1, 2, 3)});
    pipes.open();
    TWSumTruba window;
    window.bindDataModule(pipes.data);
    const Ui::TWSumTruba& ui = window.ui();
    EXPECT_EQ(window.objectName(), QStringLiteral("WSumTruba"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Общее количество труб"));
    EXPECT_EQ(window.size(), QSize(481, 470));
    window.show();

    EXPECT_EQ(ui.Panel1->height(), 41);
    EXPECT_EQ(ui.Panel1->width(), window.width());
    EXPECT_EQ(ui.Panel1->geometry().bottom(), window.height() - 1);
    EXPECT_EQ(ui.DBGrid1->geometry().bottom() + 1, ui.Panel1->y());
    EXPECT_EQ(ui.Button2->text(), QStringLiteral("Экспорт в Excel"));
    EXPECT_EQ(ui.Button2->geometry(), QRect(8, 8, 105, 25));
    EXPECT_EQ(ui.Button1->text(), QStringLiteral("Ok"));
    EXPECT_EQ(ui.Button1->geometry(), QRect(392, 8, 75, 25));

    EXPECT_EQ(ui.DBGrid1->dataSource(), pipes.data.SVTruba);
    const QAbstractItemModel* model = ui.DBGrid1->model();
    ASSERT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Длинна,мм"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("D наружн. мм"));
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("D внутр. мм"));
}

TEST(TWSumTruba, ShowsTheTotalsIncludingARowJustAddedInTheMainTable)
{
    PipeTableFixture pipes({pipe("A", 1000.25, 57.0, 50.0), pipe("B", 20.0, 76.0, 70.0)});
    pipes.open();
    TWSumTruba window;
    window.bindDataModule(pipes.data);
    MessageRecorder messages;

    pipes.data.TTruba->append();
    pipes.data.TTrubaFLength->setAsFloat(500.5);
    pipes.data.TTrubaFRmax->setAsFloat(57.0);
    pipes.data.TTrubaFRmin->setAsFloat(50.0);

    const auto shown = runTotalsCommand(window);
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->queryOpen);
    EXPECT_EQ(shown->rows, (QStringList{QStringLiteral("1501 57 50"), QStringLiteral("20 76 70")}));
    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_EQ(pipes.data.TTruba->state(), db::DatasetState::Browse);
    EXPECT_EQ(pipes.file.rowCount(), 3);
    EXPECT_FALSE(pipes.data.VTruba->isActive()) << "closed again with the window";

    // A second showing runs the query anew and shows the same totals.
    const auto again = runTotalsCommand(window);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->rows, shown->rows);
}

TEST(TWSumTruba, TheCommandStopsBeforeTheWindowWhenItCannotGoOn)
{
    struct Case {
        const char* name;
        std::function<void(PipeTableFixture&)> prepare;
        QStringList messages;
    };
    const Case cases[] = {
        {"the database is not connected", [](PipeTableFixture& p) { p.data.ADOConnection.close(); }, {}},
        {"a new row without a length",
         [](PipeTableFixture& p) {
             p.data.TTruba->append();
             p.data.TTrubaFRmax->setAsFloat(5.0);
         },
         {QStringLiteral("Необходимо указать длинну!!!")}},
        {"a changed row without an outer diameter",
         [](PipeTableFixture& p) {
             p.data.TTruba->edit();
             p.data.TTrubaFRmax->setNull();
         },
         {QStringLiteral("Необходимо указать наружный диаметр!!!")}},
    };
    for (const Case& c : cases) {
        PipeTableFixture pipes({pipe("A", 1, 2, 3)});
        pipes.open();
        c.prepare(pipes);
        const db::DatasetState before = pipes.data.TTruba->state();
        TWSumTruba window;
        window.bindDataModule(pipes.data);
        MessageRecorder messages;
        std::optional<Shown> shown;
        const bool ranToItsEnd = messages::runEntryPoint([&] { shown = runTotalsCommand(window); });
        EXPECT_EQ(ranToItsEnd, c.messages.isEmpty()) << c.name << ": only a refused row ends the command early";
        EXPECT_FALSE(shown) << c.name;
        EXPECT_EQ(messages.all, c.messages) << c.name;
        EXPECT_EQ(pipes.data.TTruba->state(), before) << c.name;
    }
}

TEST(TWSumTruba, AClosedPipeTableFailsTheCommandWithTheDataLayerError)
{
    PipeTableFixture pipes({pipe("A", 1, 2, 3)});
    pipes.open();
    pipes.data.TTruba->close();
    TWSumTruba window;
    window.bindDataModule(pipes.data);
    std::optional<Shown> shown;
    EXPECT_THROW(shown = runTotalsCommand(window), db::DbError);
    EXPECT_FALSE(shown);
}

TEST(TWSumTruba, ADatabaseWithoutTheTotalsQueryShowsAnEmptyGridSilently)
{
    const QString tableOnly = QStringLiteral(
        "CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID INTEGER,"
        " FLayer TEXT, FLength REAL, FRmax REAL, FRmin REAL);");
    PipeTableFixture pipes(tableOnly, {pipe("A", 1, 2, 3)});
    pipes.open();
    TWSumTruba window;
    window.bindDataModule(pipes.data);
    RecordedStandIn standIn;
    MessageRecorder messages;

    // Exporting from the empty window still opens a workbook with the header row.
    const auto shown = runTotalsCommand(window, [](TWSumTruba& w) { w.ui().Button1->click(); },
                                        [&](TWSumTruba& w) {
                                            EXPECT_TRUE(messages.all.isEmpty());
                                            w.ui().Button2->click();
                                        });
    ASSERT_TRUE(shown);
    EXPECT_FALSE(shown->queryOpen);
    EXPECT_TRUE(shown->rows.isEmpty());
    EXPECT_EQ(messages.all, QStringList{QStringLiteral("Не удается запустить Excel!!!")});
    EXPECT_EQ(standIn.lastWorkbook().size(), 3u);
}

TEST(TWSumTruba, ExportsTheTotalsAndStaysOpen)
{
    PipeTableFixture pipes({pipe("A", 10.5, 57.0, 50.0)});
    pipes.open();
    TWSumTruba window;
    window.bindDataModule(pipes.data);
    RecordedStandIn standIn;
    MessageRecorder messages;
    bool openAfterExport = false;
    runTotalsCommand(window, [](TWSumTruba& w) { w.ui().Button1->click(); },
                     [&](TWSumTruba& w) {
                         w.ui().Button2->click();
                         openAfterExport = w.isVisible();
                     });
    EXPECT_TRUE(openAfterExport);
    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_EQ(standIn.lastWorkbook().at({2, 1}), automation::Variant::i4(10));
    EXPECT_EQ(standIn.lastWorkbook().at({2, 2}), automation::Variant::r8(57.0));
}

TEST(TWSumTruba, ClosesTheQueryWhateverClosesTheWindow)
{
    struct Case {
        const char* name;
        std::function<void(TWSumTruba&)> close;
        QDialog::DialogCode result;
    };
    const Case cases[] = {
        {"the Ok button", [](TWSumTruba& w) { w.ui().Button1->click(); }, QDialog::Accepted},
        {"the close box", [](TWSumTruba& w) { w.close(); }, QDialog::Rejected},
        {"hidden by the program", [](TWSumTruba& w) { w.hide(); }, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        PipeTableFixture pipes({pipe("A", 1, 2, 3)});
        pipes.open();
        TWSumTruba window;
        window.bindDataModule(pipes.data);
        const auto shown = runTotalsCommand(window, c.close);
        ASSERT_TRUE(shown) << c.name;
        EXPECT_TRUE(shown->queryOpen) << c.name;
        EXPECT_FALSE(pipes.data.VTruba->isActive()) << c.name;
        EXPECT_EQ(window.result(), c.result) << c.name;
    }
}

TEST(TWSumTruba, AFailureOfItsShowOrCloseIsReportedAndNeverLeavesTheWindowEvent)
{
    // Unbound, both handlers fail: the failures end at the program's reporter.
    TWSumTruba window;
    MessageRecorder messages;
    EXPECT_NO_THROW(window.show());
    EXPECT_NO_THROW(window.hide());
    ASSERT_EQ(messages.errors.size(), 2);
    EXPECT_TRUE(messages.errors.front().contains(QStringLiteral("not bound"))) << messages.errors.front().toStdString();
}
