#pragma once

#include "platform/db/DataLink.h"
#include "platform/db/Field.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace db {

class Connection;
class DataSource;
class RowWriter;
struct LoadedSource;
struct SortColumn;

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
    // Shows or hides a field in the controls bound to the dataset, which lay
    // their columns out anew when it changes.
    void setFieldVisible(Field& field, bool visible);
    const std::vector<std::unique_ptr<Field>>& fields() const { return m_fields; }
    Field* findField(const QString& name) const;
    Field& fieldByName(const QString& name) const; // DbError when there is none

    // "FLayer;FRmax": ascending by each named field in turn. Empty: database order.
    void setIndexFieldNames(const QString& names);
    const QString& indexFieldNames() const { return m_indexFieldNames; }

    // Reads all rows. The source must be a table or view of that name; each
    // persistent field is checked against its column: the declared type, or
    // for a column without one (a computed column of a view) every value
    // read. The sort uses the index field names. Opens the connection first
    // when it is not open yet. DbError on any failure; the dataset stays closed.
    void open();
    // Drops a pending insert or edit without posting it and without asking
    // the controls: whoever wants the input kept ends the edit first.
    void close();
    // Reads the rows again from the file, keeping the row position where it
    // can; a pending edit is written first. A failed read closes the table.
    void requery();
    bool isActive() const { return m_state != DatasetState::Inactive; }
    DatasetState state() const { return m_state; }
    // A row is being edited or inserted: there is something to post or cancel.
    bool isEditing() const { return m_state == DatasetState::Edit || m_state == DatasetState::Insert; }
    // DbError "<name>: Cannot perform this operation on a closed dataset".
    void checkActive() const;
    // The rows of a view, or of any source on a connection that is read-only,
    // cannot be written: insert, edit and delete fail with a DbError. Known
    // once open.
    bool isReadOnly() const;

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
    // A pending edit is written first, as by moving.
    void insert();
    void append();
    // Edit the current row; on an empty table, insert one.
    void edit();
    // Asks the bound controls for their pending input, runs beforePost and
    // writes the row: an UPDATE by key of the changed columns, which fails
    // when another program changed or deleted the row since it was read, or
    // an INSERT whose new key is read back. The row keeps its place in the
    // row list until the table is reopened. Any failure (a throwing
    // beforePost, a read-only or locked file, a constraint) leaves the row in
    // its edit or insert state with the user's values, and nothing written.
    void post();
    void cancel();
    // The current row, at once; no question asked. In insert state it cancels
    // the insertion, in edit state the edit goes with the row: deleting ends
    // an edit by throwing it away, so the controls are not asked for their
    // input. A row that another program already deleted counts as deleted.
    void deleteRecord();
    // Ends a pending edit by keeping it: asks the controls for their input,
    // then posts when a field changed and cancels otherwise. Nothing more
    // happens in browse state; a closed table is a DbError.
    void checkBrowseMode();

    // True once a field of the row being edited or inserted has been set.
    bool isModified() const { return m_modified; }

    // Row access for views (grids): the value of a field on any row, without
    // moving the current row. The current row in edit or insert state shows
    // its pending values.
    FieldValue valueAt(int row, int fieldIndex) const;

    // Asks every bound control to write its pending input into the current
    // row's fields (a grid's open cell editor). Done before every post and
    // before anything that ends an edit by keeping it (moving, inserting,
    // re-sorting); a control whose input cannot go into its field refuses,
    // and the operation stops there with the row as the user left it. Asked
    // in every active state, so a control that holds input while the table
    // is in browse state may start an edit for it.
    void updateRecord();

    // A bulk write (the harvest's replacement of every row) detaches the bound
    // controls: they are told that the rows are about to change as a whole,
    // then nothing until the last enableControls(), and then that the rows
    // have changed. The calls nest.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disabledCount > 0; }

    // Runs before every post; a throw cancels the post and leaves the row in
    // its edit or insert state with the user's values.
    std::function<void(Dataset&)> beforePost;
    // Runs on open once the connection is open, before the rows are read
    // and the fields bound; a throw fails the open.
    std::function<void(Dataset&)> beforeOpen;

private:
    friend class Field;
    friend class DataSource;
    void addDataSource(DataSource* source);
    void removeDataSource(DataSource* source);
    void notify(DataEvent event, int row = -1);
    void fieldModified();
    const FieldValue& currentValue(int fieldIndex) const;
    void setCurrentValue(int fieldIndex, FieldValue value);
    void checkEditing() const;
    QString name() const; // the component's name in messages, else the source name
    std::vector<SortColumn> sortColumns(const QString& names) const;
    void checkWritable() const;
    RowWriter& writer() const;
    void beginInsert(int position);
    void postRow();
    void leaveEditState();
    void resort();
    void takeRows(LoadedSource&& source, int current);
    void setCurrent(int row, bool bof, bool eof);

    struct Private;
    Connection& m_connection;
    QString m_sourceName;
    QString m_indexFieldNames;
    std::vector<std::unique_ptr<Field>> m_fields;
    std::vector<DataSource*> m_sources;
    DatasetState m_state = DatasetState::Inactive;
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    bool m_modified = false;
    int m_disabledCount = 0;
    std::unique_ptr<Private> d;
};

// Keeps a dataset's controls detached for one scope (a bulk write).
class ControlsDisabled {
public:
    explicit ControlsDisabled(Dataset& dataset) : m_dataset(dataset) { m_dataset.disableControls(); }
    ~ControlsDisabled() { m_dataset.enableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    Dataset& m_dataset;
};

} // namespace db
