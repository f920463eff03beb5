// Writes the file refuses: each is a DbError with a plain reason, and the row
// stays in its edit or insert state with the user's values.
#include "PipeTable.h"

#include "platform/db/DbError.h"

#include <QFile>
#include "DataEventLog.h"

#include "support/DbErrorOf.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

using db::DatasetState;

QString postError(db::Dataset& table)
{
    return dbErrorOf([&] { table.post(); });
}

// Another program that holds the file with an exclusive lock.
class ExclusiveLock {
public:
    explicit ExclusiveLock(const QString& path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        m_ok = sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~ExclusiveLock() { release(); }
    bool ok() const { return m_ok; }
    void release()
    {
        if (m_db) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close_v2(m_db);
            m_db = nullptr;
        }
    }

private:
    sqlite3* m_db = nullptr;
    bool m_ok = false;
};

struct EditedTable : PipeTable {
    explicit EditedTable(const QString& extra = QString())
    {
        file.addRows({{.objectId = 1, .layer = QStringLiteral("A"), .length = 1.0, .rmax = 10.0}});
        if (!extra.isEmpty())
            connection.setConnectionString(file.connectionString() + extra);
        table->open();
    }

    void expectUntouched(DatasetState state, const char* layer)
    {
        EXPECT_EQ(table->state(), state);
        EXPECT_TRUE(table->isModified());
        EXPECT_EQ(data.TTrubaFLayer->asString(), QString::fromUtf8(layer));
    }
};

// A connection that cannot write refuses an edit as it begins, so that no
// row is typed only to be refused at the post.
TEST(DatasetWriteFailure, ReadOnlyConnectionRefusesEditsAsTheyBegin)
{
    EditedTable t(QStringLiteral(";Mode=Read"));
    EXPECT_TRUE(t.table->isReadOnly());
    EXPECT_THROW(t.table->edit(), db::DbError);
    EXPECT_THROW(t.table->append(), db::DbError);
    EXPECT_THROW(t.table->insert(), db::DbError);
    EXPECT_THROW(t.table->deleteRecord(), db::DbError);
    EXPECT_EQ(t.table->state(), DatasetState::Browse);
    EXPECT_EQ(t.table->recordCount(), 1);
    EXPECT_EQ(t.file.rows().at(0).layer, QStringLiteral("A"));
}

TEST(DatasetWriteFailure, ReadOnlyFileRefusesEditsAsTheyBegin)
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
#endif
    EditedTable t;
    t.connection.close();
    t.table->close();
    ASSERT_TRUE(QFile::setPermissions(t.file.path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    t.table->open();
    EXPECT_THROW(t.table->edit(), db::DbError);
    EXPECT_EQ(t.table->state(), DatasetState::Browse);
}

TEST(DatasetWriteFailure, FileLockedByAnotherProgram)
{
    EditedTable t;
    t.table->edit();
    t.data.TTrubaFLayer->setAsString(QStringLiteral("Б"));
    ExclusiveLock lock(t.file.path());
    ASSERT_TRUE(lock.ok());
    const QString error = postError(*t.table);
    EXPECT_TRUE(error.startsWith(QStringLiteral("TTruba: Cannot save the row: the database file is locked")))
        << error.toStdString();
    t.expectUntouched(DatasetState::Edit, "Б");

    lock.release();
    t.table->post();
    EXPECT_EQ(t.table->state(), DatasetState::Browse);
    EXPECT_EQ(t.file.rows().at(0).layer, QStringLiteral("Б"));
}

TEST(DatasetWriteFailure, DeleteOfALockedFile)
{
    EditedTable t;
    ExclusiveLock lock(t.file.path());
    ASSERT_TRUE(lock.ok());
    EXPECT_THROW(t.table->deleteRecord(), db::DbError);
    EXPECT_EQ(t.table->recordCount(), 1);
    lock.release();
    EXPECT_EQ(t.file.rowCount(), 1);
}

TEST(DatasetWriteFailure, ConstraintOfTheTable)
{
    PipeTable t(QStringLiteral("CREATE TABLE TTruba (FKey INTEGER PRIMARY KEY AUTOINCREMENT, FObjectID INTEGER UNIQUE, "
                               "FLayer TEXT, FLength REAL CHECK (FLength >= 0), FRmax REAL, FRmin REAL, "
                               "FHandle TEXT, FDrawing TEXT);"));
    t.file.addRows({{.objectId = 7, .layer = QStringLiteral("A")}});
    t.table->open();
    t.table->append();
    t.data.TTrubaFObjectID->setAsInteger(7);
    t.data.TTrubaFLayer->setAsString(QStringLiteral("B"));
    const QString error = postError(*t.table);
    EXPECT_TRUE(error.startsWith(QStringLiteral("TTruba: Cannot save the row: the row breaks a rule of the table")))
        << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("UNIQUE"))) << error.toStdString();
    EXPECT_EQ(t.table->state(), DatasetState::Insert);
    EXPECT_EQ(t.data.TTrubaFObjectID->asInteger(), 7);
    EXPECT_EQ(t.file.rowCount(), 1);
}

TEST(DatasetWriteFailure, ViewRowsAreReadOnly)
{
    PipeTable t;
    t.file.addRows({{.length = 1.0, .rmax = 2.0, .rmin = 1.0}});
    db::Dataset& view = *t.data.VTruba;
    view.open();
    EXPECT_TRUE(view.isReadOnly());
    for (auto op : {&db::Dataset::edit, &db::Dataset::insert, &db::Dataset::append, &db::Dataset::deleteRecord}) {
        EXPECT_EQ(dbErrorOf([&] { (view.*op)(); }), QStringLiteral("VTruba: Cannot modify a read-only dataset"));
        EXPECT_EQ(view.state(), DatasetState::Browse);
    }
    EXPECT_EQ(view.recordCount(), 1);
}

} // namespace
