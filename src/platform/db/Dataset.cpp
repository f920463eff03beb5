#include "platform/db/Dataset.h"

#include "platform/db/Connection.h"
#include "platform/db/DatasetLoad.h"
#include "platform/db/DbError.h"
#include "platform/db/RowOrder.h"
#include "platform/db/Statement.h"

#include <algorithm>

namespace db {

struct Dataset::Private {
    std::vector<DatasetRow> rows;
    // The current row's values while it is edited or inserted; the row list
    // keeps the stored values until a post succeeds.
    DatasetRow buffer;
    std::vector<bool> changed;
    int rowBeforeInsert = -1;
    bool readOnly = false;
    QString tableName; // as the schema spells it
    QString keyColumn; // empty for a view
};

namespace {

const FieldValue nullValue{};

} // namespace

Dataset::Dataset(Connection& connection, QString sourceName, QObject* parent)
    : QObject(parent), m_connection(connection), m_sourceName(std::move(sourceName)), d(std::make_unique<Private>())
{
}

// Never touches the connection: a data module may destroy its connection first.
Dataset::~Dataset() = default;

QString Dataset::name() const { return objectName().isEmpty() ? m_sourceName : objectName(); }

Field& Dataset::addField(FieldDef def)
{
    if (isActive())
        throw DbError(name() + QStringLiteral(": Cannot perform this operation on an open dataset"));
    if (findField(def.name))
        throw DbError(name() + QStringLiteral(": Duplicate field name '%1'").arg(def.name));
    m_fields.push_back(std::make_unique<Field>(*this, std::move(def), int(m_fields.size())));
    return *m_fields.back();
}

Field* Dataset::findField(const QString& fieldName) const
{
    for (const auto& field : m_fields) {
        if (field->name().compare(fieldName, Qt::CaseInsensitive) == 0)
            return field.get();
    }
    return nullptr;
}

Field& Dataset::fieldByName(const QString& fieldName) const
{
    if (Field* field = findField(fieldName))
        return *field;
    throw DbError(name() + QStringLiteral(": Field '%1' not found").arg(fieldName));
}

std::vector<SortColumn> Dataset::sortColumns(const QString& names) const
{
    std::vector<SortColumn> columns;
    for (const QString& part : names.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString fieldName = part.trimmed();
        if (fieldName.isEmpty())
            continue;
        const Field& field = fieldByName(fieldName);
        columns.push_back({field.index(), field.type()});
    }
    return columns;
}

void Dataset::setIndexFieldNames(const QString& names)
{
    const std::vector<SortColumn> columns = sortColumns(names); // an unknown name changes nothing
    if (isActive())
        checkBrowseMode();
    m_indexFieldNames = names;
    if (isActive())
        resort();
}

void Dataset::resort()
{
    const std::vector<size_t> order = sortRows(d->rows, sortColumns(m_indexFieldNames));
    int current = m_current;
    if (current >= 0) {
        const auto it = std::find(order.begin(), order.end(), size_t(current));
        current = int(it - order.begin());
    }
    m_current = current;
    emit rowsReset();
    emit currentRowChanged(m_current);
}

void Dataset::open()
{
    if (isActive())
        return;
    if (!m_connection.isConnected())
        m_connection.open();
    const std::vector<SortColumn> columns = sortColumns(m_indexFieldNames);
    LoadedSource source = loadSource(m_connection.handle(), m_sourceName, m_fields);
    sortRows(source.rows, columns);

    d->rows = std::move(source.rows);
    d->readOnly = source.isView;
    d->tableName = source.name;
    d->keyColumn = source.keyColumn;
    d->buffer = {};
    d->changed.clear();
    m_modified = false;
    m_state = DatasetState::Browse;
    m_current = d->rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = d->rows.empty();
    emit rowsReset();
    emit stateChanged();
    emit currentRowChanged(m_current);
}

void Dataset::close()
{
    if (!isActive())
        return;
    d->rows.clear();
    d->buffer = {};
    d->changed.clear();
    m_modified = false;
    m_state = DatasetState::Inactive;
    m_current = -1;
    m_bof = true;
    m_eof = true;
    emit rowsReset();
    emit stateChanged();
    emit currentRowChanged(-1);
}

void Dataset::requery()
{
    checkActive();
    checkBrowseMode();
    const int row = m_current;
    close();
    open();
    if (row > 0 && !d->rows.empty())
        moveTo(std::min(row, recordCount() - 1));
}

void Dataset::checkActive() const
{
    if (!isActive())
        throw DbError(name() + QStringLiteral(": Cannot perform this operation on a closed dataset"));
}

bool Dataset::isReadOnly() const { return d->readOnly; }

void Dataset::checkEditing() const
{
    checkActive();
    if (m_state != DatasetState::Edit && m_state != DatasetState::Insert)
        throw DbError(name() + QStringLiteral(": Dataset not in edit or insert mode"));
}

void Dataset::checkWritable() const
{
    if (d->readOnly)
        throw DbError(name() + QStringLiteral(": Cannot modify a read-only dataset"));
}

int Dataset::recordCount() const { return int(d->rows.size()); }

void Dataset::setCurrent(int row, bool bof, bool eof)
{
    m_current = row;
    m_bof = bof;
    m_eof = eof;
    emit currentRowChanged(row);
}

// Structural changes update every member first and signal afterwards, so a
// control that reads the dataset from a slot always finds it consistent.

void Dataset::first()
{
    checkActive();
    checkBrowseMode();
    const bool empty = d->rows.empty();
    setCurrent(empty ? -1 : 0, true, empty);
}

void Dataset::last()
{
    checkActive();
    checkBrowseMode();
    const bool empty = d->rows.empty();
    setCurrent(recordCount() - 1, empty, true);
}

void Dataset::next()
{
    checkActive();
    checkBrowseMode();
    if (m_current + 1 < recordCount())
        setCurrent(m_current + 1, false, false);
    else
        m_eof = true;
}

void Dataset::prior()
{
    checkActive();
    checkBrowseMode();
    if (m_current > 0)
        setCurrent(m_current - 1, false, false);
    else
        m_bof = true;
}

void Dataset::moveTo(int row)
{
    checkActive();
    // The caller counted the row with a pending insertion in the list; when
    // leaving cancels that insertion, the rows below it move up by one.
    const bool inserting = m_state == DatasetState::Insert;
    const int insertedAt = m_current;
    const int countBefore = recordCount();
    checkBrowseMode();
    if (inserting && recordCount() < countBefore && row > insertedAt)
        --row;
    if (row < 0 || row >= recordCount())
        throw DbError(name() + QStringLiteral(": Row %1 does not exist").arg(row));
    setCurrent(row, false, false);
}

void Dataset::insert()
{
    checkActive();
    checkWritable();
    checkBrowseMode();
    beginInsert(m_current < 0 ? 0 : m_current);
}

void Dataset::append()
{
    checkActive();
    checkWritable();
    checkBrowseMode();
    beginInsert(recordCount());
}

void Dataset::beginInsert(int position)
{
    DatasetRow blank;
    blank.values.resize(m_fields.size());
    d->rowBeforeInsert = m_current;
    d->rows.insert(d->rows.begin() + position, blank);
    d->buffer = std::move(blank);
    d->changed.assign(m_fields.size(), false);
    m_modified = false;
    m_state = DatasetState::Insert;
    m_current = position;
    m_bof = m_eof = false;
    emit rowInserted(position);
    emit stateChanged();
    emit currentRowChanged(position);
}

void Dataset::edit()
{
    checkActive();
    if (m_state == DatasetState::Edit || m_state == DatasetState::Insert)
        return;
    checkWritable();
    if (d->rows.empty()) {
        insert();
        return;
    }
    d->buffer = d->rows[size_t(m_current)];
    d->changed.assign(m_fields.size(), false);
    m_modified = false;
    m_state = DatasetState::Edit;
    emit stateChanged();
}

void Dataset::post()
{
    checkEditing();
    updateRecord();
    if (beforePost)
        beforePost(*this);
    // The handler may have ended the edit itself.
    if (m_state != DatasetState::Edit && m_state != DatasetState::Insert)
        return;
    writeRow();
    d->rows[size_t(m_current)] = d->buffer;
    d->changed.assign(m_fields.size(), false);
    m_modified = false;
    m_state = DatasetState::Browse;
    emit stateChanged();
    emit rowChanged(m_current);
}

void Dataset::writeRow()
{
    checkWritable();
    const QString context = name() + QStringLiteral(": Cannot save the row");
    const bool inserting = m_state == DatasetState::Insert;

    std::vector<int> changedFields;
    for (size_t f = 0; f < m_fields.size(); ++f) {
        if (d->changed[f] && m_fields[f]->type() != FieldType::AutoInc)
            changedFields.push_back(int(f));
    }
    if (!inserting && changedFields.empty())
        return;

    const QString table = quoteIdentifier(d->tableName);
    QString returning = QStringLiteral(" RETURNING rowid");
    for (const auto& field : m_fields)
        returning += QStringLiteral(", ") + quoteIdentifier(field->name());

    QString sql;
    if (inserting) {
        if (changedFields.empty()) {
            sql = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList names, params;
            for (size_t i = 0; i < changedFields.size(); ++i) {
                names << quoteIdentifier(m_fields[size_t(changedFields[i])]->name());
                params << QStringLiteral("?%1").arg(i + 1);
            }
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(QLatin1String(", ")),
                                                                         params.join(QLatin1String(", ")));
        }
    } else {
        // Optimistic: the row is found by its key, and only while the columns
        // being written still hold what was read, so that another program's
        // change to them is reported rather than overwritten.
        const int n = int(changedFields.size());
        QStringList sets, guards;
        for (int i = 0; i < n; ++i) {
            const QString column = quoteIdentifier(m_fields[size_t(changedFields[size_t(i)])]->name());
            sets << QStringLiteral("%1 = ?%2").arg(column).arg(i + 1);
            guards << QStringLiteral("%1 IS ?%2").arg(column).arg(n + 2 + i);
        }
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?%4 AND %5")
                  .arg(table, sets.join(QLatin1String(", ")), quoteIdentifier(d->keyColumn))
                  .arg(n + 1)
                  .arg(guards.join(QLatin1String(" AND ")));
    }

    Statement statement(m_connection, sql + returning, context);
    const std::vector<FieldValue>& stored = d->rows[size_t(m_current)].values;
    const int n = int(changedFields.size());
    for (int i = 0; i < n; ++i) {
        const size_t f = size_t(changedFields[size_t(i)]);
        statement.bind(i + 1, d->buffer.values[f]);
        if (!inserting)
            statement.bind(n + 2 + i, stored[f]);
    }
    if (!inserting)
        statement.bind(n + 1, FieldValue{d->rows[size_t(m_current)].key});

    // The values as the file stored them, and a new row's key. The statement
    // is stepped to its end before anything is taken over: in autocommit
    // mode the write is committed only then, and that may still fail.
    bool found = false;
    DatasetRow written = d->buffer;
    while (statement.step()) {
        found = true;
        written.key = statement.int64At(0);
        for (size_t f = 0; f < m_fields.size(); ++f) {
            if (auto value = readFieldValue(statement, int(f) + 1, m_fields[f]->type()))
                written.values[f] = std::move(*value);
        }
    }
    if (!found) {
        throw DbError(context
                      + QStringLiteral(": another user changed or deleted it since it was read; "
                                       "reopen the table to see the current values"));
    }
    d->buffer = std::move(written);
}

void Dataset::cancel()
{
    if (m_state == DatasetState::Edit) {
        d->buffer = {};
        d->changed.clear();
        m_modified = false;
        m_state = DatasetState::Browse;
        emit stateChanged();
        emit rowChanged(m_current);
    } else if (m_state == DatasetState::Insert) {
        const int position = m_current;
        d->rows.erase(d->rows.begin() + position);
        d->buffer = {};
        d->changed.clear();
        m_modified = false;
        m_state = DatasetState::Browse;
        const bool empty = d->rows.empty();
        m_current = empty ? -1 : std::clamp(d->rowBeforeInsert, 0, recordCount() - 1);
        m_bof = m_eof = empty;
        emit rowRemoved(position);
        emit stateChanged();
        emit currentRowChanged(m_current);
    }
}

void Dataset::deleteRecord()
{
    checkActive();
    if (m_state == DatasetState::Insert) {
        cancel();
        return;
    }
    if (d->rows.empty())
        throw DbError(name() + QStringLiteral(": Cannot perform this operation on an empty dataset"));
    checkWritable();

    Statement statement(m_connection,
                        QStringLiteral("DELETE FROM %1 WHERE %2 = ?1")
                            .arg(quoteIdentifier(d->tableName), quoteIdentifier(d->keyColumn)),
                        name() + QStringLiteral(": Cannot delete the row"));
    statement.bind(1, FieldValue{d->rows[size_t(m_current)].key});
    statement.run();

    const int position = m_current;
    const bool wasLast = position == recordCount() - 1;
    const bool wasEditing = m_state == DatasetState::Edit;
    d->rows.erase(d->rows.begin() + position);
    d->buffer = {};
    d->changed.clear();
    m_modified = false;
    m_state = DatasetState::Browse;
    const bool empty = d->rows.empty();
    m_current = empty ? -1 : std::min(position, recordCount() - 1);
    m_bof = empty;
    m_eof = empty || wasLast;
    emit rowRemoved(position);
    if (wasEditing)
        emit stateChanged();
    emit currentRowChanged(m_current);
}

void Dataset::checkBrowseMode()
{
    checkActive();
    updateRecord();
    if (m_state != DatasetState::Edit && m_state != DatasetState::Insert)
        return;
    if (m_modified)
        post();
    else
        cancel();
}

FieldValue Dataset::valueAt(int row, int fieldIndex) const
{
    if (!isActive() || row < 0 || row >= recordCount() || fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        return nullValue;
    if (row == m_current && (m_state == DatasetState::Edit || m_state == DatasetState::Insert))
        return d->buffer.values[size_t(fieldIndex)];
    return d->rows[size_t(row)].values[size_t(fieldIndex)];
}

void Dataset::updateRecord()
{
    if (isActive())
        emit updateRecordRequested();
}

const FieldValue& Dataset::currentValue(int fieldIndex) const
{
    checkActive();
    if (m_current < 0)
        throw DbError(name() + QStringLiteral(": Cannot perform this operation on an empty dataset"));
    if (m_state == DatasetState::Edit || m_state == DatasetState::Insert)
        return d->buffer.values[size_t(fieldIndex)];
    return d->rows[size_t(m_current)].values[size_t(fieldIndex)];
}

void Dataset::setCurrentValue(int fieldIndex, FieldValue value)
{
    checkEditing();
    d->buffer.values[size_t(fieldIndex)] = std::move(value);
    d->changed[size_t(fieldIndex)] = true;
    fieldModified(*m_fields[size_t(fieldIndex)]);
}

void Dataset::fieldModified(Field&)
{
    m_modified = true;
    emit rowChanged(m_current);
}

} // namespace db
