#include "platform/db/SqliteError.h"

#include "platform/db/DbError.h"

#include <sqlite3.h>

namespace db {

QString describeSqliteError(sqlite3* db, int resultCode)
{
    // sqlite3_errmsg() describes the most recent call on the handle, which is
    // the failed one as long as the caller asks at once.
    const QString detail = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode));
    QString reason;
    switch (resultCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        reason = QStringLiteral("the database file is locked by another user or program");
        break;
    case SQLITE_READONLY:
        reason = QStringLiteral("the database file is read-only");
        break;
    case SQLITE_CONSTRAINT:
        reason = QStringLiteral("the row breaks a rule of the table");
        break;
    case SQLITE_NOTADB:
        reason = QStringLiteral("the file is not a database");
        break;
    case SQLITE_CANTOPEN:
        // Also what a write reports when the journal beside the file cannot
        // be created, as in a read-only folder.
        reason = QStringLiteral("the file or its journal cannot be opened or created");
        break;
    case SQLITE_CORRUPT:
        reason = QStringLiteral("the database file is damaged");
        break;
    case SQLITE_FULL:
        reason = QStringLiteral("the disk is full");
        break;
    case SQLITE_IOERR:
        reason = QStringLiteral("the database file cannot be read or written");
        break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        reason = QStringLiteral("access to the database file is denied");
        break;
    default:
        return detail;
    }
    if (detail.isEmpty() || detail == reason)
        return reason;
    return reason + QStringLiteral(" (") + detail + QLatin1Char(')');
}

void throwSqliteError(sqlite3* db, int resultCode, const QString& context)
{
    // The extended code, where SQLite keeps one for the handle.
    const int code = db && (resultCode & 0xff) == (sqlite3_errcode(db) & 0xff) ? sqlite3_extended_errcode(db) : resultCode;
    throw DbError(context + QStringLiteral(": ") + describeSqliteError(db, resultCode), code);
}

} // namespace db
