#pragma once

#include "platform/messages/EntryPoint.h"

#include "platform/db/DataLink.h"

#include <QAbstractTableModel>

#include <vector>

namespace db {
class Dataset;
class Field;
} // namespace db

namespace dbwidgets {

// A table model over a dataset, bound through a data source: one column per
// visible field in field order, titled with the field's display label, one
// row per dataset row. The dataset is the authority: the model keeps no copy
// of its rows. The dataset announces every change of its row list before it
// makes it and confirms it afterwards, and the model maps each announcement
// one to one onto Qt's begin…/end… pair. The vertical header is the row
// indicator of the current row (browse, edit or insert); it is not announced
// as changed header data when the current row moves (see dataEvent).
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Row indicator glyphs (all present in DejaVu Sans).
    static constexpr char16_t currentGlyph = u'\u25B6'; // ▶ the current row
    static constexpr char16_t editGlyph = u'\u270E';    // ✎ the current row is being edited
    static constexpr char16_t insertGlyph = u'\u2731';  // ✱ the current row is a new row

    explicit DatasetModel(QObject* parent = nullptr);
    ~DatasetModel() override;

    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataSource(db::DataSource* source) { m_link.setDataSource(source); }
    db::Dataset* dataset() const { return m_link.dataset(); }

    db::Field* fieldAt(int column) const;

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

    // Receives failures of setData (empty: messages::reportFailure).
    messages::FailureHandler errorHandler;

private:
    class Link final : public db::DataLink {
    public:
        explicit Link(DatasetModel& model) : m_model(model) {}

    protected:
        void dataEvent(db::DataEvent event, int row) override { m_model.dataEvent(event, row); }

    private:
        DatasetModel& m_model;
    };

    void dataEvent(db::DataEvent event, int row);
    void rebuildColumns();
    // While a bulk write keeps the controls detached, the model shows no rows.
    bool isDetached() const;
    bool isCell(const QModelIndex& index) const;

    std::vector<db::Field*> m_columns;
    Link m_link{*this};
};

} // namespace dbwidgets
