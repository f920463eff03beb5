#include "platform/db/Transaction.h"

#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

#include <sqlite3.h>

namespace db {

namespace {

const QString savepointName = QStringLiteral("vedoris_tx");

} // namespace

Transaction::Transaction(Connection& connection) : m_connection(connection)
{
    const QString context = QStringLiteral("Cannot begin a transaction");
    m_savepoint = connection.inTransaction();
    // IMMEDIATE takes the write lock now. A deferred transaction that reads
    // first and writes later can fail at once with SQLITE_BUSY when another
    // program writes meanwhile, without waiting for the busy timeout.
    execute(connection.handle(),
            m_savepoint ? QStringLiteral("SAVEPOINT ") + savepointName : QStringLiteral("BEGIN IMMEDIATE"),
            context);
    m_open = true;
}

Transaction::~Transaction() { rollback(); }

void Transaction::commit()
{
    if (!m_open)
        return;
    try {
        execute(m_connection.handle(),
                m_savepoint ? QStringLiteral("RELEASE ") + savepointName : QStringLiteral("COMMIT"),
                QStringLiteral("Cannot save the changes"));
    } catch (...) {
        // A commit that failed for any reason leaves nothing half done.
        rollback();
        throw;
    }
    m_open = false;
}

void Transaction::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    sqlite3* db = m_connection.handle();
    if (!db)
        return;
    if (m_savepoint) {
        const QByteArray sql = (QStringLiteral("ROLLBACK TO ") + savepointName + QStringLiteral("; RELEASE ")
                                + savepointName)
                                   .toUtf8();
        sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    } else if (sqlite3_get_autocommit(db) == 0) {
        // SQLite may already have rolled back by itself (after an I/O error
        // or a full disk); a second ROLLBACK would only fail.
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

} // namespace db
