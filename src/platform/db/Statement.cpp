#include "platform/db/Statement.h"

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/SqliteError.h"

#include <sqlite3.h>

namespace db {

namespace {

QString utf8OrEmpty(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

} // namespace

Statement::Statement(sqlite3* db, const QString& sql, QString context)
    : m_db(db), m_context(std::move(context))
{
    prepare(sql);
}

Statement::Statement(Connection& connection, const QString& sql, QString context)
    : m_db(connection.handle()), m_context(std::move(context))
{
    if (m_db)
        m_stmt = connection.takeStatement(sql);
    if (!m_stmt)
        prepare(sql);
    m_cache = &connection;
    m_sql = sql;
}

void Statement::prepare(const QString& sql)
{
    if (!m_db)
        throw DbError(m_context + QStringLiteral(": the connection is not open"));
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throwSqliteError(m_db, rc, m_context);
    }
}

Statement::~Statement()
{
    if (m_cache && m_stmt)
        m_cache->keepStatement(m_sql, m_stmt);
    else
        sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, const FieldValue& value)
{
    int rc = SQLITE_OK;
    if (std::holds_alternative<std::monostate>(value)) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else if (const auto* i = std::get_if<int64_t>(&value)) {
        rc = sqlite3_bind_int64(m_stmt, index, *i);
    } else if (const auto* d = std::get_if<double>(&value)) {
        rc = sqlite3_bind_double(m_stmt, index, *d);
    } else {
        const QByteArray text = std::get<QString>(value).toUtf8();
        rc = sqlite3_bind_text64(m_stmt, index, text.constData(), sqlite3_uint64(text.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    if (rc != SQLITE_OK)
        throwSqliteError(m_db, rc, m_context);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // Reset at once so that the statement gives up its locks before the
    // caller decides what to do about the failure.
    sqlite3_reset(m_stmt);
    throwSqliteError(m_db, rc, m_context);
}

void Statement::run()
{
    while (step()) {
    }
}

int Statement::columnCount() const { return sqlite3_column_count(m_stmt); }

QString Statement::columnName(int column) const
{
    return utf8OrEmpty(sqlite3_column_name(m_stmt, column));
}

QString Statement::declaredType(int column) const
{
    return utf8OrEmpty(sqlite3_column_decltype(m_stmt, column));
}

QString Statement::originDatabase(int column) const
{
    return utf8OrEmpty(sqlite3_column_database_name(m_stmt, column));
}

QString Statement::originTable(int column) const
{
    return utf8OrEmpty(sqlite3_column_table_name(m_stmt, column));
}

QString Statement::originColumn(int column) const
{
    return utf8OrEmpty(sqlite3_column_origin_name(m_stmt, column));
}

int Statement::storageClass(int column) const { return sqlite3_column_type(m_stmt, column); }

int64_t Statement::int64At(int column) const { return sqlite3_column_int64(m_stmt, column); }

double Statement::doubleAt(int column) const { return sqlite3_column_double(m_stmt, column); }

QString Statement::textAt(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column));
}

void execute(sqlite3* db, const QString& sql, const QString& context)
{
    if (!db)
        throw DbError(context + QStringLiteral(": the connection is not open"));
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throwSqliteError(db, rc, context);
}

QString quoteIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace db
