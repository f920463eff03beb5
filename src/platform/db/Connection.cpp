#include "platform/db/Connection.h"

#include "platform/db/ConnectionString.h"
#include "platform/db/DbError.h"
#include "platform/db/SqliteError.h"
#include "platform/db/Statement.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

#include <memory>

namespace db {

namespace {

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

bool isReadMode(const ConnectionString& cs)
{
    const QString mode = cs.value(QStringLiteral("Mode")).value_or(QString()).simplified();
    return mode.compare(QStringLiteral("Read"), Qt::CaseInsensitive) == 0;
}

// Whether a write could get through: the file must take writes, and so must
// its folder, where the rollback journal of every transaction is made. SQLite
// itself falls back to reading only for a file it cannot write, but not for
// a folder that refuses the journal: there the first write fails. The
// folder's mode means what it says only on POSIX; on Windows a folder's
// read-only attribute does not keep files from being made in it.
bool canWrite(const QString& path)
{
#ifdef Q_OS_UNIX
    const QByteArray file = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    // Asked for the effective user, the one whose rights the open will have.
    const auto writable = [](const QByteArray& name) {
        return ::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) == 0;
    };
    return writable(file) && writable(folder);
#else
    Q_UNUSED(path);
    return true;
#endif
}

} // namespace

Connection::~Connection() { close(); }

QString Connection::dataSource() const { return ConnectionString(m_connectionString).dataSource(); }

void Connection::setBusyTimeout(int milliseconds)
{
    m_busyTimeoutMs = milliseconds < 0 ? 0 : milliseconds;
    if (m_db)
        sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
}

void Connection::open()
{
    if (m_db)
        return;
    const ConnectionString cs(m_connectionString);
    const QString provider = cs.provider();
    if (provider.compare(QString::fromUtf16(jetProvider), Qt::CaseInsensitive) != 0) {
        throw DbError(provider.isEmpty()
                          ? QStringLiteral("The connection string names no provider")
                          : QStringLiteral("Provider cannot be found: '%1'").arg(provider));
    }
    const QString path = cs.dataSource();
    if (path.isEmpty())
        throw DbError(QStringLiteral("The connection string names no data source"));
    const QString context = QStringLiteral("Cannot open the database file '%1'").arg(path);
    if (!QFileInfo(path).isFile())
        throw DbError(context + QStringLiteral(": the file does not exist"));

    // Never SQLITE_OPEN_CREATE: the program works on the file it ships with,
    // and a missing file must not turn silently into a new, empty database.
    // No SQLITE_OPEN_URI either, so the name is always a plain file name.
    // A file that cannot take writes is opened for reading, so that
    // isReadOnly() says so before anybody types a row that could not be kept.
    const int flags = isReadMode(cs) || !canWrite(path) ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK)
        throwSqliteError(db.get(), rc, context);
    sqlite3_extended_result_codes(db.get(), 1);
    sqlite3_busy_timeout(db.get(), m_busyTimeoutMs);

    // SQLite reads nothing on open, so a file that is no database would only
    // fail at the first query. Read the header now. A zero-length file would
    // pass as an empty database, and the first write would turn it into one:
    // refuse it here as well.
    {
        Statement pages(db.get(), QStringLiteral("PRAGMA page_count"), context);
        if (!pages.step() || pages.int64At(0) <= 0)
            throw DbError(context + QStringLiteral(": the file is not a database (it is empty)"));
    }
    {
        Statement schema(db.get(), QStringLiteral("SELECT count(*) FROM sqlite_master"), context);
        schema.step();
    }
    // WAL keeps its index in shared memory, which does not work across a
    // network share; the rollback journal does. The switch needs the file to
    // ourselves: when another program holds it in WAL mode, it stays WAL.
    if (flags == SQLITE_OPEN_READWRITE) {
        bool wal = false;
        {
            Statement journal(db.get(), QStringLiteral("PRAGMA journal_mode"), context);
            wal = journal.step() && journal.textAt(0).compare(QStringLiteral("wal"), Qt::CaseInsensitive) == 0;
        } // finalized: an open statement would keep the switch from happening
        if (wal)
            sqlite3_exec(db.get(), "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    }
    m_db = db.release();
}

void Connection::close()
{
    if (!m_db)
        return;
    dropStatements();
    // close_v2 rolls back an open transaction and never fails for statements
    // still open: it defers the close until they are finalized.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

sqlite3_stmt* Connection::takeStatement(const QString& sql)
{
    const auto found = m_statements.find(sql);
    if (found == m_statements.end())
        return nullptr;
    sqlite3_stmt* statement = found.value();
    m_statements.erase(found);
    return statement;
}

void Connection::keepStatement(const QString& sql, sqlite3_stmt* statement)
{
    // A handful of shapes per table; the bound keeps a run of differently
    // shaped updates from growing the cache without end.
    constexpr size_t MaxKept = 64;
    if (!m_db || size_t(m_statements.size()) >= MaxKept) {
        sqlite3_finalize(statement);
        return;
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    m_statements.insert(sql, statement);
}

void Connection::dropStatements()
{
    for (sqlite3_stmt* statement : std::as_const(m_statements))
        sqlite3_finalize(statement);
    m_statements.clear();
}

bool Connection::isReadOnly() const { return m_db && sqlite3_db_readonly(m_db, "main") == 1; }

bool Connection::inTransaction() const { return m_db && sqlite3_get_autocommit(m_db) == 0; }

} // namespace db
