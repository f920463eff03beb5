#include "PipeTable.h"

#include "platform/db/Transaction.h"

#include <gtest/gtest.h>

namespace {

void appendRow(PipeTable& t, const char* layer)
{
    t.table->append();
    t.data.TTrubaFLayer->setAsString(QString::fromLatin1(layer));
    t.table->post();
}

TEST(Transaction, CommitKeepsEveryWrite)
{
    PipeTable t;
    t.file.addRows({{.layer = QStringLiteral("old")}});
    t.table->open();
    {
        db::Transaction tx(t.connection);
        t.table->deleteRecord();
        appendRow(t, "A");
        appendRow(t, "B");
        tx.commit();
    }
    EXPECT_EQ(t.file.rowCount(), 2);
}

TEST(Transaction, LeavingWithoutCommitRollsBack)
{
    PipeTable t;
    t.file.addRows({{.layer = QStringLiteral("old")}});
    t.table->open();
    {
        db::Transaction tx(t.connection);
        EXPECT_TRUE(t.connection.inTransaction());
        t.table->deleteRecord();
        appendRow(t, "A");
    }
    EXPECT_FALSE(t.connection.inTransaction());
    const auto rows = t.file.rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].layer, QStringLiteral("old"));
    // The rows in memory are stale after a rollback; a requery matches the file again.
    t.table->requery();
    EXPECT_EQ(t.layers(), QStringList{QStringLiteral("old")});
}

TEST(Transaction, NestedOneRollsBackOnlyItsOwnWrites)
{
    PipeTable t;
    t.table->open();
    db::Transaction outer(t.connection);
    appendRow(t, "kept");
    {
        db::Transaction inner(t.connection);
        appendRow(t, "dropped");
    }
    outer.commit();
    const auto rows = t.file.rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].layer, QStringLiteral("kept"));
}

} // namespace
