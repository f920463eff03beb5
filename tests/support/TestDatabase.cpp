#include "support/TestDatabase.h"

#include <QFile>

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

#ifndef VEDORIS_SCHEMA_SQL
#error "VEDORIS_SCHEMA_SQL must name src/data/schema.sql"
#endif

namespace {

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct Finalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Handle = std::unique_ptr<sqlite3, Closer>;
using Stmt = std::unique_ptr<sqlite3_stmt, Finalizer>;

// Test set-up that cannot go on throws: an ASSERT cannot leave a helper.
[[noreturn]] void fail(sqlite3* db, const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "no handle"));
}

Handle openFile(const QString& path, int flags)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    Handle db(raw);
    if (rc != SQLITE_OK)
        fail(db.get(), "cannot open the test database");
    sqlite3_busy_timeout(db.get(), 2000);
    return db;
}

void run(sqlite3* db, const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("SQL failed: " + text + " in: " + sql.toStdString());
    }
}

Stmt prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        fail(db, sql);
    return Stmt(raw);
}

} // namespace

TestDatabase::TestDatabase() : TestDatabase(schemaSql()) {}

TestDatabase::TestDatabase(const QString& schema, const QString& fileName)
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    m_path = m_dir.filePath(fileName);
    Handle db = openFile(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    run(db.get(), schema);
}

QString TestDatabase::schemaSql()
{
    QFile file(QStringLiteral(VEDORIS_SCHEMA_SQL));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " VEDORIS_SCHEMA_SQL);
    return QString::fromUtf8(file.readAll());
}

QString TestDatabase::connectionString() const
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False").arg(m_path);
}

void TestDatabase::exec(const QString& sql) const
{
    Handle db = openFile(m_path, SQLITE_OPEN_READWRITE);
    run(db.get(), sql);
}

void TestDatabase::addRows(const std::vector<Row>& rows) const
{
    Handle db = openFile(m_path, SQLITE_OPEN_READWRITE);
    run(db.get(), QStringLiteral("BEGIN"));
    Stmt insert = prepare(db.get(),
                          "INSERT INTO TTruba (FObjectID, FLayer, FLength, FRmax, FRmin) VALUES (?1, ?2, ?3, ?4, ?5)");
    for (const Row& row : rows) {
        sqlite3_stmt* s = insert.get();
        sqlite3_reset(s);
        row.objectId ? sqlite3_bind_int64(s, 1, *row.objectId) : sqlite3_bind_null(s, 1);
        if (row.layer) {
            const QByteArray text = row.layer->toUtf8();
            sqlite3_bind_text(s, 2, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(s, 2);
        }
        row.length ? sqlite3_bind_double(s, 3, *row.length) : sqlite3_bind_null(s, 3);
        row.rmax ? sqlite3_bind_double(s, 4, *row.rmax) : sqlite3_bind_null(s, 4);
        row.rmin ? sqlite3_bind_double(s, 5, *row.rmin) : sqlite3_bind_null(s, 5);
        if (sqlite3_step(s) != SQLITE_DONE)
            fail(db.get(), "cannot add a test row");
    }
    insert.reset();
    run(db.get(), QStringLiteral("COMMIT"));
}

std::vector<TestDatabase::Row> TestDatabase::rows() const
{
    Handle db = openFile(m_path, SQLITE_OPEN_READONLY);
    Stmt select = prepare(db.get(), "SELECT FKey, FObjectID, FLayer, FLength, FRmax, FRmin FROM TTruba ORDER BY FKey");
    std::vector<Row> result;
    sqlite3_stmt* s = select.get();
    const auto isNull = [s](int c) { return sqlite3_column_type(s, c) == SQLITE_NULL; };
    while (sqlite3_step(s) == SQLITE_ROW) {
        Row row;
        row.key = sqlite3_column_int64(s, 0);
        if (!isNull(1))
            row.objectId = sqlite3_column_int64(s, 1);
        if (!isNull(2))
            row.layer = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 2)),
                                          sqlite3_column_bytes(s, 2));
        if (!isNull(3))
            row.length = sqlite3_column_double(s, 3);
        if (!isNull(4))
            row.rmax = sqlite3_column_double(s, 4);
        if (!isNull(5))
            row.rmin = sqlite3_column_double(s, 5);
        result.push_back(std::move(row));
    }
    return result;
}

std::vector<TestDatabase::Row> TestDatabase::rowsWithoutKeys() const
{
    std::vector<Row> result = rows();
    for (Row& row : result)
        row.key.reset();
    return result;
}

TestDatabase::WriteLock::WriteLock(const QString& path)
{
    Handle db = openFile(path, SQLITE_OPEN_READWRITE);
    if (sqlite3_exec(db.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db.get(), "cannot take the write lock");
    m_db = db.release();
}

TestDatabase::WriteLock::~WriteLock()
{
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
}

QStringList TestDatabase::textColumn(const QString& column) const
{
    Handle db = openFile(m_path, SQLITE_OPEN_READONLY);
    const QByteArray sql = QStringLiteral("SELECT \"%1\" FROM TTruba ORDER BY FKey").arg(column).toUtf8();
    Stmt select = prepare(db.get(), sql.constData());
    QStringList result;
    while (sqlite3_step(select.get()) == SQLITE_ROW) {
        result << (sqlite3_column_type(select.get(), 0) == SQLITE_NULL
                       ? QStringLiteral("(null)")
                       : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 0))));
    }
    return result;
}

int TestDatabase::rowCount(const QString& table) const
{
    Handle db = openFile(m_path, SQLITE_OPEN_READONLY);
    const QByteArray sql = QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table).toUtf8();
    Stmt count = prepare(db.get(), sql.constData());
    if (sqlite3_step(count.get()) != SQLITE_ROW)
        fail(db.get(), "cannot count rows");
    return int(sqlite3_column_int64(count.get(), 0));
}

QString TestDatabase::typeOf(const QString& column, int64_t key) const
{
    Handle db = openFile(m_path, SQLITE_OPEN_READONLY);
    const QByteArray sql = QStringLiteral("SELECT typeof(\"%1\") FROM TTruba WHERE FKey = ?1").arg(column).toUtf8();
    Stmt select = prepare(db.get(), sql.constData());
    sqlite3_bind_int64(select.get(), 1, key);
    if (sqlite3_step(select.get()) != SQLITE_ROW)
        return QString();
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 0)));
}
