#include "platform/dbwidgets/DatasetModel.h"

#include "platform/db/DataSource.h"
#include "platform/db/Dataset.h"
#include "platform/db/DbError.h"
#include "platform/db/DisplayFormat.h"
#include "platform/db/Field.h"

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

// The link lets go of the data source without a word: the views go with the model.
DatasetModel::~DatasetModel() = default;

void DatasetModel::dataEvent(db::DataEvent event, int row)
{
    using db::DataEvent;
    switch (event) {
    case DataEvent::AboutToReset:
        beginResetModel();
        break;
    case DataEvent::Reset:
    case DataEvent::DatasetChanged:
        rebuildColumns();
        endResetModel();
        break;
    case DataEvent::AboutToInsert:
        beginInsertRows({}, row, row);
        break;
    case DataEvent::Inserted:
        endInsertRows();
        break;
    case DataEvent::AboutToRemove:
        beginRemoveRows({}, row, row);
        break;
    case DataEvent::Removed:
        endRemoveRows();
        break;
    case DataEvent::RowChanged:
        if (row >= 0 && row < rowCount() && !m_columns.empty())
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        break;
    case DataEvent::StateChanged:
    case DataEvent::CurrentChanged:
        // The row indicator moves or changes its mark. Announcing that as
        // changed header data would make every view lay itself out again,
        // for every row an export walks; a view that shows the indicator
        // repaints it when its dataset says so (the grid does).
        break;
    }
}

void DatasetModel::rebuildColumns()
{
    m_columns.clear();
    if (const db::Dataset* ds = dataset()) {
        for (const auto& field : ds->fields()) {
            if (field->def().visible)
                m_columns.push_back(field.get());
        }
    }
}

bool DatasetModel::isDetached() const
{
    const db::Dataset* ds = dataset();
    return ds && ds->controlsDisabled();
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
    return index.isValid() && index.model() == this && !index.parent().isValid() && index.row() < rowCount()
        && index.column() < columnCount();
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    const db::Dataset* ds = dataset();
    if (parent.isValid() || !ds || !ds->isActive() || isDetached())
        return 0;
    return ds->recordCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (!isCell(index))
        return {};
    const db::Field* field = fieldAt(index.column());
    if (role == Qt::TextAlignmentRole) {
        const Qt::Alignment h = isNumeric(*field) ? Qt::AlignRight : Qt::AlignLeft;
        return QVariant::fromValue(h | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const db::FieldValue value = dataset()->valueAt(index.row(), field->index());
    return role == Qt::DisplayRole ? field->format(value) : rawText(value);
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
    const db::Dataset* ds = dataset();
    if (role != Qt::DisplayRole || section < 0 || section >= rowCount() || section != ds->recNo())
        return {};
    switch (ds->state()) {
    case db::DatasetState::Edit:
        return QString(QChar(editGlyph));
    case db::DatasetState::Insert:
        return QString(QChar(insertGlyph));
    case db::DatasetState::Browse:
        return QString(QChar(currentGlyph));
    case db::DatasetState::Inactive:
        break;
    }
    return {};
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    if (!isCell(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const db::Field* field = fieldAt(index.column());
    if (!dataset()->isReadOnly() && !field->def().readOnly && field->def().editable
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
    db::Field* field = fieldAt(index.column());
    if (!isCell(index))
        throw db::DbError(QStringLiteral("No field to write to"));
    if (text == editText(index))
        return;
    db::Dataset* ds = dataset();
    if (ds->recNo() != index.row())
        ds->moveTo(index.row());
    if (ds->state() == db::DatasetState::Browse)
        ds->edit();
    field->setAsString(text);
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    return messages::runEntryPoint([&] { writeCell(index, value.toString()); }, errorHandler);
}

} // namespace dbwidgets
