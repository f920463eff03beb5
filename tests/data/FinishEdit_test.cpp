#include "support/MessageRecorder.h"
#include "support/PipeTableFixture.h"

#include "data/FinishEdit.h"
#include "platform/db/DbError.h"
#include "platform/messages/EntryPoint.h"

#include "platform/db/DataEventLog.h"

#include "support/DbErrorOf.h"

#include <gtest/gtest.h>

namespace {

struct WithRow : PipeTableFixture {
    WithRow() : PipeTableFixture({{.layer = QStringLiteral("A"), .length = 1.0, .rmax = 2.0, .rmin = 1.0}}) { open(); }

    MessageRecorder messages;
};

TEST(FinishEdit, ClosedTableIsAnError)
{
    PipeTableFixture t;
    EXPECT_EQ(dbErrorOf([&] { FinishEdit(*t.data.TTruba); }),
              QStringLiteral("TTruba: Cannot perform this operation on a closed dataset"));
}

TEST(FinishEdit, BrowseStateDoesNothing)
{
    WithRow t;
    DataEventLog log(*t.data.TTruba);
    FinishEdit(*t.data.TTruba);
    EXPECT_EQ(log.count(db::DataEvent::StateChanged), 0);
    EXPECT_EQ(t.data.TTruba->state(), db::DatasetState::Browse);
}

TEST(FinishEdit, UntouchedInsertedRowDisappearsWithoutAMessage)
{
    WithRow t;
    t.data.TTruba->append();
    FinishEdit(*t.data.TTruba);
    EXPECT_EQ(t.data.TTruba->state(), db::DatasetState::Browse);
    EXPECT_EQ(t.data.TTruba->recordCount(), 1);
    EXPECT_TRUE(t.messages.all.isEmpty());
}

TEST(FinishEdit, ChangedRowIsPosted)
{
    WithRow t;
    t.data.TTruba->edit();
    t.data.TTrubaFLength->setAsFloat(5.0);
    FinishEdit(*t.data.TTruba);
    EXPECT_EQ(t.data.TTruba->state(), db::DatasetState::Browse);
    EXPECT_EQ(t.file.rows().at(0).length, 5.0);
}

TEST(FinishEdit, InvalidRowStaysInItsStateAfterTheMessage)
{
    WithRow t;
    t.data.TTruba->append();
    t.data.TTrubaFLayer->setAsString(QStringLiteral("B"));
    EXPECT_FALSE(messages::runEntryPoint([&] { FinishEdit(*t.data.TTruba); }));
    EXPECT_EQ(t.messages.all, QStringList{QStringLiteral("Необходимо указать длинну!!!")});
    EXPECT_EQ(t.data.TTruba->state(), db::DatasetState::Insert);
    EXPECT_EQ(t.data.TTrubaFLayer->asString(), QStringLiteral("B"));
}

TEST(FinishEdit, TakesOverInputPendingInABoundControl)
{
    WithRow t;
    // A grid whose cell editor holds a typed length that it has not written yet.
    DataEventLog grid(*t.data.TTruba);
    grid.onUpdateRecord = [&] {
        if (t.data.TTruba->state() == db::DatasetState::Insert)
            t.data.TTrubaFLength->setAsString(QStringLiteral("750,5"));
    };
    t.data.TTruba->append();
    t.data.TTrubaFRmax->setAsFloat(57.0);
    FinishEdit(*t.data.TTruba);
    EXPECT_EQ(t.data.TTruba->state(), db::DatasetState::Browse);
    EXPECT_EQ(t.file.rows().at(1).length, 750.5);
}

} // namespace
