#include "cadsim/app/EntityTableModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace cadsim {

void EntityTableModel::setRows(std::vector<EntityRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void EntityTableModel::setSelectedHandles(const QSet<QString>& handles)
{
    QSet<QString> folded;
    for (const QString& h : handles)
        folded.insert(h.toUpper());
    if (folded == m_selected)
        return;
    m_selected = folded;
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::FontRole});
}

bool EntityTableModel::isSelected(int index) const
{
    return m_selected.contains(m_rows.at(static_cast<size_t>(index)).handle.toUpper());
}

int EntityTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int EntityTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(entityColumnTitles().size());
}

QVariant EntityTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole: return entityCells(row(index.row())).value(index.column());
    case Qt::TextAlignmentRole:
        return index.column() >= 3 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::BackgroundRole:
        return isSelected(index.row()) ? QVariant(QBrush(QColor(255, 214, 102))) : QVariant();
    case Qt::FontRole:
        if (isSelected(index.row())) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default: return {};
    }
}

QVariant EntityTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return entityColumnTitles().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace cadsim
