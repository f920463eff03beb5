#include "MainWindowFixture.h"

#include "platform/messages/EntryPoint.h"
#include "app/TWProgress.h"
#include "cad/CadEnvironment.h"
#include "cadsim/model/Simulator.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/db/Dataset.h"
#include "platform/os/FileCopy.h"
#include "spec/TSpecification.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <map>

#include "platform/dbwidgets/DBGrid.h"
#include "platform/dbwidgets/DBNavigator.h"
#include "support/EventCounter.h"
#include "support/GridKeyboard.h"

#include "ui_WMain.h"

namespace {

// The main window with a simulated CAD running beside it: the harvest and
// the selection go the whole way from the menu handlers to the drawing.
class MainWindowWithCad : public MainWindowFixture, protected GridKeyboard {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        QFile pipeProgram(executableFolder.filePath(QStringLiteral("tr.fas")));
        ASSERT_TRUE(pipeProgram.open(QIODevice::WriteOnly));
        pipeProgram.close();
        const QString folder = executableFolder.path();
        m_environment = setCadEnvironment({[folder] { return folder; }, QLatin1Char('/'), &os::copyFile, [](int) {}});
        cad.setSupportPath(supportFolder.path().toStdU16String());
        m_running = automation::registerActiveObject(u"AutoCAD.Application", cad.application());
    }
    void TearDown() override
    {
        m_running.revoke();
        setCadEnvironment(m_environment);
        MainWindowFixture::TearDown();
    }

    cadsim::Simulator cad{cadsim::Drawing(u"pipes.dxf")};
    QTemporaryDir executableFolder;
    QTemporaryDir supportFolder;

private:
    CadEnvironment m_environment;
    automation::Registration m_running;
};

} // namespace

TEST_F(MainWindowWithCad, HarvestFillsTheGridSortedWithTheRightSizes)
{
    cad.editActiveDrawing([](cadsim::Drawing& d) {
        d.addPipe(u"Трубы_ХВС", 2500, 28.5, 25);
        d.addLine(u"0");
        d.addPipe(u"Трубы_ГВС", 1200, 16, 13.5);
        d.addPipe(u"Трубы_ГВС", 800, 10, 8);
    });
    start();
    window->N3Click();
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();

    const QAbstractItemModel* model = window->ui().DBGrid1->model();
    ASSERT_EQ(model->rowCount(), 3);
    const QStringList expected[] = {{"Трубы_ГВС", "800", "20", "16"},
                                    {"Трубы_ГВС", "1200", "32", "27"},
                                    {"Трубы_ХВС", "2500", "57", "50"}};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(model->index(row, column).data().toString(), expected[row][column])
                << "row " << row << " column " << column;
    // 57 is 57.0 shown whole; the stored diameter keeps its fraction.
    EXPECT_EQ(database.rows()[0].rmax, 57.0);
    EXPECT_EQ(database.rows()[1].rmin, 27.0);
}

TEST_F(MainWindowWithCad, SelectMakesTheCurrentRowsPipeTheSelectedEntity)
{
    cad.setLargeObjectIds(true);
    cad.editActiveDrawing([](cadsim::Drawing& d) {
        d.addPipe(u"А", 100, 10, 5);
        d.addPipe(u"Б", 200, 10, 5);
    });
    start();
    window->N3Click();
    data->TTruba->last();
    window->N9Click();
    const std::u16string secondHandle = cad.activeDrawing().entities()[1].handle;
    EXPECT_EQ(cad.selectedHandles(), std::vector<std::u16string>{secondHandle});
    ASSERT_FALSE(cad.commands().empty());
    EXPECT_EQ(cad.commands().back(), u"(sssetfirst nil (ssadd (handent \"" + secondHandle + u"\"))) ");
    EXPECT_TRUE(messages.all.isEmpty());
}

// "Выделить" acts on the row the user right-clicked, not on the row the
// cursor happened to be on.
TEST_F(MainWindowWithCad, SelectFromTheRightClickedRowSelectsThatRowsPipe)
{
    cad.editActiveDrawing([](cadsim::Drawing& d) {
        d.addPipe(u"А", 100, 10, 5);
        d.addPipe(u"Б", 200, 10, 5);
    });
    start();
    window->N3Click();
    dbwidgets::DBGrid& grid = *window->ui().DBGrid1;
    ASSERT_EQ(data->TTruba->recNo(), 0);

    const QPoint at = grid.visualRect(grid.model()->index(1, 0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid.viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid.viewport(), &event);
    ASSERT_TRUE(window->PopupMenu1->isVisible());
    window->PopupMenu1->hide();
    window->ui().N9->trigger();

    EXPECT_EQ(data->TTruba->recNo(), 1);
    EXPECT_EQ(cad.selectedHandles(), std::vector<std::u16string>{cad.activeDrawing().entities()[1].handle});
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
}

// The harvest replaces every row; a row the user is still typing, even one
// that could not be posted, never throws the harvested pipes away.
TEST_F(MainWindowWithCad, HarvestIsStoredWhateverRowIsPendingInTheGrid)
{
    cad.editActiveDrawing([](cadsim::Drawing& d) {
        d.addPipe(u"Т1", 1000, 28.5, 25);
        d.addPipe(u"Т2", 2000, 16, 13.5);
    });
    database.addRows({{.objectId = 9, .layer = QStringLiteral("old"), .length = 5, .rmax = 5, .rmin = 4}});
    struct Case {
        const char* name;
        bool newRow;
        const char* typedLength;
    };
    for (const Case& c : {Case{"new row without a length, 'abc' in the editor", true, "abc"},
                          Case{"edited row with a valid length not yet posted", false, "7"}}) {
        SCOPED_TRACE(c.name);
        destroyInstances();
        createInstances(database.connectionString());
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        dbwidgets::DBGrid& grid = *window->ui().DBGrid1;
        grid.setFocus();
        grid.setCurrentIndex(grid.model()->index(0, 0));
        if (c.newRow) {
            QTest::keyClick(&grid, Qt::Key_Insert);
            key(Qt::Key_X);
            key(Qt::Key_Tab);
        } else {
            grid.setCurrentIndex(grid.model()->index(0, 1));
        }
        type(QString::fromLatin1(c.typedLength));
        ASSERT_NE(data->TTruba->state(), db::DatasetState::Browse);

        window->ui().N3->trigger();

        EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
        EXPECT_EQ(data->TTruba->state(), db::DatasetState::Browse);
        EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
        const auto rows = database.rows();
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].layer, QStringLiteral("Т1"));
        EXPECT_EQ(rows[1].layer, QStringLiteral("Т2"));
        EXPECT_EQ(grid.model()->rowCount(), 2);
        EXPECT_EQ(grid.currentIndex().row(), 0);

        // The next harvest starts from the old row again.
        database.exec(QStringLiteral("DELETE FROM TTruba"));
        database.addRows({{.objectId = 9, .layer = QStringLiteral("old"), .length = 5, .rmax = 5, .rmin = 4}});
    }
}

// A harvest that cannot write (another program holds the file's write lock)
// takes nothing away: the row being typed stays in its edit, its text on
// screen, and is stored once the lock is gone.
TEST_F(MainWindowWithCad, AHarvestThatCannotWriteLeavesTheRowBeingTyped)
{
    cad.editActiveDrawing([](cadsim::Drawing& d) { d.addPipe(u"Т1", 1000, 28.5, 25); });
    database.addRows({{.objectId = 9, .layer = QStringLiteral("old"), .length = 5, .rmax = 5, .rmin = 4}});
    start();
    data->ADOConnection.setBusyTimeout(200);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    dbwidgets::DBGrid& grid = *window->ui().DBGrid1;
    grid.setFocus();
    grid.setCurrentIndex(grid.model()->index(0, 1));
    type(QStringLiteral("4444")); // the first key opens the editor
    QLineEdit* const editor = GridKeyboard::editor();
    ASSERT_NE(editor, nullptr);

    {
        const TestDatabase::WriteLock otherProgram(database.path());
        window->ui().N3->trigger();
    }

    ASSERT_EQ(messages.all.size(), 1) << messages.all.join('|').toStdString();
    EXPECT_TRUE(messages.all.front().contains(QStringLiteral("Cannot begin a transaction")))
        << messages.all.front().toStdString();
    EXPECT_EQ(data->TTruba->state(), db::DatasetState::Edit);
    ASSERT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), editor);
    EXPECT_EQ(editor->text(), QStringLiteral("4444"));
    EXPECT_EQ(database.rows().at(0).length, 5.0);

    // Enter ends the cell; the navigator's post stores the row.
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(data->TTrubaFLength->asFloat(), 4444.0);
    QTest::mouseClick(window->ui().DBNavigator1->button(dbwidgets::DBNavigator::Post), Qt::LeftButton);
    EXPECT_EQ(data->TTruba->state(), db::DatasetState::Browse);
    ASSERT_EQ(database.rows().size(), 1u);
    EXPECT_EQ(database.rows()[0].length, 4444.0);
}

namespace {

// The harvest with the program's own progress window and the real pause
// between the CAD's idle answers.
class HarvestWithProgress : public MainWindowWithCad {
protected:
    void SetUp() override
    {
        MainWindowWithCad::SetUp();
        progressWindow = std::make_unique<TWProgress>(window);
        m_previousDisplay = progress::setDisplay(progressWindow.get());
        CadEnvironment environment = cadEnvironment();
        environment.sleepMilliseconds = [](int milliseconds) { progress::pause(milliseconds); };
        m_previousEnvironment = setCadEnvironment(environment);
        cad.editActiveDrawing([](cadsim::Drawing& d) { d.addPipe(u"Т1", 1000, 28.5, 25); });
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    void TearDown() override
    {
        setCadEnvironment(m_previousEnvironment);
        progress::setDisplay(m_previousDisplay);
        progressWindow.reset();
        MainWindowWithCad::TearDown();
    }

    std::unique_ptr<TWProgress> progressWindow;

private:
    progress::Display* m_previousDisplay = nullptr;
    CadEnvironment m_previousEnvironment;
};

} // namespace

TEST_F(HarvestWithProgress, AShortHarvestShowsNoProgressWindow)
{
    const EventCounter shows(progressWindow.get(), QEvent::Show);
    window->ui().N3->trigger(); // one idle question, 200 ms after the load command
    EXPECT_EQ(shows.count, 0);
    EXPECT_EQ(database.rowCount(), 1);
}

// While the CAD stays busy after the load command, the program waits for it
// with its windows drawn and the wait explained, and takes no input: a click
// on the menu opens nothing, and no command starts inside the harvest.
TEST_F(HarvestWithProgress, TheWaitForABusyCadIsShownKeepsTheWindowsDrawnAndTakesNoInput)
{
    cad.setBusyQueriesPerCommand(5); // about 1.2 s of waiting
    EventCounter paints(window->ui().DBGrid1->viewport(), QEvent::Paint);
    bool shown = false;
    QString title, stage;
    bool menuOpened = false;
    bool nestedCommandRan = false;
    int paintsBefore = 0;
    QTimer::singleShot(700, window, [&] {
        shown = progressWindow->isVisible();
        title = progressWindow->windowTitle();
        stage = progressWindow->stageText();
        QMenuBar* bar = window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(window->ui().N2->menuAction()).center());
        menuOpened = window->ui().N2->isVisible();
        messages::runEntryPoint([&] { nestedCommandRan = true; });
        window->ui().N4->trigger(); // "Выход" does not close the window either
        paintsBefore = paints.count;
        window->ui().DBGrid1->viewport()->update();
    });
    int paintsAfter = 0;
    QTimer::singleShot(950, window, [&] { paintsAfter = paints.count; });

    window->ui().N3->trigger();

    EXPECT_TRUE(shown);
    EXPECT_EQ(title, QStringLiteral("Получить размеры труб"));
    EXPECT_EQ(stage, QStringLiteral("Ожидание AutoCAD: завершите или отмените команду (Esc)"));
    EXPECT_FALSE(menuOpened);
    EXPECT_FALSE(nestedCommandRan);
    EXPECT_GT(paintsAfter, paintsBefore);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(progressWindow->isVisible());
    EXPECT_EQ(database.rowCount(), 1);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
}

// The user stops a harvest that waits for a busy CAD: with "Отмена", or Esc
// in the progress window. The table stays as it was and nothing is said.
TEST_F(HarvestWithProgress, OtmenaOrEscStopsTheHarvestAndTheRowsStay)
{
    for (const bool byEsc : {false, true}) {
        SCOPED_TRACE(byEsc ? "Esc" : "Отмена");
        database.exec(QStringLiteral("DELETE FROM TTruba"));
        database.addRows({{.objectId = 9, .layer = QStringLiteral("old"), .length = 5, .rmax = 5, .rmin = 4}});
        data->TTruba->requery();
        cad.setStaysBusy(true); // a command of its own keeps the CAD busy
        bool stopped = false;
        QTimer::singleShot(800, window, [&] {
            ASSERT_TRUE(progressWindow->isVisible());
            // Through the window, as the window system delivers the user's input.
            QWindow* window = progressWindow->windowHandle();
            if (byEsc) {
                QTest::keyClick(window, Qt::Key_Escape);
            } else {
                const auto* button = progressWindow->findChild<QPushButton*>(QStringLiteral("BCancel"));
                QTest::mouseClick(window, Qt::LeftButton, {}, button->mapTo(progressWindow.get(), button->rect().center()));
            }
            stopped = true;
        });
        // Were the stop not heard, the CAD would keep the harvest waiting.
        QTimer::singleShot(5000, window, [&] { cad.setStaysBusy(false); });

        window->ui().N3->trigger();

        EXPECT_TRUE(stopped);
        EXPECT_FALSE(progressWindow->isVisible());
        EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
        const auto rows = database.rows();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].layer, QStringLiteral("old"));
        EXPECT_EQ(data->TTruba->recordCount(), 1);
        cad.setStaysBusy(false);
    }
}

namespace {

// "Получить размеры труб из чертежей…" from the menu: the drawings its user
// lists are read; where one cannot be read, the user is asked, and either
// the pipes of the rest replace the rows (a last column then naming each
// pipe's drawing) or the table stays as it was.
TEST_F(MainWindowWithCad, AProjectsDrawingsReplaceTheRowsOrTheTableStaysAtTheUsersWord)
{
    QTemporaryDir project;
    std::map<std::u16string, cadsim::Drawing> files;
    for (const char* name : {"A.dwg", "B.dwg"}) {
        const QString path = project.filePath(QString::fromLatin1(name));
        QFile placeholder(path);
        ASSERT_TRUE(placeholder.open(QIODevice::WriteOnly));
        cadsim::Drawing drawing(QString::fromLatin1(name).toStdU16String());
        drawing.addPipe(u"Трубы", name[0] == 'A' ? 100 : 200, 10, 5);
        files.emplace(path.toStdU16String(), drawing);
    }
    cad.setDrawingLoader([&](const std::u16string& path) { return files.at(path); });
    const QStringList drawings = {project.filePath("A.dwg"), project.filePath("missing.dwg"), project.filePath("B.dwg")};
    start();
    std::vector<std::vector<DrawingRead>> asked;
    window->chooseDrawings = [&] { return drawings; };
    bool store = false;
    window->storeWhatWasRead = [&](const std::vector<DrawingRead>& reads) {
        asked.push_back(reads);
        return store;
    };
    window->N3Click(); // the active drawing's pipes: none
    const QAbstractItemModel* model = window->ui().DBGrid1->model();

    window->N10Click();
    ASSERT_EQ(asked.size(), 1u);
    ASSERT_EQ(asked[0].size(), 3u);
    EXPECT_EQ(asked[0][1].failure, QStringLiteral("Файл не найден"));
    EXPECT_EQ(model->rowCount(), 0) << "kept as it was";

    store = true;
    window->N10Click();
    QCoreApplication::processEvents();
    ASSERT_EQ(model->rowCount(), 2);
    ASSERT_EQ(model->columnCount(), 5);
    EXPECT_EQ(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Чертёж"));
    EXPECT_EQ(model->index(0, 4).data().toString(), QStringLiteral("A.dwg"));
    EXPECT_EQ(model->index(1, 4).data().toString(), QStringLiteral("B.dwg"));

    // Nothing chosen: nothing happens.
    window->chooseDrawings = [] { return QStringList(); };
    window->N10Click();
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
}

} // namespace
