#pragma once

#include "platform/db/DatasetRow.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace db {

class Field;
class Statement;

// What opening a table or view found in the file.
struct LoadedSource {
    QString name;      // as the schema spells it
    bool isView = false;
    QString keyColumn; // the column the writes find a row by; empty for a view
    std::vector<DatasetRow> rows;
};

// Reads every row of the named table or view into field order, after binding
// each field to the column of its name and checking its type. Fails with a
// DbError whose text begins with "<sourceName>: ".
LoadedSource loadSource(sqlite3* db, const QString& sourceName,
                        const std::vector<std::unique_ptr<Field>>& fields);

// The value of one column of the current result row as a value of the field's
// type; nullopt when the stored value does not fit the type (text in a
// number column, a fraction in an integer column, any blob).
std::optional<FieldValue> readFieldValue(const Statement& statement, int column, FieldType type);

// The type's name in messages: "AutoInc", "Integer", "Float", "Text".
QString fieldTypeName(FieldType type);

} // namespace db
