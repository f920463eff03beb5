#include "SpecDataFixture.h"

#include "data/FinishEdit.h"
#include "platform/db/DbError.h"
#include "platform/messages/SilentAbort.h"

#include "platform/db/DataEventLog.h"

#include <gtest/gtest.h>

namespace {

struct WithRow : SpecDataFixture {
    WithRow()
    {
        file.addRows({{.layer = QStringLiteral("A"), .length = 1.0, .rmax = 2.0, .rmin = 1.0}});
        openTable();
    }
};

TEST(FinishEdit, ClosedTableIsAnError)
{
    SpecDataFixture t;
    try {
        FinishEdit(*t.module.TTruba);
        FAIL();
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("TTruba: Cannot perform this operation on a closed dataset"));
    }
}

TEST(FinishEdit, BrowseStateDoesNothing)
{
    WithRow t;
    DataEventLog log(*t.module.TTruba);
    FinishEdit(*t.module.TTruba);
    EXPECT_EQ(log.count(db::DataEvent::StateChanged), 0);
    EXPECT_EQ(t.module.TTruba->state(), db::DatasetState::Browse);
}

TEST(FinishEdit, UntouchedInsertedRowDisappearsWithoutAMessage)
{
    WithRow t;
    t.module.TTruba->append();
    FinishEdit(*t.module.TTruba);
    EXPECT_EQ(t.module.TTruba->state(), db::DatasetState::Browse);
    EXPECT_EQ(t.module.TTruba->recordCount(), 1);
    EXPECT_TRUE(t.messages.all.isEmpty());
}

TEST(FinishEdit, ChangedRowIsPosted)
{
    WithRow t;
    t.module.TTruba->edit();
    t.module.TTrubaFLength->setAsFloat(5.0);
    FinishEdit(*t.module.TTruba);
    EXPECT_EQ(t.module.TTruba->state(), db::DatasetState::Browse);
    EXPECT_EQ(t.file.rows().at(0).length, 5.0);
}

TEST(FinishEdit, InvalidRowStaysInItsStateAfterTheMessage)
{
    WithRow t;
    t.module.TTruba->append();
    t.module.TTrubaFLayer->setAsString(QStringLiteral("B"));
    EXPECT_THROW(FinishEdit(*t.module.TTruba), SilentAbort);
    EXPECT_EQ(t.messages.all, QStringList{QStringLiteral("Необходимо указать длинну!!!")});
    EXPECT_EQ(t.module.TTruba->state(), db::DatasetState::Insert);
    EXPECT_EQ(t.module.TTrubaFLayer->asString(), QStringLiteral("B"));
}

TEST(FinishEdit, TakesOverInputPendingInABoundControl)
{
    WithRow t;
    // A grid whose cell editor holds a typed length that it has not written yet.
    DataEventLog grid(*t.module.TTruba);
    grid.onUpdateRecord = [&] {
        if (t.module.TTruba->state() == db::DatasetState::Insert)
            t.module.TTrubaFLength->setAsString(QStringLiteral("750,5"));
    };
    t.module.TTruba->append();
    t.module.TTrubaFRmax->setAsFloat(57.0);
    FinishEdit(*t.module.TTruba);
    EXPECT_EQ(t.module.TTruba->state(), db::DatasetState::Browse);
    EXPECT_EQ(t.file.rows().at(1).length, 750.5);
}

} // namespace
