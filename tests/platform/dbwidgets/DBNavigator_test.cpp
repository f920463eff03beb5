#include "platform/dbwidgets/DBNavigator.h"

#include "QtPrinters.h"
#include "platform/db/Field.h"
#include "platform/dbwidgets/DBGrid.h"
#include "support/Refusal.h"
#include "support/MessageRecorder.h"
#include "support/PipeTableFixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using dbwidgets::DBNavigator;

namespace {

using Buttons = std::array<bool, 4>; // insert, delete, post, cancel enabled

Buttons enabled(const DBNavigator& bar)
{
    return {bar.button(DBNavigator::Insert)->isEnabled(), bar.button(DBNavigator::Delete)->isEnabled(),
            bar.button(DBNavigator::Post)->isEnabled(), bar.button(DBNavigator::Cancel)->isEnabled()};
}

void click(DBNavigator& bar, DBNavigator::Button which)
{
    QTest::mouseClick(bar.button(which), Qt::LeftButton);
}

// What the module's row validation says of a row without a length.
const QString noLength = QStringLiteral("Необходимо указать длинну!!!");

} // namespace

TEST(DBNavigator, FourButtonsOf56By25WithRussianTips)
{
    DBNavigator bar;
    EXPECT_EQ(bar.size(), QSize(224, 25));
    const QStringList tips{"Вставить запись", "Удалить запись", "Сохранить изменения", "Отменить изменения"};
    for (int i = 0; i < 4; ++i) {
        const QToolButton* button = bar.button(DBNavigator::Button(i));
        EXPECT_EQ(button->size(), QSize(56, 25));
        EXPECT_EQ(button->toolTip(), tips[i]);
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    }
    bar.show();
    EXPECT_LT(bar.button(DBNavigator::Insert)->x(), bar.button(DBNavigator::Delete)->x());
    EXPECT_LT(bar.button(DBNavigator::Delete)->x(), bar.button(DBNavigator::Post)->x());
    EXPECT_LT(bar.button(DBNavigator::Post)->x(), bar.button(DBNavigator::Cancel)->x());
}

TEST(DBNavigator, ButtonsFollowTheDatasetsState)
{
    PipeTableFixture db({pipe("A", 1, 2, 3)});
    db.open();
    db::Dataset& ds = *db.data.TTruba;
    DBNavigator bar;
    struct Case {
        const char* name;
        std::function<void()> step;
        Buttons expected;
    };
    const std::vector<Case> cases{
        {"no data source", [] {}, {false, false, false, false}},
        {"browse with rows", [&] { bar.setDataSource(db.data.STruba); }, {true, true, false, false}},
        {"edit", [&] { ds.edit(); }, {true, true, true, true}},
        {"back to browse", [&] { ds.cancel(); }, {true, true, false, false}},
        {"insert", [&] { ds.insert(); }, {true, true, true, true}},
        {"browse without rows", [&] { ds.cancel(); ds.deleteRecord(); }, {true, false, false, false}},
        {"closed", [&] { ds.close(); }, {false, false, false, false}},
        {"a view cannot be written", [&] { db.data.VTruba->open(); bar.setDataSource(db.data.SVTruba); },
         {false, false, false, false}},
        {"the data source changes its dataset", [&] { ds.open(); db.data.SVTruba->setDataset(&ds); },
         {true, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.step();
        EXPECT_EQ(enabled(bar), c.expected);
    }
}

TEST(DBNavigator, ButtonsActOnTheCurrentRow)
{
    PipeTableFixture db({pipe("A", 100, 2, 3), pipe("B", 200, 2, 3), pipe("C", 300, 2, 3)});
    db.open();
    db::Dataset& ds = *db.data.TTruba;
    DBNavigator bar;
    bar.setDataSource(db.data.STruba);
    db::Field& length = *db.data.TTrubaFLength;
    db::Field& layer = *db.data.TTrubaFLayer;

    ds.moveTo(1);
    click(bar, DBNavigator::Insert);
    EXPECT_EQ(ds.state(), db::DatasetState::Insert);
    EXPECT_EQ(ds.recNo(), 1);
    layer.setAsString(QStringLiteral("AB"));
    length.setAsFloat(150);
    db.data.TTrubaFRmax->setAsFloat(2); // the module's validation wants an outer diameter too
    click(bar, DBNavigator::Post);
    EXPECT_EQ(ds.state(), db::DatasetState::Browse);
    EXPECT_EQ(db.storedLayerLengths(), (QStringList{"A:100", "B:200", "C:300", "AB:150"}));

    ds.moveTo(0);
    ds.edit();
    length.setAsFloat(1);
    click(bar, DBNavigator::Cancel);
    EXPECT_EQ(length.asFloat(), 100.0);

    click(bar, DBNavigator::Delete); // no question asked
    EXPECT_EQ(db.storedLayerLengths(), (QStringList{"B:200", "C:300", "AB:150"}));
}

TEST(DBNavigator, FailedPostIsHandedToTheHandlerAndKeepsTheRow)
{
    MessageRecorder recorder;
    PipeTableFixture db({pipe("A", 100, 2, 3)});
    db.open();
    DBNavigator bar;
    bar.setDataSource(db.data.STruba);
    std::vector<std::exception_ptr> failures;
    bar.errorHandler = [&](std::exception_ptr e) { failures.push_back(e); };

    click(bar, DBNavigator::Insert);
    db.data.TTrubaFLayer->setAsString(QStringLiteral("no length"));
    click(bar, DBNavigator::Post);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(refusalText(failures.front()), noLength);
    EXPECT_TRUE(recorder.all.isEmpty()) << "the handler is the one that tells";
    EXPECT_EQ(db.data.TTruba->state(), db::DatasetState::Insert);
    EXPECT_EQ(db.data.TTrubaFLayer->asString(), QStringLiteral("no length"));
    EXPECT_TRUE(bar.button(DBNavigator::Post)->isEnabled());
}

TEST(DBNavigator, PostTakesTheGridsHalfTypedCell)
{
    PipeTableFixture db({pipe("A", 100, 2, 3)});
    db.open();
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* grid = new dbwidgets::DBGrid(&window);
    auto* bar = new DBNavigator(&window);
    layout->addWidget(grid);
    layout->addWidget(bar);
    grid->setDataSource(db.data.STruba);
    bar->setDataSource(db.data.STruba);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 1));

    QTest::keyClicks(grid, QStringLiteral("4")); // opens the editor
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("2"));
    ASSERT_NE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    EXPECT_TRUE(bar->button(DBNavigator::Post)->isEnabled()); // typing started the edit

    click(*bar, DBNavigator::Post);
    EXPECT_EQ(db.storedLayerLengths(), QStringList{"A:42"});
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), grid); // the buttons never take the focus
}
