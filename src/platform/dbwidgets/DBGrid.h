#pragma once

#include "platform/dbwidgets/Confirm.h"
#include "platform/dbwidgets/ErrorBoundary.h"

#include "platform/db/DataSource.h"
#include "platform/db/Dataset.h"

#include <QMenu>
#include <QPointer>
#include <QTableView>

#include <vector>

namespace dbwidgets {

class DatasetModel;
class GridDelegate;

// A data-aware grid over a data source: one column per visible field, the
// field labels as titles, a row indicator at the left, cells edited in place.
// The grid's current row and the dataset's current row follow each other:
// moving the grid's cursor to another row moves the dataset, which posts a
// changed row first; when that fails the row stays current in its state.
//
// Keys: Insert inserts a row at the current one, Down on the last row appends
// one, Esc cancels the row's changes (a first Esc closes an open cell editor),
// Ctrl+Delete deletes the current row (asking first when confirmDelete is
// set). Tab moves between columns. Leaving the grid for another control of
// the window drops a new row that is still untouched.
//
// No exception leaves the grid: failures go to errorHandler, or to the
// process-wide hook when it is empty.
class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(QWidget* parent = nullptr);
    ~DBGrid() override;

    static QString deleteQuestion() { return QStringLiteral("Удалить запись?"); }

    db::DataSource* dataSource() const { return m_dataSource; }
    // May be called any time after construction; the grid follows the data
    // source to whatever dataset it is bound to later.
    void setDataSource(db::DataSource* source);
    db::Dataset* dataset() const;
    DatasetModel* datasetModel() const { return m_model; }

    bool confirmDelete() const { return m_confirmDelete; }
    void setConfirmDelete(bool on) { m_confirmDelete = on; }

    QMenu* popupMenu() const { return m_popupMenu; }
    // The menu opened by a right-click; the grid does not own it.
    void setPopupMenu(QMenu* menu) { m_popupMenu = menu; }

    // The grid's actions, as its keys run them; each is guarded.
    void insertRow();
    void appendRow();
    void cancelRow();
    void deleteRow();

    // Writes the open cell editor's text into its field (nothing when no
    // editor is open or its text is unchanged). Throws what the field throws.
    void writeEditor();

    // Failures of the grid's actions (empty: the process-wide hook).
    ErrorHandler errorHandler;
    // Asks the delete question when confirmDelete is set (empty: the process-wide asker).
    Asker confirmAsker;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    // Typing where no cell can be edited does not jump to a matching row.
    void keyboardSearch(const QString& /*search*/) override {}
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    class RowSelectionModel;

    void bindDataset();
    bool acceptCurrentChange(QModelIndex& target);
    void syncCurrentFromDataset();
    void closeOpenEditor();
    void onStateChanged();
    void onEditorTextEdited();
    void onUpdateRecordRequested();
    void onFocusChanged(QWidget* old, QWidget* now);
    void applyColumnWidths();
    bool commitEditorGuarded();
    bool run(const std::function<void()>& action);

    QPointer<db::DataSource> m_dataSource;
    QPointer<db::Dataset> m_boundDataset;
    QList<QMetaObject::Connection> m_datasetConnections;
    DatasetModel* m_model;
    GridDelegate* m_delegate;
    QPointer<QMenu> m_popupMenu;
    bool m_confirmDelete = false;
    // Set while the grid itself moves its cursor to the dataset's row.
    bool m_syncing = false;
    // Set while the grid runs one of its actions. A message box shown meanwhile
    // (a failed write, the row validation) takes the focus from an open cell
    // editor, and that focus-out must neither write the editor again nor
    // close it.
    bool m_busy = false;
    // The columns the widths were computed for; a reload of the same columns
    // keeps the widths the user dragged.
    std::vector<const void*> m_sizedColumns;
    // The editor text whose write failed last, reported once.
    QPointer<QWidget> m_refusedEditor;
    QString m_refusedText;
    // The last write of an editor failed: the next close keeps the editor
    // open with the user's text.
    bool m_keepEditor = false;
};

} // namespace dbwidgets
