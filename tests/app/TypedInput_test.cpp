// Text typed into a cell that its field cannot take is never lost, whatever
// the user does next: the error is told once, whatever was asked for stops,
// the row keeps its state, and the editor keeps the text and the focus.
#include "MainWindowFixture.h"

#include "platform/db/Dataset.h"
#include "platform/dbwidgets/DBGrid.h"
#include "platform/dbwidgets/QtPrinters.h"
#include "platform/dbwidgets/DBNavigator.h"
#include "reports/FakeSpreadsheet.h"
#include "reports/TWSumTruba.h"
#include "support/GridKeyboard.h"

#include "ui_WMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

enum class Row { Existing, New };
enum class Then { Enter, LeaveTheRow, PostButton, InsertButton, CloseTheWindow, ShowTotals, Export };

struct Case {
    Row row;
    int column; // 1 length, 2 outer diameter, 3 inner diameter
    Then then;
};

const char* name(Then then)
{
    switch (then) {
    case Then::Enter: return "Enter";
    case Then::LeaveTheRow: return "LeaveTheRow";
    case Then::PostButton: return "PostButton";
    case Then::InsertButton: return "InsertButton";
    case Then::CloseTheWindow: return "CloseTheWindow";
    case Then::ShowTotals: return "ShowTotals";
    case Then::Export: return "Export";
    }
    return "";
}


std::vector<Case> allCases()
{
    std::vector<Case> cases;
    for (Row row : {Row::Existing, Row::New})
        for (int column : {1, 2, 3})
            for (Then then : {Then::Enter, Then::LeaveTheRow, Then::PostButton, Then::InsertButton,
                              Then::CloseTheWindow, Then::ShowTotals, Then::Export})
                cases.push_back({row, column, then});
    return cases;
}

class TypedInputTest : public MainWindowFixture, public ::testing::WithParamInterface<Case>, protected GridKeyboard {
protected:
    void SetUp() override
    {
        database.addRows({{.objectId = 1, .layer = QStringLiteral("A"), .length = 100, .rmax = 57, .rmin = 50},
                          {.objectId = 2, .layer = QStringLiteral("B"), .length = 200, .rmax = 76, .rmin = 70}});
        MainWindowFixture::SetUp();
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }

    dbwidgets::DBGrid& grid() const { return *window->ui().DBGrid1; }
    TWSumTruba& totals() const { return instances->totalsWindow(); }
    // The column's title as the grid shows it, which the refusal names.
    QString columnTitle(int column) const { return grid().model()->headerData(column, Qt::Horizontal).toString(); }

    FakeSpreadsheet spreadsheet;
};

TEST_P(TypedInputTest, TextThatIsNoNumberIsToldOnceAndKeptInItsEditor)
{
    const Case& c = GetParam();
    const auto storedBefore = database.rows();
    db::Dataset& table = *data->TTruba;
    grid().setFocus();
    grid().setCurrentIndex(grid().model()->index(0, c.column));
    if (c.row == Row::New)
        key(Qt::Key_Insert);
    type(QStringLiteral("abc"));
    ASSERT_NE(editor(), nullptr);
    const db::DatasetState state = c.row == Row::New ? db::DatasetState::Insert : db::DatasetState::Edit;
    ASSERT_EQ(table.state(), state);

    // Whatever the command, a modal totals window would be seen here.
    bool totalsShown = false;
    QTimer::singleShot(0, &totals(), [&] {
        totalsShown = totals().isVisible();
        totals().reject();
    });

    const Ui::TWMain& ui = window->ui();
    bool closed = false;
    switch (c.then) {
    case Then::Enter: key(Qt::Key_Return); break;
    case Then::LeaveTheRow: key(Qt::Key_Down); break;
    case Then::PostButton: QTest::mouseClick(ui.DBNavigator1->button(dbwidgets::DBNavigator::Post), Qt::LeftButton); break;
    case Then::InsertButton:
        QTest::mouseClick(ui.DBNavigator1->button(dbwidgets::DBNavigator::Insert), Qt::LeftButton);
        break;
    case Then::CloseTheWindow: closed = window->close(); break;
    case Then::ShowTotals: ui.N7->trigger(); break;
    case Then::Export: ui.N8->trigger(); break;
    }
    QCoreApplication::processEvents();

    const QString error = QStringLiteral("error: Значение «abc» не является числом (столбец «%1»)").arg(columnTitle(c.column));
    const QStringList expected = c.then == Then::Export ? QStringList{error, QStringLiteral("Не удается запустить Excel!!!")}
                                                        : QStringList{error};
    EXPECT_EQ(messages.all, expected);
    EXPECT_EQ(database.rows(), storedBefore);
    EXPECT_EQ(table.state(), state);
    EXPECT_EQ(table.recNo(), 0);
    EXPECT_EQ(table.recordCount(), c.row == Row::New ? 3 : 2);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), QStringLiteral("abc"));
    EXPECT_EQ(grid().currentIndex(), grid().model()->index(0, c.column));
    EXPECT_FALSE(closed);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(totalsShown);
    if (c.then == Then::Export) {
        // The header row went out before the walk stopped at the row.
        EXPECT_EQ(spreadsheet.cells().size(), 4u);
    }

    // Corrected, the same row goes through.
    editor()->setText(QStringLiteral("42"));
    messages.clear();
    if (c.row == Row::New) {
        data->TTrubaFLayer->setAsString(QStringLiteral("new"));
        data->TTrubaFLength->setAsFloat(1);
        data->TTrubaFRmax->setAsFloat(2);
    }
    table.post();
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(database.rowCount(), c.row == Row::New ? 3 : 2);
}

INSTANTIATE_TEST_SUITE_P(Cases, TypedInputTest, ::testing::ValuesIn(allCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             const Case& c = info.param;
                             return std::string(c.row == Row::New ? "NewRow" : "ExistingRow") + "_"
                                 + std::string(c.column == 1 ? "Length" : c.column == 2 ? "OuterDiameter" : "InnerDiameter")
                                 + "_" + name(c.then);
                         });

} // namespace
