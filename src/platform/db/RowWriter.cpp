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

// Every write reads the row back as stored: the new key, and the values as
// the column's affinity kept them.
QString RowWriter::returningClause() const
{
    QString returning = QStringLiteral(" RETURNING rowid");
    for (const auto& field : m_fields)
        returning += QStringLiteral(", ") + quoteIdentifier(field->name());
    return returning;
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
    QString sql;
    if (columns.empty()) {
        sql = QStringLiteral("INSERT INTO ") + m_table + QStringLiteral(" DEFAULT VALUES");
    } else {
        QStringList names, params;
        for (size_t i = 0; i < columns.size(); ++i) {
            names << quoteIdentifier(m_fields[columns[i]]->name());
            params << QStringLiteral("?%1").arg(i + 1);
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(m_table, names.join(QLatin1String(", ")), params.join(QLatin1String(", ")));
    }
    Statement statement(m_connection, sql + returningClause(), context);
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
    // ?1..?n the new values, ?n+1 the key, ?n+2.. the values as read.
    const int n = int(columns.size());
    QStringList sets, guards;
    for (int i = 0; i < n; ++i) {
        const QString column = quoteIdentifier(m_fields[columns[size_t(i)]]->name());
        sets << QStringLiteral("%1 = ?%2").arg(column).arg(i + 1);
        guards << QStringLiteral("%1 IS ?%2").arg(column).arg(n + 2 + i);
    }
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?%4 AND %5")
                            .arg(m_table, sets.join(QLatin1String(", ")), m_key)
                            .arg(n + 1)
                            .arg(guards.join(QLatin1String(" AND ")));
    Statement statement(m_connection, sql + returningClause(), context);
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
