#pragma once

#include "platform/db/Field.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace db {

class Connection;

// The states of a dataset, as a data-aware grid and navigator expect them.
enum class DatasetState { Inactive, Browse, Edit, Insert };

// A table object over one table or view of the database: the rows are read
// into memory on open (a client-side, static cursor), sorted by the index
// field names, and written back one row per post.
//
// Row positions are 0-based. recNo() is -1 when the table has no rows. While
// a row is inserted it occupies its position in the row list (so a grid shows
// it), and a cancel takes it out again.
class Dataset : public QObject {
    Q_OBJECT
public:
    Dataset(Connection& connection, QString sourceName, QObject* parent = nullptr);
    ~Dataset() override;

    const QString& sourceName() const { return m_sourceName; }
    Connection& connection() const { return m_connection; }

    // Persistent fields, declared before open in field order. Each is bound to
    // the column of its name on open; a missing column or a column of another
    // type makes the open fail. Extra columns are ignored.
    Field& addField(FieldDef def);
    const std::vector<std::unique_ptr<Field>>& fields() const { return m_fields; }
    Field* findField(const QString& name) const;
    Field& fieldByName(const QString& name) const; // DbError when there is none

    // "FLayer;FRmax": ascending by each named field in turn. Empty: database order.
    void setIndexFieldNames(const QString& names);
    const QString& indexFieldNames() const { return m_indexFieldNames; }

    void open();
    void close(); // drops a pending insert or edit without posting it
    bool isActive() const { return m_state != DatasetState::Inactive; }
    DatasetState state() const { return m_state; }

    int recordCount() const;
    int recNo() const { return m_current; }
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool isEmpty() const { return recordCount() == 0; }

    // Moving posts a pending edit first (or cancels it when nothing changed),
    // through the before-post handler, exactly like a grid leaving the row.
    void first();
    void next();
    void prior();
    void last();
    void moveTo(int row);

    // Insert a new row at the current position; append one after the last row.
    void insert();
    void append();
    void edit();
    void post();
    void cancel();
    void deleteRecord(); // the current row, at once; no question asked
    // Writes the pending edit: post when a field changed, cancel otherwise.
    // Nothing happens in browse state; a closed table is a DbError.
    void checkBrowseMode();

    // True once a field of the row being edited or inserted has been set.
    bool isModified() const { return m_modified; }

    // Row access for views (grids): the value of a field on any row, without
    // moving the current row. The current row in edit or insert state shows
    // its pending values.
    FieldValue valueAt(int row, int fieldIndex) const;

    // Asks every bound control to write its pending input into the current
    // row's fields (a grid's open cell editor), before a post.
    void updateRecord();

    // Runs before every post; a throw cancels the post and leaves the row in
    // its edit or insert state with the user's values.
    std::function<void(Dataset&)> beforePost;

signals:
    void stateChanged();
    void currentRowChanged(int row);
    // The row set changed as a whole: opened, closed, re-sorted, reloaded.
    void rowsReset();
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    // Emitted by updateRecord(); controls with a pending edit write it now.
    void updateRecordRequested();

private:
    friend class Field;
    void fieldModified(Field& field);

    struct Private;
    Connection& m_connection;
    QString m_sourceName;
    QString m_indexFieldNames;
    std::vector<std::unique_ptr<Field>> m_fields;
    DatasetState m_state = DatasetState::Inactive;
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    bool m_modified = false;
    std::unique_ptr<Private> d;
};

} // namespace db
