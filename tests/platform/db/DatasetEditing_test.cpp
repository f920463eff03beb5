// Row editing: positions of inserted and deleted rows, what a post writes to
// the file and reads back, and what a refused post leaves behind.
#include "PipeTable.h"

#include "platform/db/DbError.h"

#include "DataEventLog.h"
#include "platform/messages/SilentAbort.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Row = TestDatabase::Row;
using db::DatasetState;

// Three rows, sorted A, B, C on open.
struct ThreeRows : PipeTable {
    ThreeRows()
    {
        file.addRows({{.objectId = 2, .layer = QStringLiteral("B"), .length = 2.0, .rmax = 20.0},
                      {.objectId = 1, .layer = QStringLiteral("A"), .length = 1.0, .rmax = 10.0},
                      {.objectId = 3, .layer = QStringLiteral("C"), .length = 3.0, .rmax = 30.0}});
        table->open();
    }
};

struct PositionCase {
    const char* name;
    int startRow;
    bool append;
    int expectedNewRow;
    QStringList expectedWhileInserting;
};

class InsertPositionTest : public testing::TestWithParam<PositionCase> {};

TEST_P(InsertPositionTest, InsertsAtTheCurrentRowAndCancelReturns)
{
    const PositionCase& c = GetParam();
    ThreeRows t;
    t.table->moveTo(c.startRow);
    const QString before = t.data.TTrubaFLayer->asString();
    c.append ? t.table->append() : t.table->insert();
    EXPECT_EQ(t.table->state(), DatasetState::Insert);
    EXPECT_EQ(t.table->recNo(), c.expectedNewRow);
    EXPECT_EQ(t.table->recordCount(), 4);
    EXPECT_EQ(t.layers(), c.expectedWhileInserting);
    EXPECT_TRUE(t.data.TTrubaFLayer->isNull());

    t.table->cancel();
    EXPECT_EQ(t.table->state(), DatasetState::Browse);
    EXPECT_EQ(t.table->recordCount(), 3);
    EXPECT_EQ(t.data.TTrubaFLayer->asString(), before);
    EXPECT_EQ(t.file.rowCount(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InsertPositionTest,
    testing::Values(
        PositionCase{"InsertAtFirst", 0, false, 0, {"<null>", "A", "B", "C"}},
        PositionCase{"InsertInMiddle", 1, false, 1, {"A", "<null>", "B", "C"}},
        PositionCase{"InsertAtLast", 2, false, 2, {"A", "B", "<null>", "C"}},
        PositionCase{"AppendFromFirst", 0, true, 3, {"A", "B", "C", "<null>"}},
        PositionCase{"AppendFromMiddle", 1, true, 3, {"A", "B", "C", "<null>"}}),
    [](const testing::TestParamInfo<PositionCase>& info) { return std::string(info.param.name); });

TEST(DatasetInsert, PostedRowKeepsItsPlaceAndReadsBackItsKey)
{
    ThreeRows t;
    t.table->moveTo(1);
    t.table->insert();
    t.data.TTrubaFLayer->setAsString(QStringLiteral("D"));
    t.data.TTrubaFLength->setAsFloat(5.0);
    t.table->post();
    EXPECT_EQ(t.table->state(), DatasetState::Browse);
    EXPECT_EQ(t.table->recNo(), 1);
    EXPECT_EQ(t.layers(), (QStringList{"A", "D", "B", "C"}));
    const auto rows = t.file.rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(t.data.TTrubaFKey->asInteger(), *rows.back().key);
    EXPECT_EQ(rows.back().layer, QStringLiteral("D"));
    // The sort applies again when the table is reopened.
    t.table->requery();
    EXPECT_EQ(t.layers(), (QStringList{"A", "B", "C", "D"}));
}

TEST(DatasetInsert, IntoAnEmptyTable)
{
    PipeTable t;
    t.table->open();
    t.table->edit(); // on an empty table, edit inserts
    EXPECT_EQ(t.table->state(), DatasetState::Insert);
    EXPECT_EQ(t.table->recNo(), 0);
    t.data.TTrubaFLength->setAsFloat(1.0);
    t.table->post();
    EXPECT_EQ(t.table->recordCount(), 1);
    EXPECT_FALSE(t.data.TTrubaFKey->isNull());
}

TEST(DatasetInsert, UnchangedRowIsDroppedWhenLeaving)
{
    ThreeRows t;
    t.table->append();
    t.table->first();
    EXPECT_EQ(t.table->recordCount(), 3);
    EXPECT_EQ(t.file.rowCount(), 3);
}

TEST(DatasetInsert, ChangedRowIsPostedWhenLeaving)
{
    ThreeRows t;
    t.table->append();
    t.data.TTrubaFLayer->setAsString(QStringLiteral("D"));
    t.table->first();
    EXPECT_EQ(t.table->state(), DatasetState::Browse);
    EXPECT_EQ(t.file.rowCount(), 4);
}

TEST(DatasetInsert, MovingToARowBelowAnUntouchedInsertionLandsOnThatRow)
{
    ThreeRows t;
    t.table->moveTo(1);
    t.table->insert(); // A, new, B, C
    t.table->moveTo(3); // the grid's row 3 is C
    EXPECT_EQ(t.data.TTrubaFLayer->asString(), QStringLiteral("C"));
}

struct DeleteCase {
    const char* name;
    int row;
    QStringList expectedLayers;
    int expectedRow;
    bool expectedEof;
};

class DeletePositionTest : public testing::TestWithParam<DeleteCase> {};

TEST_P(DeletePositionTest, DeletesAtOnce)
{
    const DeleteCase& c = GetParam();
    ThreeRows t;
    t.table->moveTo(c.row);
    DataEventLog log(*t.table);
    t.table->deleteRecord();
    EXPECT_EQ(t.layers(), c.expectedLayers);
    EXPECT_EQ(t.table->recNo(), c.expectedRow);
    EXPECT_EQ(t.table->eof(), c.expectedEof);
    EXPECT_EQ(t.file.rowCount(), 2);
    ASSERT_EQ(log.count(db::DataEvent::Removed), 1);
    EXPECT_EQ(log.entries.at(1), (DataEventLog::Entry{db::DataEvent::Removed, c.row}));
}

INSTANTIATE_TEST_SUITE_P(Cases, DeletePositionTest,
                         testing::Values(DeleteCase{"First", 0, {"B", "C"}, 0, false},
                                         DeleteCase{"Middle", 1, {"A", "C"}, 1, false},
                                         DeleteCase{"Last", 2, {"A", "B"}, 1, true}),
                         [](const testing::TestParamInfo<DeleteCase>& info) { return std::string(info.param.name); });

TEST(DatasetDelete, WhileCountAboveZeroEmptiesTheTable)
{
    ThreeRows t;
    while (t.table->recordCount() > 0)
        t.table->deleteRecord();
    EXPECT_EQ(t.file.rowCount(), 0);
    EXPECT_TRUE(t.table->eof());
}

TEST(DatasetDelete, InInsertStateDropsTheNewRow)
{
    ThreeRows t;
    t.table->insert();
    t.data.TTrubaFLayer->setAsString(QStringLiteral("D"));
    t.table->deleteRecord();
    EXPECT_EQ(t.table->state(), DatasetState::Browse);
    EXPECT_EQ(t.table->recordCount(), 3);
    EXPECT_EQ(t.file.rowCount(), 3);
}

TEST(DatasetDelete, RowAlreadyDeletedByAnotherProgramCountsAsDeleted)
{
    ThreeRows t;
    t.file.exec(QStringLiteral("DELETE FROM TTruba WHERE FLayer = 'A'"));
    t.table->deleteRecord();
    EXPECT_EQ(t.table->recordCount(), 2);
}

TEST(DatasetEdit, CancelBringsBackTheStoredValues)
{
    ThreeRows t;
    t.table->edit();
    t.data.TTrubaFLength->setAsFloat(99.0);
    EXPECT_TRUE(t.table->isModified());
    t.table->cancel();
    EXPECT_EQ(t.data.TTrubaFLength->asFloat(), 1.0);
    EXPECT_FALSE(t.table->isModified());
    EXPECT_EQ(t.file.rows()[1].length, 1.0);
}

// Null, the empty text and zero are three different things in the file and
// stay so after a round trip through it.
TEST(DatasetPost, NullEmptyAndZeroStayApart)
{
    PipeTable t;
    t.table->open();
    t.table->append();
    t.data.TTrubaFLayer->setAsString(QString());
    t.data.TTrubaFObjectID->setAsInteger(0);
    t.data.TTrubaFLength->setAsFloat(0.0);
    t.data.TTrubaFRmax->setNull();
    t.table->post();
    const int64_t key = t.data.TTrubaFKey->asInteger();

    EXPECT_EQ(t.file.typeOf(QStringLiteral("FLayer"), key), QStringLiteral("text"));
    EXPECT_EQ(t.file.typeOf(QStringLiteral("FObjectID"), key), QStringLiteral("integer"));
    EXPECT_EQ(t.file.typeOf(QStringLiteral("FLength"), key), QStringLiteral("real"));
    EXPECT_EQ(t.file.typeOf(QStringLiteral("FRmax"), key), QStringLiteral("null"));
    EXPECT_EQ(t.file.typeOf(QStringLiteral("FRmin"), key), QStringLiteral("null")); // never set

    t.table->requery();
    EXPECT_FALSE(t.data.TTrubaFLayer->isNull());
    EXPECT_EQ(t.data.TTrubaFLayer->asString(), QString());
    EXPECT_EQ(t.data.TTrubaFObjectID->value(), db::FieldValue{int64_t(0)});
    EXPECT_EQ(t.data.TTrubaFLength->value(), db::FieldValue{0.0});
    EXPECT_TRUE(t.data.TTrubaFRmax->isNull());
    EXPECT_EQ(t.data.TTrubaFRmax->displayText(), QString());
    EXPECT_EQ(t.data.TTrubaFLength->displayText(), QStringLiteral("0"));
}

TEST(DatasetPost, SixtyFourBitObjectIdComesBackWhole)
{
    const int64_t objectId = (int64_t(1) << 32) + 5;
    PipeTable t;
    t.table->open();
    t.table->append();
    t.data.TTrubaFObjectID->setAsInteger(objectId);
    t.table->post();
    EXPECT_EQ(t.file.rows().at(0).objectId, objectId);
    t.table->requery();
    EXPECT_EQ(t.data.TTrubaFObjectID->asInteger(), objectId);
}

TEST(DatasetPost, LongCyrillicLayerIsKeptWhole)
{
    const QString layer = QStringLiteral("Трубопровод_горячего_водоснабжения_").repeated(2).left(60);
    ASSERT_EQ(layer.size(), 60);
    PipeTable t;
    t.table->open();
    t.table->append();
    t.data.TTrubaFLayer->setAsString(layer);
    t.table->post();
    EXPECT_EQ(t.file.rows().at(0).layer, layer);
    t.table->requery();
    EXPECT_EQ(t.data.TTrubaFLayer->asString(), layer);
}

TEST(DatasetPost, StoresTheFractionThatTheFormatHides)
{
    ThreeRows t;
    t.table->edit();
    t.data.TTrubaFLength->setAsFloat(1234.6);
    t.table->post();
    EXPECT_EQ(t.data.TTrubaFLength->displayText(), QStringLiteral("1235"));
    EXPECT_EQ(t.data.TTrubaFLength->asFloat(), 1234.6);
    EXPECT_EQ(t.file.rows()[1].length, 1234.6);
}

TEST(DatasetPost, WritesOnlyTheChangedColumns)
{
    ThreeRows t;
    // Another program changes the diameter; this edit of the length must
    // not put the old diameter back.
    t.file.exec(QStringLiteral("UPDATE TTruba SET FRmax = 11 WHERE FLayer = 'A'"));
    t.table->edit();
    t.data.TTrubaFLength->setAsFloat(7.0);
    t.table->post();
    const Row a = t.file.rows()[1];
    EXPECT_EQ(a.length, 7.0);
    EXPECT_EQ(a.rmax, 11.0);
    // The row shows what the file now holds for the columns it wrote back.
    EXPECT_EQ(t.data.TTrubaFRmax->asFloat(), 11.0);
}

TEST(DatasetPost, ConflictingChangeByAnotherProgramIsReported)
{
    ThreeRows t;
    t.file.exec(QStringLiteral("UPDATE TTruba SET FLength = 50 WHERE FLayer = 'A'"));
    t.table->edit();
    t.data.TTrubaFLength->setAsFloat(7.0);
    try {
        t.table->post();
        FAIL() << "no conflict reported";
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("TTruba: Cannot save the row: another user changed")))
            << e.message().toStdString();
    }
    EXPECT_EQ(t.table->state(), DatasetState::Edit);
    EXPECT_EQ(t.data.TTrubaFLength->asFloat(), 7.0);
    EXPECT_EQ(t.file.rows()[1].length, 50.0);
}

TEST(DatasetPost, ThrowingBeforePostLeavesTheRowAsTheUserLeftIt)
{
    ThreeRows t;
    int calls = 0;
    t.table->beforePost = [&](db::Dataset&) {
        ++calls;
        throw std::runtime_error("refused");
    };
    t.table->insert();
    t.data.TTrubaFLayer->setAsString(QStringLiteral("D"));
    DataEventLog log(*t.table);
    EXPECT_THROW(t.table->post(), std::runtime_error);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(t.table->state(), DatasetState::Insert);
    EXPECT_EQ(t.data.TTrubaFLayer->asString(), QStringLiteral("D"));
    EXPECT_TRUE(t.table->isModified());
    EXPECT_EQ(log.count(db::DataEvent::StateChanged), 0);
    EXPECT_EQ(t.file.rowCount(), 3);
    // Leaving the row posts it, so the refusal also keeps the row current.
    EXPECT_THROW(t.table->next(), std::runtime_error);
    EXPECT_EQ(t.table->recNo(), 0);
}

TEST(DatasetPost, PendingInputOfABoundControlIsTakenOver)
{
    ThreeRows t;
    // A grid with an open cell editor writes it when asked.
    DataEventLog grid(*t.table);
    grid.onUpdateRecord = [&] {
        if (t.table->state() == DatasetState::Edit)
            t.data.TTrubaFLayer->setAsString(QStringLiteral("typed"));
    };
    t.table->edit();
    t.table->post();
    EXPECT_EQ(t.file.rows()[1].layer, QStringLiteral("typed"));
}

TEST(DatasetPost, SignalsFollowTheWrite)
{
    ThreeRows t;
    t.table->edit();
    t.data.TTrubaFLength->setAsFloat(8.0);
    std::vector<std::optional<double>> seenInFile;
    DataEventLog log(*t.table);
    log.onEvent = [&](db::DataEvent event, int) {
        if (event == db::DataEvent::RowChanged)
            seenInFile.push_back(t.file.rows()[1].length);
    };
    t.table->post();
    ASSERT_EQ(seenInFile.size(), 1u);
    EXPECT_EQ(seenInFile[0], 8.0);
}

} // namespace

namespace {

// A bound control is told of every change of the row list twice: before it,
// while the list is still as it was, and after it, once the dataset is in its
// new shape (a cancelled append once left the current row one past the end).
TEST(DatasetNotifications, AnnounceTheRowListBeforeAndConfirmAfter)
{
    ThreeRows t;
    t.table->moveTo(1);
    DataEventLog log(*t.table);
    QStringList seen;
    log.onEvent = [&](db::DataEvent event, int row) {
        using E = db::DataEvent;
        const char* name = event == E::AboutToInsert ? "about to insert"
            : event == E::Inserted                   ? "inserted"
            : event == E::AboutToRemove              ? "about to remove"
            : event == E::Removed                    ? "removed"
            : event == E::AboutToReset               ? "about to reset"
            : event == E::Reset                      ? "reset"
                                                     : nullptr;
        if (!name)
            return;
        const QString current = t.table->recNo() < 0 ? QStringLiteral("-") : t.data.TTrubaFLayer->asString();
        seen << QStringLiteral("%1 %2: %3 rows, on %4").arg(QLatin1String(name)).arg(row).arg(t.table->recordCount()).arg(current);
    };
    t.table->append();                                      // the new, empty row
    t.table->cancel();                                      // back on B
    t.table->last();
    t.table->deleteRecord();                                // C goes; B is current
    t.table->setIndexFieldNames(QStringLiteral("FLength")); // B stays current
    EXPECT_EQ(seen, (QStringList{
                        "about to insert 3: 3 rows, on B",
                        "inserted 3: 4 rows, on ",
                        "about to remove 3: 4 rows, on ",
                        "removed 3: 3 rows, on B",
                        "about to remove 2: 3 rows, on C",
                        "removed 2: 2 rows, on B",
                        "about to reset -1: 2 rows, on B",
                        "reset -1: 2 rows, on B",
                    }));
}

// Input a control cannot hand over stops whatever asked for it: the row stays
// as the user left it, and nothing is written or moved.
TEST(DatasetNotifications, AControlThatRefusesItsInputStopsTheOperation)
{
    struct Case {
        const char* name;
        std::function<void(db::Dataset&)> operation;
    };
    const std::vector<Case> cases{
        {"post", [](db::Dataset& ds) { ds.post(); }},
        {"check browse mode", [](db::Dataset& ds) { ds.checkBrowseMode(); }},
        {"first", [](db::Dataset& ds) { ds.first(); }},
        {"next", [](db::Dataset& ds) { ds.next(); }},
        {"move", [](db::Dataset& ds) { ds.moveTo(2); }},
        {"insert", [](db::Dataset& ds) { ds.insert(); }},
        {"append", [](db::Dataset& ds) { ds.append(); }},
        {"re-sort", [](db::Dataset& ds) { ds.setIndexFieldNames(QStringLiteral("FLength")); }},
        {"reread", [](db::Dataset& ds) { ds.requery(); }},
    };
    for (const bool inserting : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (inserting ? " (new row)" : " (edited row)"));
            ThreeRows t;
            t.table->moveTo(1);
            inserting ? t.table->insert() : t.table->edit();
            t.data.TTrubaFLayer->setAsString(QStringLiteral("typed"));
            DataEventLog grid(*t.table);
            int asked = 0;
            grid.onUpdateRecord = [&] {
                ++asked;
                throw SilentAbort();
            };
            EXPECT_THROW(c.operation(*t.table), SilentAbort);
            EXPECT_EQ(asked, 1);
            EXPECT_EQ(t.table->state(), inserting ? DatasetState::Insert : DatasetState::Edit);
            EXPECT_EQ(t.table->recNo(), 1);
            EXPECT_EQ(t.data.TTrubaFLayer->asString(), QStringLiteral("typed"));
            EXPECT_EQ(t.table->recordCount(), inserting ? 4 : 3);
            EXPECT_EQ(t.file.rowCount(), 3);
            EXPECT_EQ(t.table->indexFieldNames(), QStringLiteral("FLayer;FRmax"));
            EXPECT_TRUE(grid.entries.empty());
        }
    }
}

// Throwing an edit away asks nobody for input: a cancel, a delete, a close.
TEST(DatasetNotifications, EndingAnEditByDroppingItAsksNoControl)
{
    for (const char* how : {"cancel", "delete", "close"}) {
        SCOPED_TRACE(how);
        ThreeRows t;
        t.table->edit();
        t.data.TTrubaFLayer->setAsString(QStringLiteral("typed"));
        DataEventLog grid(*t.table);
        grid.onUpdateRecord = [] { throw SilentAbort(); };
        const std::string h = how;
        if (h == "cancel")
            t.table->cancel();
        else if (h == "delete")
            t.table->deleteRecord();
        else
            t.table->close();
        EXPECT_NE(t.table->state(), DatasetState::Edit);
        EXPECT_EQ(t.file.rowCount(), h == "delete" ? 2 : 3);
    }
}

// A bulk write tells the bound controls nothing row by row: that the rows are
// about to change as a whole, and once the last guard goes, that they have.
TEST(DatasetNotifications, DisabledControlsHearOneResetAtTheEnd)
{
    ThreeRows t;
    DataEventLog log(*t.table);
    int asked = 0;
    log.onUpdateRecord = [&] { ++asked; };
    {
        const db::ControlsDisabled outer(*t.table);
        {
            const db::ControlsDisabled inner(*t.table);
            t.table->last();
            while (t.table->recordCount() > 0)
                t.table->deleteRecord();
            for (const char* layer : {"X", "Y"}) {
                t.table->append();
                t.data.TTrubaFLayer->setAsString(QString::fromLatin1(layer));
                t.data.TTrubaFLength->setAsFloat(1.0);
                t.table->post();
            }
        }
        EXPECT_EQ(log.events(), std::vector<db::DataEvent>{db::DataEvent::AboutToReset});
    }
    using E = db::DataEvent;
    EXPECT_EQ(log.events(), (std::vector<E>{E::AboutToReset, E::Reset, E::StateChanged, E::CurrentChanged}));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(t.layers(), (QStringList{"X", "Y"}));
}

} // namespace
