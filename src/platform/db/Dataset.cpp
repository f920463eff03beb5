#include "platform/db/Dataset.h"

#include "platform/db/Connection.h"
#include "platform/db/DataSource.h"
#include "platform/db/DatasetLoad.h"
#include "platform/db/DbError.h"
#include "platform/db/RowOrder.h"
#include "platform/db/RowWriter.h"

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
    // Made when the rows are taken, kept with the statements it made.
    std::unique_ptr<RowWriter> writer;
};

namespace {

const FieldValue nullValue{};

} // namespace

Dataset::Dataset(Connection& connection, QString sourceName, QObject* parent)
    : QObject(parent), m_connection(connection), m_sourceName(std::move(sourceName)), d(std::make_unique<Private>())
{
}

// Never touches the connection: a data module may destroy its connection
// first. The data sources let go while the fields still exist.
Dataset::~Dataset()
{
    for (DataSource* source : std::vector<DataSource*>(m_sources))
        source->datasetDestroyed();
}

void Dataset::addDataSource(DataSource* source)
{
    if (std::find(m_sources.begin(), m_sources.end(), source) == m_sources.end())
        m_sources.push_back(source);
}

void Dataset::removeDataSource(DataSource* source)
{
    m_sources.erase(std::remove(m_sources.begin(), m_sources.end(), source), m_sources.end());
}

void Dataset::notify(DataEvent event, int row)
{
    if (controlsDisabled())
        return;
    for (DataSource* source : std::vector<DataSource*>(m_sources))
        source->notifyLinks(event, row);
}

void Dataset::updateRecord()
{
    if (!isActive() || controlsDisabled())
        return;
    for (DataSource* source : std::vector<DataSource*>(m_sources))
        source->updateRecord();
}

void Dataset::disableControls()
{
    if (m_disabledCount == 0)
        notify(DataEvent::AboutToReset);
    ++m_disabledCount;
}

void Dataset::enableControls()
{
    if (m_disabledCount == 0 || --m_disabledCount > 0)
        return;
    notify(DataEvent::Reset);
    notify(DataEvent::StateChanged);
    notify(DataEvent::CurrentChanged, m_current);
}

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

void Dataset::setFieldVisible(Field& field, bool visible)
{
    if (&field.dataset() != this || field.m_def.visible == visible)
        return;
    // The controls take their columns from the fields when they reset.
    notify(DataEvent::AboutToReset);
    field.m_def.visible = visible;
    notify(DataEvent::Reset);
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
    notify(DataEvent::AboutToReset);
    const std::vector<size_t> order = sortRows(d->rows, sortColumns(m_indexFieldNames));
    if (m_current >= 0)
        m_current = int(std::find(order.begin(), order.end(), size_t(m_current)) - order.begin());
    notify(DataEvent::Reset);
    notify(DataEvent::CurrentChanged, m_current);
}

// The one place where a freshly read row list becomes the dataset's: the
// controls are told before and after, never in between.
void Dataset::takeRows(LoadedSource&& source, int current)
{
    notify(DataEvent::AboutToReset);
    sortRows(source.rows, sortColumns(m_indexFieldNames));
    d->rows = std::move(source.rows);
    // Rows that could not be written are refused when an edit begins, not
    // after the user has typed them.
    d->readOnly = source.isView || m_connection.isReadOnly();
    d->tableName = source.name;
    d->keyColumn = source.keyColumn;
    d->writer.reset();
    d->buffer = {};
    d->changed.clear();
    m_modified = false;
    m_state = DatasetState::Browse;
    m_current = d->rows.empty() ? -1 : std::clamp(current, 0, recordCount() - 1);
    m_bof = m_current <= 0;
    m_eof = d->rows.empty();
    notify(DataEvent::Reset);
    notify(DataEvent::StateChanged);
    notify(DataEvent::CurrentChanged, m_current);
}

void Dataset::open()
{
    if (isActive())
        return;
    if (!m_connection.isConnected())
        m_connection.open();
    if (beforeOpen)
        beforeOpen(*this);
    sortColumns(m_indexFieldNames); // an unknown sort field fails before anything is read
    takeRows(loadSource(m_connection.handle(), m_sourceName, m_fields), 0);
}

void Dataset::close()
{
    if (!isActive())
        return;
    notify(DataEvent::AboutToReset);
    d->rows.clear();
    d->buffer = {};
    d->changed.clear();
    m_modified = false;
    m_state = DatasetState::Inactive;
    m_current = -1;
    m_bof = true;
    m_eof = true;
    notify(DataEvent::Reset);
    notify(DataEvent::StateChanged);
    notify(DataEvent::CurrentChanged, -1);
}

void Dataset::requery()
{
    checkActive();
    checkBrowseMode();
    LoadedSource source;
    try {
        source = loadSource(m_connection.handle(), m_sourceName, m_fields);
    } catch (...) {
        // The rows in memory may no longer be the file's: show none.
        close();
        throw;
    }
    takeRows(std::move(source), m_current);
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
    if (!isEditing())
        throw DbError(name() + QStringLiteral(": Dataset not in edit or insert mode"));
}

void Dataset::checkWritable() const
{
    if (d->readOnly)
        throw DbError(name() + QStringLiteral(": Cannot modify a read-only dataset"));
}

RowWriter& Dataset::writer() const
{
    if (!d->writer)
        d->writer = std::make_unique<RowWriter>(m_connection, d->tableName, d->keyColumn, m_fields, name());
    return *d->writer;
}

int Dataset::recordCount() const { return int(d->rows.size()); }

void Dataset::setCurrent(int row, bool bof, bool eof)
{
    m_current = row;
    m_bof = bof;
    m_eof = eof;
    notify(DataEvent::CurrentChanged, row);
}

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
    notify(DataEvent::AboutToInsert, position);
    d->rowBeforeInsert = m_current;
    d->rows.insert(d->rows.begin() + position, blank);
    d->buffer = std::move(blank);
    d->changed.assign(m_fields.size(), false);
    m_modified = false;
    m_state = DatasetState::Insert;
    m_current = position;
    m_bof = m_eof = false;
    notify(DataEvent::Inserted, position);
    notify(DataEvent::StateChanged);
    notify(DataEvent::CurrentChanged, position);
}

void Dataset::edit()
{
    checkActive();
    if (isEditing())
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
    notify(DataEvent::StateChanged);
}

// Every way out of an edit or insert back to browse state passes here: a
// post, a cancel, a delete.
void Dataset::leaveEditState()
{
    d->buffer = {};
    d->changed.clear();
    m_modified = false;
    m_state = DatasetState::Browse;
}

void Dataset::post()
{
    checkEditing();
    updateRecord();
    postRow();
}

void Dataset::postRow()
{
    if (beforePost)
        beforePost(*this);
    // The handler may have ended the edit itself.
    if (!isEditing())
        return;
    checkWritable();
    RowWriter& rowWriter = writer();
    DatasetRow& stored = d->rows[size_t(m_current)];
    stored = m_state == DatasetState::Insert ? rowWriter.insert(d->buffer, d->changed)
                                             : rowWriter.update(stored, d->buffer, d->changed);
    leaveEditState();
    notify(DataEvent::StateChanged);
    notify(DataEvent::RowChanged, m_current);
}

void Dataset::cancel()
{
    if (m_state == DatasetState::Edit) {
        leaveEditState();
        notify(DataEvent::StateChanged);
        notify(DataEvent::RowChanged, m_current);
    } else if (m_state == DatasetState::Insert) {
        const int position = m_current;
        notify(DataEvent::AboutToRemove, position);
        d->rows.erase(d->rows.begin() + position);
        leaveEditState();
        const bool empty = d->rows.empty();
        m_current = empty ? -1 : std::clamp(d->rowBeforeInsert, 0, recordCount() - 1);
        m_bof = m_eof = empty;
        notify(DataEvent::Removed, position);
        notify(DataEvent::StateChanged);
        notify(DataEvent::CurrentChanged, m_current);
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
    writer().remove(d->rows[size_t(m_current)].key);

    const int position = m_current;
    const bool wasLast = position == recordCount() - 1;
    const bool wasEditing = isEditing();
    notify(DataEvent::AboutToRemove, position);
    d->rows.erase(d->rows.begin() + position);
    leaveEditState();
    const bool empty = d->rows.empty();
    m_current = empty ? -1 : std::min(position, recordCount() - 1);
    m_bof = empty;
    m_eof = empty || wasLast;
    notify(DataEvent::Removed, position);
    if (wasEditing)
        notify(DataEvent::StateChanged);
    notify(DataEvent::CurrentChanged, m_current);
}

void Dataset::checkBrowseMode()
{
    checkActive();
    updateRecord();
    if (!isEditing())
        return;
    if (m_modified)
        postRow();
    else
        cancel();
}

FieldValue Dataset::valueAt(int row, int fieldIndex) const
{
    if (!isActive() || row < 0 || row >= recordCount() || fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        return nullValue;
    if (row == m_current && isEditing())
        return d->buffer.values[size_t(fieldIndex)];
    return d->rows[size_t(row)].values[size_t(fieldIndex)];
}

const FieldValue& Dataset::currentValue(int fieldIndex) const
{
    checkActive();
    if (m_current < 0)
        throw DbError(name() + QStringLiteral(": Cannot perform this operation on an empty dataset"));
    if (isEditing())
        return d->buffer.values[size_t(fieldIndex)];
    return d->rows[size_t(m_current)].values[size_t(fieldIndex)];
}

void Dataset::setCurrentValue(int fieldIndex, FieldValue value)
{
    checkEditing();
    d->buffer.values[size_t(fieldIndex)] = std::move(value);
    d->changed[size_t(fieldIndex)] = true;
    fieldModified();
}

void Dataset::fieldModified()
{
    m_modified = true;
    notify(DataEvent::RowChanged, m_current);
}

} // namespace db
