#pragma once

#include "platform/dbwidgets/ErrorBoundary.h"

#include "platform/db/Dataset.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <vector>

namespace dbwidgets {

// A table model over a dataset: one column per visible field in field order,
// titled with the field's display label, one row per dataset row. The
// dataset is the authority: the model never caches values, and it announces
// a change only after the dataset has signalled it. The vertical header is
// the row indicator of the current row (browse, edit or insert).
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Row indicator glyphs (all present in DejaVu Sans).
    static constexpr char16_t currentGlyph = u'\u25B6'; // ▶ the current row
    static constexpr char16_t editGlyph = u'\u270E';    // ✎ the current row is being edited
    static constexpr char16_t insertGlyph = u'\u2731';  // ✱ the current row is a new row

    explicit DatasetModel(QObject* parent = nullptr);
    ~DatasetModel() override;

    db::Dataset* dataset() const { return m_dataset; }
    void setDataset(db::Dataset* dataset);

    db::Field* fieldAt(int column) const;

    // True while the model announces a change the dataset has already made
    // (between a begin and an end of inserting, removing or resetting rows).
    // The views then adjust their current cells and editors to rows that no
    // longer match the dataset's; nothing may be written meanwhile.
    bool isAnnouncing() const { return m_announcing; }

    // The value of a cell as the editor shows it: the raw value as text
    // (no display format), Null as the empty string.
    QString editText(const QModelIndex& index) const;

    // Writes text into the cell's field. A text equal to the cell's current
    // edit text changes nothing (and does not start an edit); otherwise the
    // dataset is moved to the row if needed and put into edit state first.
    // Failures (a text that is no number, a refused edit) are thrown.
    void writeCell(const QModelIndex& index, const QString& text);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The generic item-view path: writeCell with failures sent to errorHandler.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Receives failures of setData (empty: the process-wide hook).
    ErrorHandler errorHandler;

private:
    void connectDataset();
    void reset();
    void rebuildColumns();
    bool isCell(const QModelIndex& index) const;
    int datasetRow(int modelRow) const;
    void onRowInserted(int row);
    void onRowRemoved(int row);
    void onRowChanged(int row);
    void onIndicatorChanged();
    void onDatasetDestroyed();

    QPointer<db::Dataset> m_dataset;
    std::vector<db::Field*> m_columns;
    QList<QMetaObject::Connection> m_connections;
    // The row count the views know. The dataset has already changed when it
    // signals, so while a row insertion or removal is being announced the
    // model still answers with the old layout: m_pendingInsert or
    // m_pendingRemove names the dataset row that the views do not know yet
    // or that the dataset no longer has.
    int m_rowCount = 0;
    int m_pendingInsert = -1;
    int m_pendingRemove = -1;
    bool m_announcing = false;
};

} // namespace dbwidgets
