#pragma once

#include "platform/dbwidgets/Confirm.h"
#include "platform/messages/EntryPoint.h"

#include "platform/db/DataLink.h"

#include <QMenu>
#include <QPointer>
#include <QTableView>

#include <vector>

namespace db {
class DataSource;
class Dataset;
} // namespace db

namespace dbwidgets {

class DatasetModel;
class GridDelegate;

// A data-aware grid over a data source: one column per visible field, the
// field labels as titles, a row indicator at the left, cells edited in place.
// The grid's current row and the dataset's current row follow each other:
// moving the grid's cursor to another row moves the dataset, which posts a
// changed row first; when that fails the row stays current in its state.
//
// Keys: Insert inserts a row at the current one, Down on the last row and Tab
// in the last cell of the last row append one, Esc cancels the row's changes
// (a first Esc closes an open cell editor), Ctrl+Delete deletes the current
// row (asking first when confirmDelete is set). Tab and Shift+Tab move
// between cells. Leaving the grid for another control of the window drops a
// new row that is still untouched.
//
// Typed text is never lost: a cell's text goes into its field when the cell
// or the row is left, or when the dataset asks for pending input (a post, a
// move, an insert by anyone). A text the field cannot take is shown to the
// user, whatever asked for it stops, and the editor stays open with the text.
//
// A cell editor only ever stands on the dataset's current row: a move that
// the row refuses (its validation, a text its field cannot take) keeps the
// user in the cell they were in, and no editor opens on the row they tried
// to reach.
//
// No exception leaves the grid: failures go to errorHandler, or to the
// program's one failure reporter (messages::reportFailure) when it is empty.
class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(QWidget* parent = nullptr);
    ~DBGrid() override;

    static QString deleteQuestion() { return QStringLiteral("Удалить запись?"); }

    db::DataSource* dataSource() const { return m_link.dataSource(); }
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

    // The grid's actions, as its keys run them, each run as an entry point.
    void insertRow();
    void appendRow();
    void cancelRow();
    void deleteRow();

    // Writes the open cell editor's text into its field (nothing when no
    // editor is open or its text is unchanged). A text the field refuses is
    // reported through errorHandler, the editor keeps it and the focus, and
    // SilentAbort is thrown so that the caller stops.
    void writeEditor();

    // Failures of the grid's actions (empty: the program's reporter).
    messages::FailureHandler errorHandler;
    // Asks the delete question when confirmDelete is set (empty: the process-wide asker).
    Asker confirmAsker;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    // Typing where no cell can be edited does not jump to a matching row.
    void keyboardSearch(const QString& /*search*/) override {}
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

private:
    class RowSelectionModel;
    class Link final : public db::DataLink {
    public:
        explicit Link(DBGrid& grid) : m_grid(grid) {}

    protected:
        void dataEvent(db::DataEvent event, int row) override { m_grid.dataEvent(event, row); }
        void updateRecord() override { m_grid.writeEditor(); }

    private:
        DBGrid& m_grid;
    };

    void dataEvent(db::DataEvent event, int row);
    bool acceptCurrentChange(QModelIndex& target);
    void followCurrentRow();
    void syncCurrentFromDataset();
    void closeOpenEditor();
    // An open cell editor holds text other than its cell's: input not yet in the field.
    bool hasPendingEditorText() const;
    void handKeysBackToEditor();
    void onEditorTextEdited();
    void onFocusChanged(QWidget* old, QWidget* now);
    void applyColumnWidths();
    bool isLastCell(const QModelIndex& index) const;
    bool run(const std::function<void()>& action);

    DatasetModel* m_model;
    GridDelegate* m_delegate;
    Link m_link{*this};
    QPointer<QMenu> m_popupMenu;
    bool m_confirmDelete = false;
    bool m_followPosted = false;
    // The columns the widths were computed for; a reload of the same columns
    // keeps the widths the user dragged.
    std::vector<const void*> m_sizedColumns;
};

} // namespace dbwidgets
