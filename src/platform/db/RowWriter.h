#pragma once

#include "platform/db/DatasetRow.h"

#include <QString>

#include <memory>
#include <vector>

namespace db {

class Connection;
class Field;

// The statements that write one row of a table back to the file: the INSERT
// of a new row, the UPDATE of an edited one and the DELETE of a row, each
// finding the row by its key. A failure is a DbError "<context>: <reason>",
// and nothing is written then.
class RowWriter {
public:
    RowWriter(Connection& connection, QString tableName, QString keyColumn,
              const std::vector<std::unique_ptr<Field>>& fields, QString context);

    // Writes the fields marked in `changed` and returns the row as the file
    // stored it (its new key and every field read back).
    DatasetRow insert(const DatasetRow& row, const std::vector<bool>& changed);

    // Writes the fields marked in `changed`, only while they still hold the
    // values of `stored`: another program's change to them is reported
    // rather than overwritten. Returns the row as the file stored it; the
    // row unchanged when no field was changed.
    DatasetRow update(const DatasetRow& stored, const DatasetRow& row, const std::vector<bool>& changed);

    void remove(int64_t key);

private:
    std::vector<size_t> writableChanged(const std::vector<bool>& changed) const;
    QString returningClause() const;
    DatasetRow readBack(class Statement& statement, DatasetRow row, const QString& context) const;

    Connection& m_connection;
    QString m_table; // quoted
    QString m_key;   // quoted
    const std::vector<std::unique_ptr<Field>>& m_fields;
    QString m_context;
};

} // namespace db
