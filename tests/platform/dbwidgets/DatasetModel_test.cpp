#include "platform/dbwidgets/DatasetModel.h"

#include "QtPrinters.h"
#include "platform/db/DbError.h"
#include "platform/db/Field.h"
#include "support/PipeTableFixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

using dbwidgets::DatasetModel;

namespace {

QStringList column(const QAbstractItemModel& model, int col, int role = Qt::DisplayRole)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.data(model.index(row, col), role).toString();
    return result;
}

QStringList indicators(const QAbstractItemModel& model)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.headerData(row, Qt::Vertical).toString();
    return result;
}

const QString browseMark = QString(QChar(DatasetModel::currentGlyph));
const QString editMark = QString(QChar(DatasetModel::editGlyph));
const QString insertMark = QString(QChar(DatasetModel::insertGlyph));

std::vector<TestDatabase::Row> threePipes()
{
    return {pipe("A", 100, 57, 50), pipe("B", 200, 76, 70), pipe("C", 300, 89, 80)};
}

} // namespace

// The model over three pipes, checked by Qt's item-model tester, which stops
// the test binary at the first breach of the model contract.
class TestedModel : public ::testing::Test {
protected:
    TestedModel()
    {
        db.open();
        model.setDataSource(db.data.STruba);
    }

    PipeTableFixture db{threePipes()};
    db::Dataset& ds = *db.data.TTruba;
    DatasetModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(TestedModel, PassesTheItemModelTesterThroughEveryRowOperation)
{
    db::Field& layer = *db.data.TTrubaFLayer;
    db::Field& length = *db.data.TTrubaFLength;

    const auto expectMirrors = [&](const char* step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(model.rowCount(), ds.recordCount());
        EXPECT_EQ(column(model, 0), db.layers(QString()));
    };
    ds.moveTo(1);
    ds.insert(); // in the middle
    expectMirrors("insert");
    layer.setAsString(QStringLiteral("AB"));
    length.setAsFloat(150);
    db.data.TTrubaFRmax->setAsFloat(57); // the module's validation wants an outer diameter too
    ds.post();
    expectMirrors("post");
    ds.append();
    expectMirrors("append");
    ds.cancel();
    expectMirrors("cancel insert");
    ds.first();
    ds.insert(); // at the top
    ds.cancel();
    expectMirrors("cancel insert at the top");
    ds.moveTo(2);
    ds.edit();
    layer.setAsString(QStringLiteral("changed"));
    ds.cancel();
    expectMirrors("cancel edit");
    ds.last();
    ds.deleteRecord(); // the last row
    ds.first();
    ds.deleteRecord(); // the first row
    expectMirrors("delete");
    ds.close();
    expectMirrors("close");
    ds.open();
    expectMirrors("open");
    model.setDataSource(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
    model.setDataSource(db.data.STruba);
    expectMirrors("bound again");
    delete db.data.TTruba; // the dataset goes while the model still shows it
    db.data.TTruba = nullptr;
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.dataset(), nullptr);
}

// The harvest replaces every row with the grid detached: the views hear of
// one reset, show no rows in between, and nothing row by row.
TEST_F(TestedModel, ABulkWriteWithDisabledControlsIsOneReset)
{
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    {
        const db::ControlsDisabled detached(ds);
        ds.last();
        while (ds.recordCount() > 0)
            ds.deleteRecord();
        for (int i = 0; i < 5; ++i) {
            ds.append();
            db.data.TTrubaFLayer->setAsString(QStringLiteral("L%1").arg(i));
            db.data.TTrubaFLength->setAsFloat(1.0);
            db.data.TTrubaFRmax->setAsFloat(57.0); // the module's validation wants an outer diameter too
            ds.post();
            EXPECT_EQ(model.rowCount(), 0);
        }
    }
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(removed.count(), 0);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(column(model, 0), db.layers(QString()));
}

TEST(DatasetModel, ShowsTheVisibleFieldsInFieldOrderTitledWithTheirLabels)
{
    PipeTableFixture db(threePipes());
    db.open();
    DatasetModel model;
    model.setDataSource(db.data.STruba);
    QStringList titles;
    for (int c = 0; c < model.columnCount(); ++c)
        titles << model.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{"Слой", "Длинна, мм", "D наружный, мм", "D Внутр, мм"}));

    model.setDataSource(db.data.SVTruba); // closed: the columns show, no rows
    titles.clear();
    for (int c = 0; c < model.columnCount(); ++c)
        titles << model.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{"Длинна,мм", "D наружн. мм", "D внутр. мм"}));
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(DatasetModel, DisplayGoesThroughTheFormatWhileTheEditorGetsTheStoredValue)
{
    struct Case {
        const char* name;
        int column;
        QString display;
        QString edit;
        Qt::Alignment alignment;
    };
    PipeTableFixture db({{.layer = QStringLiteral("Труба-1"), .length = 1234.6, .rmax = 0.5}});
    db.open();
    DatasetModel model;
    model.setDataSource(db.data.STruba);
    const std::vector<Case> cases{
        {"text", 0, "Труба-1", "Труба-1", Qt::AlignLeft},
        {"fraction rounded for display only", 1, "1235", "1234.6", Qt::AlignRight},
        {"half rounds away from zero", 2, "1", "0.5", Qt::AlignRight},
        {"null is empty", 3, "", "", Qt::AlignRight},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QModelIndex index = model.index(0, c.column);
        EXPECT_EQ(index.data(Qt::DisplayRole).toString(), c.display);
        EXPECT_EQ(index.data(Qt::EditRole).toString(), c.edit);
        EXPECT_EQ(index.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask, c.alignment);
    }
}

TEST(DatasetModel, RowIndicatorMarksTheCurrentRowWithItsState)
{
    PipeTableFixture db(threePipes());
    db.open();
    db::Dataset& ds = *db.data.TTruba;
    DatasetModel model;
    model.setDataSource(db.data.STruba);
    QSignalSpy headerSpy(&model, &QAbstractItemModel::headerDataChanged);

    EXPECT_EQ(indicators(model), (QStringList{browseMark, "", ""}));
    ds.moveTo(2);
    EXPECT_EQ(indicators(model), (QStringList{"", "", browseMark}));
    ds.edit();
    EXPECT_EQ(indicators(model), (QStringList{"", "", editMark}));
    ds.cancel();
    ds.moveTo(1);
    ds.insert();
    EXPECT_EQ(indicators(model), (QStringList{"", insertMark, "", ""}));
    // Announced header data would lay every view out again for each row an
    // export walks; the grid repaints its indicator itself.
    EXPECT_EQ(headerSpy.count(), 0);
}

TEST(DatasetModel, SetDataMovesToTheRowStartsAnEditAndWritesTheField)
{
    PipeTableFixture db(threePipes());
    db.open();
    db::Dataset& ds = *db.data.TTruba;
    DatasetModel model;
    model.setDataSource(db.data.STruba);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    EXPECT_TRUE(model.setData(model.index(1, 1), QStringLiteral("250,5")));
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_EQ(ds.state(), db::DatasetState::Edit);
    EXPECT_EQ(db.data.TTrubaFLength->asFloat(), 250.5);
    EXPECT_EQ(model.index(1, 1).data().toString(), QStringLiteral("251"));
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_EQ(changed.last().at(0).toModelIndex().row(), 1);
}

TEST(DatasetModel, SetDataWithUnchangedTextStartsNoEdit)
{
    PipeTableFixture db(threePipes());
    db.open();
    DatasetModel model;
    model.setDataSource(db.data.STruba);
    EXPECT_TRUE(model.setData(model.index(0, 1), QStringLiteral("100")));
    EXPECT_EQ(db.data.TTruba->state(), db::DatasetState::Browse);
}

TEST(DatasetModel, SetDataThatTheFieldRefusesIsReportedAndChangesNothing)
{
    PipeTableFixture db(threePipes());
    db.open();
    DatasetModel model;
    model.setDataSource(db.data.STruba);
    std::exception_ptr reported;
    model.errorHandler = [&](std::exception_ptr e) { reported = e; };

    EXPECT_FALSE(model.setData(model.index(0, 1), QStringLiteral("сто")));
    ASSERT_TRUE(reported);
    EXPECT_THROW(std::rethrow_exception(reported), db::DbError);
    EXPECT_EQ(model.index(0, 1).data(Qt::EditRole).toString(), QStringLiteral("100"));
}

TEST(DatasetModel, CellsOfAReadOnlyOrClosedDatasetAreNotEditable)
{
    PipeTableFixture db(threePipes());
    db.open();
    DatasetModel model;
    model.setDataSource(db.data.STruba);
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);

    db.data.VTruba->open(); // a view
    model.setDataSource(db.data.SVTruba);
    ASSERT_GT(model.rowCount(), 0);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(0, 0), QStringLiteral("1")));
}
