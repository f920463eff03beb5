#include "platform/db/RowWriter.h"

#include "platform/db/DatasetLoad.h"
#include "platform/db/DbError.h"
#include "platform/db/Field.h"
#include "platform/db/Statement.h"

#include <QStringList>

namespace db {

RowWriter::RowWriter(Connection& connection, QString tableName, QString keyColumn,
                     const std::vector<std::unique_ptr<Field>>& fields, QString context)
    : m_connection(connection), m_table(quoteIdentifier(tableName)), m_key(quoteIdentifier(keyColumn)),
      m_fields(fields), m_context(std::move(context))
{
    // Every write reads the row back as stored: the new key, and the values
    // as the column's affinity kept them.
    m_returning = QStringLiteral(" RETURNING rowid");
    for (const auto& field : m_fields) {
        m_columns.push_back(quoteIdentifier(field->name()));
        m_returning += QStringLiteral(", ") + m_columns.back();
    }
}

std::vector<size_t> RowWriter::writableChanged(const std::vector<bool>& changed) const
{
    std::vector<size_t> result;
    for (size_t f = 0; f < m_fields.size(); ++f) {
        if (changed[f] && m_fields[f]->type() != FieldType::AutoInc)
            result.push_back(f);
    }
    return result;
}

QString RowWriter::insertSql(const std::vector<size_t>& columns)
{
    QString& sql = m_inserts[columns];
    if (!sql.isEmpty())
        return sql;
    if (columns.empty()) {
        sql = QStringLiteral("INSERT INTO ") + m_table + QStringLiteral(" DEFAULT VALUES");
    } else {
        QStringList names, params;
        for (size_t i = 0; i < columns.size(); ++i) {
            names << m_columns[columns[i]];
            params << QStringLiteral("?%1").arg(i + 1);
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(m_table, names.join(QLatin1String(", ")), params.join(QLatin1String(", ")));
    }
    sql += m_returning;
    return sql;
}

QString RowWriter::updateSql(const std::vector<size_t>& columns)
{
    QString& sql = m_updates[columns];
    if (!sql.isEmpty())
        return sql;
    // ?1..?n the new values, ?n+1 the key, ?n+2.. the values as read.
    const int n = int(columns.size());
    QStringList sets, guards;
    for (int i = 0; i < n; ++i) {
        const QString& column = m_columns[columns[size_t(i)]];
        sets << QStringLiteral("%1 = ?%2").arg(column).arg(i + 1);
        guards << QStringLiteral("%1 IS ?%2").arg(column).arg(n + 2 + i);
    }
    sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?%4 AND %5")
              .arg(m_table, sets.join(QLatin1String(", ")), m_key)
              .arg(n + 1)
              .arg(guards.join(QLatin1String(" AND ")))
          + m_returning;
    return sql;
}

// The statement is stepped to its end before anything is taken over: in
// autocommit mode the write is committed only then, and that may still fail.
DatasetRow RowWriter::readBack(Statement& statement, DatasetRow row, const QString& context) const
{
    bool found = false;
    while (statement.step()) {
        found = true;
        row.key = statement.int64At(0);
        for (size_t f = 0; f < m_fields.size(); ++f) {
            if (auto value = readFieldValue(statement, int(f) + 1, m_fields[f]->type()))
                row.values[f] = std::move(*value);
        }
    }
    if (!found) {
        throw DbError(context
                      + QStringLiteral(": another user changed or deleted it since it was read; "
                                       "reopen the table to see the current values"));
    }
    return row;
}

DatasetRow RowWriter::insert(const DatasetRow& row, const std::vector<bool>& changed)
{
    const QString context = m_context + QStringLiteral(": Cannot save the row");
    const std::vector<size_t> columns = writableChanged(changed);
    Statement statement(m_connection, insertSql(columns), context);
    for (size_t i = 0; i < columns.size(); ++i)
        statement.bind(int(i) + 1, row.values[columns[i]]);
    return readBack(statement, row, context);
}

DatasetRow RowWriter::update(const DatasetRow& stored, const DatasetRow& row, const std::vector<bool>& changed)
{
    const QString context = m_context + QStringLiteral(": Cannot save the row");
    const std::vector<size_t> columns = writableChanged(changed);
    if (columns.empty())
        return row;
    const int n = int(columns.size());
    Statement statement(m_connection, updateSql(columns), context);
    for (int i = 0; i < n; ++i) {
        const size_t f = columns[size_t(i)];
        statement.bind(i + 1, row.values[f]);
        statement.bind(n + 2 + i, stored.values[f]);
    }
    statement.bind(n + 1, FieldValue{stored.key});
    return readBack(statement, row, context);
}

void RowWriter::remove(int64_t key)
{
    Statement statement(m_connection, QStringLiteral("DELETE FROM %1 WHERE %2 = ?1").arg(m_table, m_key),
                        m_context + QStringLiteral(": Cannot delete the row"));
    statement.bind(1, FieldValue{key});
    statement.run();
}

} // namespace db
