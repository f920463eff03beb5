#include "platform/dbwidgets/DatasetModel.h"

#include "platform/db/Dataset.h"
#include "platform/db/DbError.h"
#include "platform/db/DisplayFormat.h"
#include "platform/db/Field.h"

#include <QScopedValueRollback>

namespace dbwidgets {
namespace {

QString rawText(const db::FieldValue& value)
{
    if (const auto* i = std::get_if<int64_t>(&value))
        return QString::number(*i);
    if (const auto* d = std::get_if<double>(&value))
        return db::generalNumber(*d); // as the field gives it as a string
    if (const auto* s = std::get_if<QString>(&value))
        return *s;
    return {};
}

bool isNumeric(const db::Field& field)
{
    return field.type() != db::FieldType::Text;
}

} // namespace

DatasetModel::DatasetModel(QObject* parent) : QAbstractTableModel(parent) {}

DatasetModel::~DatasetModel() = default;

void DatasetModel::setDataset(db::Dataset* dataset)
{
    if (m_dataset == dataset)
        return;
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    QScopedValueRollback announcing(m_announcing, true);
    beginResetModel();
    m_dataset = dataset;
    rebuildColumns();
    endResetModel();
    connectDataset();
}

void DatasetModel::connectDataset()
{
    db::Dataset* ds = m_dataset;
    if (!ds)
        return;
    m_connections << connect(ds, &db::Dataset::rowsReset, this, &DatasetModel::reset)
                  << connect(ds, &db::Dataset::rowInserted, this, &DatasetModel::onRowInserted)
                  << connect(ds, &db::Dataset::rowRemoved, this, &DatasetModel::onRowRemoved)
                  << connect(ds, &db::Dataset::rowChanged, this, &DatasetModel::onRowChanged)
                  << connect(ds, &db::Dataset::currentRowChanged, this, &DatasetModel::onIndicatorChanged)
                  << connect(ds, &db::Dataset::stateChanged, this, &DatasetModel::onIndicatorChanged)
                  << connect(ds, &QObject::destroyed, this, &DatasetModel::onDatasetDestroyed);
}

void DatasetModel::onDatasetDestroyed()
{
    // The fields are gone already; forget them before anyone asks.
    m_connections.clear();
    QScopedValueRollback announcing(m_announcing, true);
    beginResetModel();
    m_dataset = nullptr;
    m_columns.clear();
    m_rowCount = 0;
    endResetModel();
}

void DatasetModel::reset()
{
    QScopedValueRollback announcing(m_announcing, true);
    beginResetModel();
    rebuildColumns();
    endResetModel();
}

void DatasetModel::rebuildColumns()
{
    m_columns.clear();
    m_pendingInsert = m_pendingRemove = -1;
    m_rowCount = 0;
    if (!m_dataset)
        return;
    for (const auto& field : m_dataset->fields()) {
        if (field->def().visible)
            m_columns.push_back(field.get());
    }
    m_rowCount = m_dataset->isActive() ? m_dataset->recordCount() : 0;
}

db::Field* DatasetModel::fieldAt(int column) const
{
    if (column < 0 || column >= static_cast<int>(m_columns.size()))
        return nullptr;
    return m_columns[static_cast<size_t>(column)];
}

// Like checkIndex(), but quiet: views and the model tester ask about invalid
// indexes on purpose.
bool DatasetModel::isCell(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid() && index.row() < m_rowCount
        && index.column() < columnCount();
}

int DatasetModel::datasetRow(int modelRow) const
{
    if (m_pendingInsert >= 0 && modelRow >= m_pendingInsert)
        return modelRow + 1;
    if (m_pendingRemove >= 0 && modelRow >= m_pendingRemove)
        return modelRow == m_pendingRemove ? -1 : modelRow - 1;
    return modelRow;
}

void DatasetModel::onRowInserted(int row)
{
    if (row < 0 || row > m_rowCount) {
        reset();
        return;
    }
    QScopedValueRollback announcing(m_announcing, true);
    m_pendingInsert = row;
    beginInsertRows({}, row, row);
    m_pendingInsert = -1;
    ++m_rowCount;
    endInsertRows();
}

void DatasetModel::onRowRemoved(int row)
{
    if (row < 0 || row >= m_rowCount) {
        reset();
        return;
    }
    QScopedValueRollback announcing(m_announcing, true);
    m_pendingRemove = row;
    beginRemoveRows({}, row, row);
    m_pendingRemove = -1;
    --m_rowCount;
    endRemoveRows();
}

void DatasetModel::onRowChanged(int row)
{
    if (row < 0 || row >= m_rowCount || m_columns.empty())
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DatasetModel::onIndicatorChanged()
{
    if (m_rowCount > 0)
        emit headerDataChanged(Qt::Vertical, 0, m_rowCount - 1);
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (!isCell(index) || !m_dataset)
        return {};
    const db::Field* field = fieldAt(index.column());
    if (!field)
        return {};
    if (role == Qt::TextAlignmentRole) {
        const Qt::Alignment h = isNumeric(*field) ? Qt::AlignRight : Qt::AlignLeft;
        return QVariant::fromValue(h | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const int row = datasetRow(index.row());
    if (row < 0 || !m_dataset->isActive())
        return {};
    try {
        const db::FieldValue value = m_dataset->valueAt(row, field->index());
        return role == Qt::DisplayRole ? field->format(value) : rawText(value);
    } catch (...) {
        // A view asks while the dataset is between states; show nothing.
        return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        const db::Field* field = fieldAt(section);
        if (!field)
            return {};
        if (role == Qt::DisplayRole)
            return field->def().displayLabel.isEmpty() ? field->name() : field->def().displayLabel;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        return {};
    }
    if (role != Qt::DisplayRole || section < 0 || section >= m_rowCount || !m_dataset)
        return {};
    if (datasetRow(section) != m_dataset->recNo())
        return QString();
    switch (m_dataset->state()) {
    case db::DatasetState::Edit:
        return QString(QChar(editGlyph));
    case db::DatasetState::Insert:
        return QString(QChar(insertGlyph));
    case db::DatasetState::Browse:
        return QString(QChar(currentGlyph));
    case db::DatasetState::Inactive:
        break;
    }
    return QString();
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    if (!isCell(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const db::Field* field = fieldAt(index.column());
    if (field && m_dataset && m_dataset->isActive() && !m_dataset->isReadOnly() && !field->def().readOnly
        && field->type() != db::FieldType::AutoInc)
        result |= Qt::ItemIsEditable;
    return result;
}

QString DatasetModel::editText(const QModelIndex& index) const
{
    return data(index, Qt::EditRole).toString();
}

void DatasetModel::writeCell(const QModelIndex& index, const QString& text)
{
    db::Dataset* ds = m_dataset;
    db::Field* field = fieldAt(index.column());
    if (!ds || !field || !isCell(index) || m_announcing)
        throw db::DbError(QStringLiteral("No field to write to"));
    if (text == editText(index))
        return;
    if (ds->recNo() != index.row())
        ds->moveTo(index.row());
    if (ds->state() == db::DatasetState::Browse)
        ds->edit();
    field->setAsString(text);
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) || m_announcing)
        return false;
    return guarded(errorHandler, [&] { writeCell(index, value.toString()); });
}

} // namespace dbwidgets
