#include "platform/db/DatasetLoad.h"

#include "platform/db/DbError.h"
#include "platform/db/Field.h"
#include "platform/db/Statement.h"

#include <sqlite3.h>

#include <cmath>

namespace db {

namespace {

// SQLite's rules for the affinity of a declared column type.
enum class Affinity { Integer, Text, Blob, Real, Numeric };

Affinity affinityOf(const QString& declared)
{
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT")))
        return Affinity::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT")))
        return Affinity::Text;
    if (t.isEmpty() || t.contains(QLatin1String("BLOB")))
        return Affinity::Blob;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")))
        return Affinity::Real;
    return Affinity::Numeric;
}

bool declaredTypeFits(FieldType type, const QString& declared)
{
    switch (affinityOf(declared)) {
    case Affinity::Integer:
        return type == FieldType::Integer || type == FieldType::AutoInc;
    case Affinity::Real:
        return type == FieldType::Double;
    case Affinity::Text:
        return type == FieldType::Text;
    case Affinity::Blob:
    case Affinity::Numeric:
        return false;
    }
    return false;
}

QString storageClassName(int storageClass)
{
    switch (storageClass) {
    case SQLITE_INTEGER:
        return QStringLiteral("INTEGER");
    case SQLITE_FLOAT:
        return QStringLiteral("REAL");
    case SQLITE_TEXT:
        return QStringLiteral("TEXT");
    case SQLITE_BLOB:
        return QStringLiteral("BLOB");
    default:
        return QStringLiteral("NULL");
    }
}

DbError typeMismatch(const QString& source, const Field& field, const QString& actual)
{
    return DbError(QStringLiteral("%1: Type mismatch for field '%2', expecting: %3 actual: %4")
                       .arg(source, field.name(), fieldTypeName(field.type()), actual));
}

// The auto-increment key must be the table's INTEGER PRIMARY KEY declared
// AUTOINCREMENT: only that column is the rowid and never reuses a key.
bool isAutoIncrementKey(sqlite3* db, const Statement& select, int column)
{
    const QByteArray database = select.originDatabase(column).toUtf8();
    const QByteArray table = select.originTable(column).toUtf8();
    const QByteArray origin = select.originColumn(column).toUtf8();
    if (table.isEmpty() || origin.isEmpty())
        return false;
    const char* declared = nullptr;
    const char* collation = nullptr;
    int notNull = 0, primaryKey = 0, autoIncrement = 0;
    if (sqlite3_table_column_metadata(db, database.constData(), table.constData(), origin.constData(), &declared,
                                      &collation, &notNull, &primaryKey, &autoIncrement)
        != SQLITE_OK)
        return false;
    return primaryKey && autoIncrement && QString::fromUtf8(declared).compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
}

struct SchemaEntry {
    QString name;
    bool isView = false;
};

SchemaEntry findSource(sqlite3* db, const QString& sourceName)
{
    const QString context = sourceName + QStringLiteral(": Cannot open");
    Statement lookup(db,
                     QStringLiteral("SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') "
                                    "AND name = ?1 COLLATE NOCASE"),
                     context);
    lookup.bind(1, sourceName);
    if (!lookup.step())
        throw DbError(QStringLiteral("%1: No table or view of that name in the database").arg(sourceName));
    return {lookup.textAt(0), lookup.textAt(1) == QLatin1String("view")};
}

} // namespace

QString fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::AutoInc:
        return QStringLiteral("AutoInc");
    case FieldType::Integer:
        return QStringLiteral("Integer");
    case FieldType::Double:
        return QStringLiteral("Float");
    case FieldType::Text:
        return QStringLiteral("Text");
    }
    return QString();
}

std::optional<FieldValue> readFieldValue(const Statement& statement, int column, FieldType type)
{
    const int storage = statement.storageClass(column);
    if (storage == SQLITE_NULL)
        return FieldValue{};
    switch (type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        if (storage == SQLITE_INTEGER)
            return FieldValue{statement.int64At(column)};
        if (storage == SQLITE_FLOAT) {
            // A whole number computed as a double (a view's sum) still fits.
            const double d = statement.doubleAt(column);
            if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.2e18)
                return FieldValue{int64_t(d)};
        }
        return std::nullopt;
    case FieldType::Double:
        if (storage == SQLITE_FLOAT)
            return FieldValue{statement.doubleAt(column)};
        if (storage == SQLITE_INTEGER)
            return FieldValue{double(statement.int64At(column))};
        return std::nullopt;
    case FieldType::Text:
        if (storage == SQLITE_TEXT)
            return FieldValue{statement.textAt(column)};
        return std::nullopt;
    }
    return std::nullopt;
}

LoadedSource loadSource(sqlite3* db, const QString& sourceName, const std::vector<std::unique_ptr<Field>>& fields)
{
    const SchemaEntry entry = findSource(db, sourceName);
    LoadedSource loaded;
    loaded.name = entry.name;
    loaded.isView = entry.isView;

    // A table's rows are found by rowid; the auto-increment key, when the
    // table has one, is that same rowid under its own name.
    const QString from = QStringLiteral(" FROM ") + quoteIdentifier(entry.name);
    Statement select(db, entry.isView ? QStringLiteral("SELECT *") + from : QStringLiteral("SELECT rowid, *") + from,
                     sourceName + QStringLiteral(": Cannot open"));
    const int firstColumn = entry.isView ? 0 : 1;

    std::vector<int> columnOf(fields.size(), -1);
    for (size_t f = 0; f < fields.size(); ++f) {
        const Field& field = *fields[f];
        for (int c = firstColumn; c < select.columnCount(); ++c) {
            if (select.columnName(c).compare(field.name(), Qt::CaseInsensitive) == 0) {
                columnOf[f] = c;
                break;
            }
        }
        if (columnOf[f] < 0)
            throw DbError(QStringLiteral("%1: Field '%2' not found").arg(sourceName, field.name()));
        const QString declared = select.declaredType(columnOf[f]);
        if (field.type() == FieldType::AutoInc) {
            if (!isAutoIncrementKey(db, select, columnOf[f]))
                throw typeMismatch(sourceName, field, declared.isEmpty() ? QStringLiteral("(no type)") : declared);
            if (!entry.isView)
                loaded.keyColumn = select.originColumn(columnOf[f]);
        } else if (!declared.isEmpty() && !declaredTypeFits(field.type(), declared)) {
            // A computed column of a view has no declared type: its values
            // decide, as every value read is checked below.
            throw typeMismatch(sourceName, field, declared);
        }
    }
    if (!entry.isView && loaded.keyColumn.isEmpty())
        loaded.keyColumn = QStringLiteral("rowid");

    while (select.step()) {
        DatasetRow row;
        row.values.reserve(fields.size());
        if (!entry.isView)
            row.key = select.int64At(0);
        for (size_t f = 0; f < fields.size(); ++f) {
            std::optional<FieldValue> value = readFieldValue(select, columnOf[f], fields[f]->type());
            if (!value) {
                // Even a typed column may hold a stray value written by another
                // program (SQLite keeps text that is no number as text).
                throw typeMismatch(sourceName, *fields[f], storageClassName(select.storageClass(columnOf[f])));
            }
            row.values.push_back(std::move(*value));
        }
        loaded.rows.push_back(std::move(row));
    }
    return loaded;
}

} // namespace db
