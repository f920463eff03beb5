#pragma once

#include "cadsim/app/EntityRows.h"

#include <QAbstractTableModel>
#include <QSet>

namespace cadsim {

// The entity list of the simulator's window; the rows in the pickfirst
// selection are shown highlighted.
class EntityTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<EntityRow> rows);
    void setSelectedHandles(const QSet<QString>& handles);

    const EntityRow& row(int index) const { return m_rows.at(static_cast<size_t>(index)); }
    bool isSelected(int index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<EntityRow> m_rows;
    QSet<QString> m_selected; // upper-case handles
};

} // namespace cadsim
