#include "platform/dbwidgets/DBGrid.h"

#include "QtPrinters.h"
#include "platform/db/DbError.h"
#include "platform/db/Field.h"
#include "platform/dbwidgets/DatasetModel.h"
#include "platform/messages/Progress.h"
#include "platform/messages/ReportFailure.h"
#include "platform/messages/SilentAbort.h"
#include "support/GridKeyboard.h"
#include "support/MessageRecorder.h"
#include "support/PipeTableFixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using dbwidgets::DBGrid;

namespace {

enum Column { Layer, Length, Rmax, Rmin };

std::vector<TestDatabase::Row> threePipes()
{
    return {pipe("A", 100, 57, 50), pipe("B", 200, 76, 70), pipe("C", 300, 89, 80)};
}

// What the module's row validation says of a row without a length.
const QString noLength = QStringLiteral("Необходимо указать длинну!!!");

// A window with the grid over the program's pipe table and one other control
// to move the focus to, shown and active so that keys and focus behave as on
// the desktop.
class GridTest : public ::testing::Test, protected GridKeyboard {
protected:
    explicit GridTest(const std::vector<TestDatabase::Row>& rows = threePipes()) : db(rows)
    {
        db.open();
        auto* layout = new QVBoxLayout(&window);
        grid = new DBGrid(&window);
        other = new QLineEdit(&window);
        layout->addWidget(grid);
        layout->addWidget(other);
        // Kept for the checks, and reported as the program would: a refusal's
        // words reach the recorder.
        grid->errorHandler = [this](std::exception_ptr e) {
            failures.push_back(e);
            messages::reportFailure(e);
        };
        grid->confirmAsker = [this](QWidget*, const QString& question) {
            questions << question;
            return answer;
        };
        grid->setDataSource(db.data.STruba);
        window.resize(500, 300);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        grid->setFocus();
    }

    db::Dataset& ds() { return *db.data.TTruba; }

    void goTo(int row, int column)
    {
        grid->setCurrentIndex(grid->model()->index(row, column));
    }
    QModelIndex current() const { return grid->currentIndex(); }
    QString cell(int row, int column) const { return grid->model()->index(row, column).data().toString(); }

    static bool isSilent(const std::exception_ptr& failure)
    {
        try {
            std::rethrow_exception(failure);
        } catch (const SilentAbort&) {
            return true;
        } catch (...) {
            return false;
        }
    }
    // The failures shown in the error box (a refusal has its own plain
    // message, a silent abort none).
    std::vector<std::exception_ptr> shown() const
    {
        std::vector<std::exception_ptr> result;
        for (const auto& f : failures) {
            if (!isSilent(f))
                result.push_back(f);
        }
        return result;
    }
    bool failedSilently() const { return !failures.empty() && shown().empty(); }

    // Declared before the window: closing it at the end may still report.
    std::vector<std::exception_ptr> failures;
    QStringList questions;
    bool answer = true;
    MessageRecorder recorder;
    PipeTableFixture db;
    QWidget window;
    DBGrid* grid = nullptr;
    QLineEdit* other = nullptr;
};

} // namespace

TEST_F(GridTest, TypingIntoACellEditsTheRowAndTabMovesToTheNextColumn)
{
    goTo(1, Length);
    type(QStringLiteral("250"));
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(ds().state(), db::DatasetState::Edit); // at the first keystroke
    EXPECT_EQ(grid->model()->headerData(1, Qt::Vertical).toString(), QString(QChar(dbwidgets::DatasetModel::editGlyph)));

    key(Qt::Key_Tab);
    EXPECT_EQ(current(), grid->model()->index(1, Rmax));
    EXPECT_EQ(db.data.TTrubaFLength->asFloat(), 250.0);
    EXPECT_EQ(ds().state(), db::DatasetState::Edit); // still the same row: nothing posted
    EXPECT_EQ(db.storedLayerLengths()[1], QStringLiteral("B:200"));
    EXPECT_TRUE(failures.empty());
}

TEST_F(GridTest, TabFromTheLastCellOfTheLastRowAppendsARowAndShiftTabGoesBack)
{
    struct Case {
        const char* name;
        bool inEditor; // Tab typed into an open cell editor, or on the grid itself
    };
    for (const Case& c : {Case{"grid", false}, Case{"editor", true}}) {
        SCOPED_TRACE(c.name);
        goTo(2, Rmin);
        if (c.inEditor) {
            type(QStringLiteral("81"));
            ASSERT_NE(editor(), nullptr);
        }
        key(Qt::Key_Tab);
        EXPECT_EQ(ds().state(), db::DatasetState::Insert);
        EXPECT_EQ(ds().recordCount(), 4);
        EXPECT_EQ(current(), grid->model()->index(3, Layer));
        EXPECT_EQ(db.storedLayerLengths()[2], QStringLiteral("C:300")); // the length was not touched
        if (c.inEditor) {
            EXPECT_EQ(db.file.rows()[2].rmin, 81.0);
        }

        if (editor())
            key(Qt::Key_Escape);
        key(Qt::Key_Backtab, Qt::ShiftModifier); // back off the untouched new row, which goes
        EXPECT_EQ(ds().state(), db::DatasetState::Browse);
        EXPECT_EQ(ds().recordCount(), 3);
        EXPECT_EQ(current(), grid->model()->index(2, Rmin));
    }
    goTo(0, Layer);
    key(Qt::Key_Backtab, Qt::ShiftModifier); // the first cell stays
    EXPECT_EQ(current(), grid->model()->index(0, Layer));
}

TEST_F(GridTest, MovingToAnotherRowPostsTheChangedRow)
{
    goTo(0, Length);
    type(QStringLiteral("111"));
    key(Qt::Key_Down);
    EXPECT_EQ(ds().recNo(), 1);
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(ds().state(), db::DatasetState::Browse);
    EXPECT_EQ(db.storedLayerLengths(), (QStringList{"A:111", "B:200", "C:300"}));
    EXPECT_EQ(cell(0, Length), QStringLiteral("111"));
}

TEST_F(GridTest, ClickingAnotherRowPostsTheChangedRow)
{
    goTo(0, Layer);
    type(QStringLiteral("Z"));
    const QRect target = grid->visualRect(grid->model()->index(2, Length));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, target.center());
    EXPECT_EQ(ds().recNo(), 2);
    EXPECT_EQ(current(), grid->model()->index(2, Length));
    EXPECT_EQ(db.storedLayerLengths().first(), QStringLiteral("Z:100"));
}

TEST_F(GridTest, GridCursorFollowsTheDatasetsCurrentRow)
{
    ds().moveTo(2);
    EXPECT_EQ(current().row(), 2);
    ds().first();
    EXPECT_EQ(current().row(), 0);
}

std::vector<TestDatabase::Row> manyPipes()
{
    std::vector<TestDatabase::Row> rows;
    for (int i = 0; i < 600; ++i)
        rows.push_back(pipe("L", 100.0 + i, 57, 50));
    return rows;
}

class LongGridTest : public GridTest {
protected:
    LongGridTest() : GridTest(manyPipes()) {}
};

// A scroll costs the display a round trip, so a command that walks every row
// must not scroll the grid for each of them; the grid catches up whenever
// the event loop turns, as it does when the progress window redraws.
TEST_F(LongGridTest, DuringALongTaskTheGridCatchesUpPerRedrawNotPerRow)
{
    int scrolls = 0;
    const QMetaObject::Connection counting =
        QObject::connect(grid->verticalScrollBar(), &QScrollBar::valueChanged, grid, [&] { ++scrolls; });
    {
        const progress::Task task(QStringLiteral("walk"));
        for (int redraw = 0; redraw < 5; ++redraw) {
            for (int i = 0; i < 100; ++i)
                ds().next();
            QCoreApplication::processEvents();
            EXPECT_EQ(current().row(), ds().recNo());
        }
        ds().first();
    }
    QCoreApplication::processEvents();
    QObject::disconnect(counting);
    EXPECT_EQ(current().row(), 0);
    EXPECT_LE(scrolls, 6);

    // Outside a long task the cursor moves with the dataset at once.
    ds().moveTo(300);
    EXPECT_EQ(current().row(), 300);
}

TEST_F(GridTest, DownOnTheLastRowAppendsOneNewRow)
{
    goTo(2, Length);
    key(Qt::Key_Down);
    EXPECT_EQ(ds().state(), db::DatasetState::Insert);
    EXPECT_EQ(ds().recordCount(), 4);
    EXPECT_EQ(ds().recNo(), 3);
    EXPECT_EQ(current(), grid->model()->index(3, Length));

    key(Qt::Key_Down); // an untouched new row does not make another
    EXPECT_EQ(ds().recordCount(), 4);

    type(QStringLiteral("5"));
    key(Qt::Key_Tab);
    type(QStringLiteral("57")); // a length and an outer diameter: a row the validation takes
    key(Qt::Key_Down); // a filled-in one is posted and the next appended
    EXPECT_EQ(ds().recordCount(), 5);
    EXPECT_EQ(ds().recNo(), 4);
    EXPECT_EQ(db.storedLayerLengths().last(), QStringLiteral(":5"));
}

TEST_F(GridTest, DownOnAnEmptyTableAppendsTheFirstRow)
{
    ds().first();
    while (!ds().isEmpty())
        ds().deleteRecord();
    grid->setFocus();
    key(Qt::Key_Down);
    EXPECT_EQ(ds().state(), db::DatasetState::Insert);
    EXPECT_EQ(ds().recordCount(), 1);
    EXPECT_EQ(current().row(), 0);
}

TEST_F(GridTest, InsertKeyInsertsARowAtTheCurrentRow)
{
    goTo(1, Length);
    key(Qt::Key_Insert);
    EXPECT_EQ(ds().state(), db::DatasetState::Insert);
    EXPECT_EQ(ds().recNo(), 1);
    EXPECT_EQ(current(), grid->model()->index(1, Length));
    EXPECT_EQ(db.layers(), (QStringList{"A", "<null>", "B", "C"}));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Vertical).toString(),
              QString(QChar(dbwidgets::DatasetModel::insertGlyph)));
}

TEST_F(GridTest, InsertKeyInsideAnOpenEditorStillInsertsARow)
{
    goTo(1, Length);
    type(QStringLiteral("7"));
    ASSERT_NE(editor(), nullptr);
    key(Qt::Key_Insert); // the typed value is posted first
    EXPECT_EQ(ds().state(), db::DatasetState::Insert);
    EXPECT_EQ(db.storedLayerLengths()[1], QStringLiteral("B:7"));
}

TEST_F(GridTest, EscClosesTheEditorFirstAndThenCancelsTheRow)
{
    struct Case {
        const char* name;
        bool newRow;
    };
    for (const Case& c : {Case{"edit", false}, Case{"insert", true}}) {
        SCOPED_TRACE(c.name);
        goTo(1, Layer);
        if (c.newRow)
            key(Qt::Key_Insert);
        type(QStringLiteral("Q"));
        key(Qt::Key_Tab); // written into the field
        type(QStringLiteral("9"));
        ASSERT_NE(editor(), nullptr);

        key(Qt::Key_Escape);
        EXPECT_EQ(editor(), nullptr);
        EXPECT_EQ(ds().state(), c.newRow ? db::DatasetState::Insert : db::DatasetState::Edit);

        key(Qt::Key_Escape);
        EXPECT_EQ(ds().state(), db::DatasetState::Browse);
        EXPECT_EQ(db.layers(), (QStringList{"A", "B", "C"}));
        EXPECT_EQ(current().row(), ds().recNo());
        EXPECT_EQ(db.storedLayerLengths(), (QStringList{"A:100", "B:200", "C:300"}));
    }
}

TEST_F(GridTest, CtrlDeleteDeletesTheCurrentRowWithoutAQuestion)
{
    goTo(1, Length);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(db.storedLayerLengths(), (QStringList{"A:100", "C:300"}));
    EXPECT_EQ(current().row(), ds().recNo());
}

TEST_F(GridTest, CtrlDeleteAsksFirstWhenConfirmDeleteIsOn)
{
    grid->setConfirmDelete(true);
    struct Case {
        const char* name;
        bool answer;
        QStringList stored;
    };
    const std::vector<Case> cases{
        {"declined", false, {"A:100", "B:200", "C:300"}},
        {"accepted", true, {"A:100", "C:300"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        questions.clear();
        answer = c.answer;
        goTo(1, Layer);
        key(Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(questions, QStringList{QStringLiteral("Удалить запись?")});
        EXPECT_EQ(db.storedLayerLengths(), c.stored);
    }
}

TEST_F(GridTest, CtrlDeleteInsideAnOpenEditorDeletesTheRow)
{
    goTo(0, Layer);
    key(Qt::Key_F2);
    ASSERT_NE(editor(), nullptr);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(db.storedLayerLengths(), (QStringList{"B:200", "C:300"}));
}

TEST_F(GridTest, FailedValidationKeepsTheRowCurrentInItsStateWithItsValues)
{
    goTo(1, Layer);
    key(Qt::Key_Insert);
    type(QStringLiteral("new"));
    struct Case {
        const char* name;
        std::function<void()> leave;
    };
    const std::vector<Case> cases{
        {"Down", [&] { key(Qt::Key_Down); }},
        {"Up", [&] { key(Qt::Key_Up); }},
        {"click", [&] {
             QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                               grid->visualRect(grid->model()->index(3, Length)).center());
         }},
        {"Insert", [&] { key(Qt::Key_Insert); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        failures.clear();
        recorder.clear();
        c.leave();
        EXPECT_EQ(recorder.messages, QStringList{noLength});
        EXPECT_TRUE(failedSilently());
        EXPECT_EQ(ds().state(), db::DatasetState::Insert);
        EXPECT_EQ(ds().recNo(), 1);
        EXPECT_EQ(current().row(), 1);
        EXPECT_EQ(db.layers(), (QStringList{"A", "new", "B", "C"}));
        EXPECT_EQ(db.storedLayerLengths(), (QStringList{"A:100", "B:200", "C:300"}));
    }
}

TEST_F(GridTest, TextThatIsNoNumberIsReportedAndStaysInTheEditor)
{
    goTo(0, Length);
    type(QStringLiteral("abc"));
    struct Case {
        const char* name;
        std::function<void()> leave;
    };
    const std::vector<Case> cases{
        {"Tab", [&] { key(Qt::Key_Tab); }},
        {"Enter", [&] { key(Qt::Key_Return); }},
        {"Down", [&] { key(Qt::Key_Down); }},
        {"click on another row", [&] {
             QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                               grid->visualRect(grid->model()->index(2, Layer)).center());
         }},
        {"click on another control", [&] { QTest::mouseClick(other, Qt::LeftButton); }},
    };
    for (const Case& c : cases) { // each attempt is told once, and the text stays where it was typed
        SCOPED_TRACE(c.name);
        failures.clear();
        c.leave();
        QCoreApplication::processEvents();
        ASSERT_EQ(shown().size(), 1u);
        try {
            std::rethrow_exception(shown().front());
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Значение «abc» не является числом (столбец «Длинна, мм»)"));
        }
        EXPECT_EQ(ds().recNo(), 0);
        EXPECT_EQ(current(), grid->model()->index(0, Length));
        ASSERT_NE(editor(), nullptr);
        EXPECT_EQ(editor()->text(), QStringLiteral("abc"));
        EXPECT_EQ(ds().state(), db::DatasetState::Edit);
    }

    editor()->setText(QStringLiteral("12,5")); // corrected, it goes through
    failures.clear();
    key(Qt::Key_Down);
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(ds().recNo(), 1);
    EXPECT_EQ(db.storedLayerLengths().first(), QStringLiteral("A:12.5"));
}

TEST_F(GridTest, LeavingTheGridDropsAnUntouchedNewRowButKeepsAFilledInOne)
{
    struct Case {
        const char* name;
        QString typed;
        bool kept;
    };
    const std::vector<Case> cases{
        {"untouched", "", false},
        {"written", "x", true}, // the editor's text counts even before it is written
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid->setFocus();
        goTo(0, Layer);
        key(Qt::Key_Insert);
        type(c.typed);
        other->setFocus();
        EXPECT_EQ(ds().recordCount(), c.kept ? 4 : 3);
        EXPECT_EQ(ds().state(), c.kept ? db::DatasetState::Insert : db::DatasetState::Browse);
        EXPECT_EQ(current().row(), ds().recNo());
        ds().cancel();
    }
}

TEST_F(GridTest, FocusGoingToAnotherWindowKeepsTheNewRow)
{
    goTo(0, Layer);
    key(Qt::Key_Insert);
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    EXPECT_EQ(ds().state(), db::DatasetState::Insert);
}

TEST_F(GridTest, UpdateRecordWritesTheOpenEditorsText)
{
    goTo(2, Length);
    type(QStringLiteral("333"));
    ASSERT_NE(editor(), nullptr);
    ds().post(); // as the navigator's post button or the program's own post does
    EXPECT_EQ(db.storedLayerLengths()[2], QStringLiteral("C:333"));
    EXPECT_EQ(ds().state(), db::DatasetState::Browse);
    EXPECT_EQ(editor(), nullptr);
}

// The pop-up menu's commands act on the current row: a right-click makes the
// row it points at current first, by the rules of a left click.
TEST_F(GridTest, RightClickMakesThePointedRowCurrentBeforeTheMenuOpens)
{
    struct Case {
        const char* name;
        std::function<void()> prepare;
        int clickedRow; // -1: below the last row
        int expectedRow;
        bool menuOpens;
        QStringList expectedMessages;
        QStringList expectedStored;
    };
    grid->errorHandler = nullptr; // refusals are shown as the program shows them
    const QStringList untouched{"A:100", "B:200", "C:300"};
    const std::vector<Case> cases{
        {"a plain row", [] {}, 2, 2, true, {}, untouched},
        {"below the last row", [] {}, -1, 0, true, {}, untouched},
        {"leaving a row edited with a valid value posts it",
         [&] { goTo(0, Length); type(QStringLiteral("111")); }, 2, 2, true, {}, {"A:111", "B:200", "C:300"}},
        {"leaving a row edited with text that is no number",
         [&] { goTo(0, Length); type(QStringLiteral("abc")); }, 2, 0, false,
         {"error: Значение «abc» не является числом (столбец «Длинна, мм»)"}, untouched},
        {"leaving a new row that fails its validation",
         [&] { goTo(0, Layer); key(Qt::Key_Insert); type(QStringLiteral("x")); key(Qt::Key_Tab); }, 2, 0, false,
         {noLength}, untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PipeTableFixture fresh(threePipes());
        fresh.open();
        grid->setDataSource(fresh.data.STruba);
        QMenu menu;
        menu.addAction(QStringLiteral("Выделить"));
        grid->setPopupMenu(&menu);
        grid->setFocus();
        goTo(0, Layer);
        recorder.clear();
        c.prepare();

        const QPoint at = c.clickedRow >= 0
            ? grid->visualRect(grid->model()->index(c.clickedRow, Layer)).center()
            : QPoint(5, grid->viewport()->height() - 5);
        QTest::mousePress(grid->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid->viewport(), &event);
        QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, at);

        EXPECT_EQ(menu.isVisible(), c.menuOpens);
        EXPECT_EQ(fresh.data.TTruba->recNo(), c.expectedRow);
        EXPECT_EQ(current().row(), c.expectedRow);
        EXPECT_EQ(recorder.all, c.expectedMessages);
        EXPECT_EQ(fresh.storedLayerLengths(), c.expectedStored);
        menu.hide();
        if (editor())
            key(Qt::Key_Escape);
        fresh.data.TTruba->cancel();
        grid->setDataSource(db.data.STruba);
    }
}

TEST_F(GridTest, TheMenuKeyOpensThePopupMenuAtTheCurrentCell)
{
    QMenu menu;
    menu.addAction(QStringLiteral("Выделить"));
    grid->setPopupMenu(&menu);
    goTo(1, Rmax);
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), grid->viewport()->mapToGlobal(QPoint()));
    QApplication::sendEvent(grid->viewport(), &event);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_TRUE(menu.geometry().contains(grid->viewport()->mapToGlobal(grid->visualRect(current()).center())));
    EXPECT_EQ(ds().recNo(), 1);
    menu.hide();
}

TEST_F(GridTest, ColumnWidthsFollowTheDisplayWidthInCharacters)
{
    const int digit = grid->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    EXPECT_GE(grid->columnWidth(Layer), 20 * digit);
    EXPECT_LT(grid->columnWidth(Layer), 24 * digit);
    EXPECT_GE(grid->columnWidth(Rmin), 10 * digit);
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(Layer), QHeaderView::Interactive);

    grid->setColumnWidth(Layer, 40); // dragged by the user, kept across a reload
    ds().setIndexFieldNames(QStringLiteral("FRmax"));
    EXPECT_EQ(grid->columnWidth(Layer), 40);
}

TEST_F(GridTest, RowKeysDoNothingOnADatasetThatCannotBeWritten)
{
    db.data.VTruba->open(); // a view: one row per pipe size

    grid->setDataSource(db.data.SVTruba);
    grid->setConfirmDelete(true);
    ASSERT_EQ(grid->model()->rowCount(), 3);
    goTo(0, 0);
    for (auto [k, mods] : {std::pair{Qt::Key_Insert, Qt::NoModifier}, {Qt::Key_Delete, Qt::ControlModifier},
                           {Qt::Key_3, Qt::NoModifier}}) {
        key(k, mods);
        EXPECT_EQ(current().row(), 0);
    }
    goTo(2, 0);
    key(Qt::Key_Down);
    EXPECT_EQ(db.data.VTruba->recordCount(), 3);
    EXPECT_EQ(db.data.VTruba->state(), db::DatasetState::Browse);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(failures.empty());
}

TEST(DBGridBinding, BindsWhenTheDataSourceGetsItsDatasetLater)
{
    PipeTableFixture db({pipe("A", 1, 2, 3)});
    db.open();
    db::DataSource later;
    DBGrid grid;
    grid.setDataSource(&later);
    EXPECT_EQ(grid.model()->columnCount(), 0);
    later.setDataset(db.data.TTruba);
    EXPECT_EQ(grid.model()->columnCount(), 4);
    EXPECT_EQ(grid.model()->rowCount(), 1);
    EXPECT_EQ(grid.currentIndex().row(), 0);
    later.setDataset(nullptr);
    EXPECT_EQ(grid.model()->rowCount(), 0);
}
