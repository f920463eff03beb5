#pragma once

#include "platform/db/DatasetRow.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

namespace db {

class Connection;
class Field;

// The statements that write one row of a table back to the file: the INSERT
// of a new row, the UPDATE of an edited one and the DELETE of a row, each
// finding the row by its key. A failure is a DbError "<context>: <reason>",
// and nothing is written then. The texts of the statements are made once per
// set of fields written and kept: a table filled row by row (a harvest of ten
// thousand pipes) asks for the same few again and again, and the connection
// keeps them prepared.
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
    QString insertSql(const std::vector<size_t>& columns);
    QString updateSql(const std::vector<size_t>& columns);
    DatasetRow readBack(class Statement& statement, DatasetRow row, const QString& context) const;

    Connection& m_connection;
    QString m_table; // quoted
    QString m_key;   // quoted
    const std::vector<std::unique_ptr<Field>>& m_fields;
    QString m_context;
    std::vector<QString> m_columns; // quoted, in field order
    QString m_returning;            // every write reads the row back
    std::map<std::vector<size_t>, QString> m_inserts;
    std::map<std::vector<size_t>, QString> m_updates;
};

} // namespace db
