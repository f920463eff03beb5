#include "platform/dbwidgets/DBGrid.h"

#include "platform/db/DataSource.h"
#include "platform/db/Dataset.h"
#include "platform/db/Field.h"
#include "platform/dbwidgets/DatasetModel.h"
#include "platform/dbwidgets/GridDelegate.h"
#include "platform/messages/Progress.h"
#include "platform/messages/SilentAbort.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>

namespace dbwidgets {
namespace {

// Rows of a dataset that cannot be written (a view) are neither inserted nor
// deleted from the keyboard; the keys simply do nothing there.
bool canModify(const db::Dataset* ds)
{
    return ds && ds->isActive() && !ds->isReadOnly();
}

} // namespace

// Every change of the grid's current cell passes through here, whether it
// comes from a key, a click or Qt itself, so a row change can be refused:
// the dataset is moved first, and only when that succeeded (the left row was
// posted) does the cursor follow. The selection is always the current cell.
class DBGrid::RowSelectionModel final : public QItemSelectionModel {
public:
    RowSelectionModel(DBGrid* grid, QAbstractItemModel* model) : QItemSelectionModel(model, grid), m_grid(grid) {}

    using QItemSelectionModel::select;

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags /*command*/) override
    {
        QModelIndex target = index;
        if (!m_grid->acceptCurrentChange(target))
            return;
        QItemSelectionModel::setCurrentIndex(target, QItemSelectionModel::NoUpdate);
        selectCurrent();
    }

    void select(const QItemSelection& /*selection*/, QItemSelectionModel::SelectionFlags /*command*/) override
    {
        selectCurrent();
    }

private:
    void selectCurrent()
    {
        const QModelIndex current = currentIndex();
        QItemSelection selection;
        if (current.isValid())
            selection.select(current, current);
        QItemSelectionModel::select(selection, QItemSelectionModel::ClearAndSelect);
    }

    DBGrid* m_grid;
};

DBGrid::DBGrid(QWidget* parent)
    : QTableView(parent), m_model(new DatasetModel(this)), m_delegate(new GridDelegate(this))
{
    // The model's own setData path reports to this grid's handler.
    m_model->errorHandler = [this](std::exception_ptr error) { messages::deliverFailure(errorHandler, error); };
    setModel(m_model);
    QItemSelectionModel* initial = selectionModel();
    setSelectionModel(new RowSelectionModel(this, m_model));
    delete initial;
    m_delegate->commitEditor = [this] { return run([this] { writeEditor(); }); };
    setItemDelegate(m_delegate);

    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    QHeaderView* titles = horizontalHeader();
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setSectionsClickable(false);
    titles->setSectionsMovable(false);
    titles->setHighlightSections(false);
    titles->setStretchLastSection(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    QHeaderView* indicator = verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setHighlightSections(false);
    indicator->setDefaultAlignment(Qt::AlignCenter);

    connect(m_delegate, &GridDelegate::editorTextEdited, this, &DBGrid::onEditorTextEdited);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        std::vector<const void*> columns;
        for (int column = 0; column < m_model->columnCount(); ++column)
            columns.push_back(m_model->fieldAt(column));
        if (columns != m_sizedColumns) {
            m_sizedColumns = std::move(columns);
            applyColumnWidths();
        }
        syncCurrentFromDataset();
    });
    connect(qApp, &QApplication::focusChanged, this, &DBGrid::onFocusChanged);
    applyColumnWidths();
}

DBGrid::~DBGrid()
{
    // The widget part of the grid still runs after this body, and its editor
    // may lose the focus then: nothing may reach the dataset or this object
    // any more.
    disconnect(qApp, nullptr, this, nullptr);
    m_delegate->commitEditor = nullptr;
    m_link.setDataSource(nullptr);
    m_model->setDataSource(nullptr);
}

db::Dataset* DBGrid::dataset() const
{
    return m_model->dataset();
}

// The model hears of every change first, so that the view knows the rows
// before the grid moves its cursor among them.
void DBGrid::setDataSource(db::DataSource* source)
{
    if (m_link.dataSource() == source)
        return;
    m_link.setDataSource(nullptr);
    m_model->setDataSource(source);
    m_link.setDataSource(source);
}

void DBGrid::dataEvent(db::DataEvent event, int /*row*/)
{
    switch (event) {
    case db::DataEvent::AboutToReset:
        // The rows go as a whole; whatever the editor held was taken before.
        closeOpenEditor();
        break;
    case db::DataEvent::StateChanged:
        // Posted or cancelled: the editor's text is in the field or was dropped.
        if (!m_link.isEditing())
            closeOpenEditor();
        verticalHeader()->viewport()->update(); // the row indicator's mark
        break;
    case db::DataEvent::CurrentChanged:
        followCurrentRow();
        break;
    default:
        break;
    }
}

bool DBGrid::run(const std::function<void()>& action)
{
    return messages::runEntryPoint(action, errorHandler);
}

void DBGrid::writeEditor()
{
    QPointer<QLineEdit> editor = m_delegate->openEditor();
    const QModelIndex index = m_delegate->editorIndex();
    if (!editor || !index.isValid())
        return;
    try {
        m_model->writeCell(index, editor->text());
    } catch (const SilentAbort&) {
        throw;
    } catch (...) {
        // The grid is where the user's typing enters, and so where its
        // refusal is told: once, here, before the editor takes the focus
        // back; whatever asked for the text stops without a word.
        messages::deliverFailure(errorHandler, std::current_exception());
        if (editor)
            editor->setFocus(Qt::OtherFocusReason);
        throw SilentAbort();
    }
}

void DBGrid::closeOpenEditor()
{
    if (QLineEdit* editor = m_delegate->openEditor())
        closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// Decides whether the grid's cursor may go to `target`, moving the dataset
// there first; `target` is adjusted to where the dataset actually landed.
bool DBGrid::acceptCurrentChange(QModelIndex& target)
{
    db::Dataset* ds = dataset();
    if (!ds || !ds->isActive())
        return true;
    if (!target.isValid())
        return m_model->rowCount() == 0; // keep a current cell while there are rows
    if (target.row() == ds->recNo()) {
        // Another cell of the same row: a refused text keeps the editor open.
        if (m_delegate->openEditor() && m_delegate->editorIndex() != target)
            return run([this] { writeEditor(); });
        return true;
    }
    const int column = target.column();
    const int wanted = target.row();
    // The dataset settles the row being left (posted, or dropped when it is
    // an untouched new one, the rows below moving up) and says where it landed.
    const bool moved = run([&] { ds->moveTo(wanted); });
    if (ds->recNo() >= 0 && ds->recNo() < m_model->rowCount())
        target = m_model->index(ds->recNo(), column);
    // Refused: the user is sent back to the cell they were typing in, which
    // lost the keys to the message box (and to the grid, for a click).
    if (!moved)
        if (QLineEdit* editor = m_delegate->openEditor())
            editor->setFocus(Qt::OtherFocusReason);
    return moved;
}

// While a long command walks the rows (an export goes through all of them),
// following every row would cost a round trip to the display per row: a
// scroll of the view asks the window system where the pointer is, to update
// the hover. Then the grid catches up once per turn of the event loop, which
// the progress window runs each time it redraws; it is never more than one
// redraw behind, and in step again when the command ends.
void DBGrid::followCurrentRow()
{
    if (!progress::taskRunning()) {
        syncCurrentFromDataset();
        verticalHeader()->viewport()->update(); // the row indicator moves
        return;
    }
    if (m_followPosted)
        return;
    m_followPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_followPosted = false;
            syncCurrentFromDataset();
            verticalHeader()->viewport()->update();
        },
        Qt::QueuedConnection);
}

void DBGrid::syncCurrentFromDataset()
{
    db::Dataset* ds = dataset();
    if (m_model->rowCount() == 0 || m_model->columnCount() == 0) {
        selectionModel()->clearCurrentIndex();
        return;
    }
    // The model has not caught up with the dataset yet; it syncs when it has.
    if (!ds || ds->recNo() < 0 || m_model->rowCount() != ds->recordCount())
        return;
    const QModelIndex current = currentIndex();
    const QModelIndex target = m_model->index(ds->recNo(), current.isValid() ? current.column() : 0);
    if (current == target)
        return;
    // An editor on another row belongs to a row the dataset has already left.
    if (m_delegate->openEditor() && m_delegate->editorIndex().row() != ds->recNo())
        closeOpenEditor();
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    scrollTo(target);
}

void DBGrid::onEditorTextEdited()
{
    // Typing into a cell puts its row into edit state at once, so the
    // navigator and the row indicator show the pending change.
    db::Dataset* ds = dataset();
    const QModelIndex index = m_delegate->editorIndex();
    if (!ds || ds->state() != db::DatasetState::Browse || !index.isValid() || index.row() != ds->recNo())
        return;
    run([ds] { ds->edit(); });
}

void DBGrid::onFocusChanged(QWidget* old, QWidget* now)
{
    const auto inGrid = [this](QWidget* w) { return w == this || isAncestorOf(w); };
    // Only a move to another control of this window leaves the grid; a message
    // box or a pop-up menu is a window of its own.
    if (!old || !now || !inGrid(old) || inGrid(now) || now->window() != window())
        return;
    db::Dataset* ds = dataset();
    if (!ds || ds->state() != db::DatasetState::Insert || ds->isModified())
        return;
    // Text still in an editor counts as a change; the editor writes it itself.
    if (hasPendingEditorText())
        return;
    run([ds] { ds->cancel(); });
}

bool DBGrid::hasPendingEditorText() const
{
    const QLineEdit* editor = m_delegate->openEditor();
    return editor && editor->text() != m_model->editText(m_delegate->editorIndex());
}

void DBGrid::insertRow()
{
    db::Dataset* ds = dataset();
    if (!canModify(ds))
        return;
    run([ds] { ds->insert(); });
}

void DBGrid::appendRow()
{
    db::Dataset* ds = dataset();
    if (!canModify(ds))
        return;
    const bool onUntouchedNewLastRow = ds->state() == db::DatasetState::Insert && !ds->isModified()
        && ds->recNo() == ds->recordCount() - 1;
    if (onUntouchedNewLastRow && !hasPendingEditorText())
        return;
    run([ds] { ds->append(); });
}

void DBGrid::cancelRow()
{
    db::Dataset* ds = dataset();
    if (!ds || !ds->isEditing())
        return;
    run([ds] { ds->cancel(); });
}

void DBGrid::deleteRow()
{
    db::Dataset* ds = dataset();
    if (!canModify(ds) || ds->recordCount() == 0)
        return;
    run([&] {
        if (m_confirmDelete && !confirm(confirmAsker, this, deleteQuestion()))
            return;
        ds->deleteRecord();
    });
}

void DBGrid::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    db::Dataset* ds = dataset();
    const bool editing = ds && ds->isEditing();
    switch (event->key()) {
    case Qt::Key_Insert:
        if (mods == Qt::NoModifier) {
            insertRow();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Delete:
        if (mods == Qt::ControlModifier) {
            deleteRow();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        if (mods == Qt::NoModifier && editing) {
            cancelRow();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Down:
        if (mods == Qt::NoModifier && ds && ds->isActive()
            && (m_model->rowCount() == 0 || currentIndex().row() == m_model->rowCount() - 1)) {
            appendRow();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

void DBGrid::mousePressEvent(QMouseEvent* event)
{
    // A right-click moves the cursor when its pop-up menu is asked for (see
    // contextMenuEvent), whichever comes first on the platform.
    if (event->button() == Qt::RightButton) {
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
    handKeysBackToEditor();
}

// A double-click on a row that could not be reached edits nothing there.
void DBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    handKeysBackToEditor();
}

// A click that left the cell being edited where it was (on empty space, or
// on a row the dataset refused to go to) hands the keys back to its editor.
void DBGrid::handKeysBackToEditor()
{
    if (QLineEdit* editor = m_delegate->openEditor(); editor && hasFocus())
        editor->setFocus(Qt::MouseFocusReason);
}

// The pop-up menu's commands act on the current row, so a right-click on a
// row makes it current first, by the rules of a left click: the row being
// left is posted, and when that is refused the menu does not open. A
// right-click below the rows, the Menu key and Shift+F10 open the menu for
// the current row.
void DBGrid::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_popupMenu) {
        QTableView::contextMenuEvent(event);
        return;
    }
    event->accept();
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        // Leaving an untouched new row drops it, and the row pointed at may
        // move up by one: the target follows it.
        if (QModelIndex target = indexAt(event->pos()); target.isValid()) {
            if (!acceptCurrentChange(target))
                return;
            setCurrentIndex(target);
        }
    } else if (currentIndex().isValid()) {
        at = viewport()->mapToGlobal(visualRect(currentIndex()).center());
    }
    m_popupMenu->popup(at);
}

void DBGrid::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        applyColumnWidths();
}

bool DBGrid::isLastCell(const QModelIndex& index) const
{
    return index.isValid() && index.row() == m_model->rowCount() - 1 && index.column() == m_model->columnCount() - 1;
}

QModelIndex DBGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    if (cursorAction == MoveNext && isLastCell(current)) {
        // Tab from the last cell of the last row appends a row, as Down does
        // there, instead of wrapping round to the first row.
        appendRow();
        db::Dataset* ds = dataset();
        if (ds && ds->state() == db::DatasetState::Insert && ds->recNo() == m_model->rowCount() - 1)
            return m_model->index(ds->recNo(), 0);
        return currentIndex();
    }
    const QModelIndex next = QTableView::moveCursor(cursorAction, modifiers);
    // Shift+Tab stops at the first cell instead of wrapping round to the last row.
    if (cursorAction == MovePrevious && current.isValid() && next.isValid() && next.row() > current.row())
        return current;
    return next;
}

// Qt ends a cell with Tab, Shift+Tab or Enter by moving the cursor and then
// opening an editor on the cell it tried to move to, whether or not the move
// happened. After a refused move that editor would stand on a row the dataset
// never went to, and writing it would move the dataset, which asks the grid
// for its pending input, which is that editor again. The editor opens where
// the cursor is instead: on the row being left when the move was refused.
void DBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (hint != QAbstractItemDelegate::EditNextItem && hint != QAbstractItemDelegate::EditPreviousItem) {
        QTableView::closeEditor(editor, hint);
        return;
    }
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    const QModelIndex target =
        moveCursor(hint == QAbstractItemDelegate::EditNextItem ? MoveNext : MovePrevious, Qt::NoModifier);
    if (target.isValid())
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    const QModelIndex here = currentIndex();
    if (here.isValid() && (m_model->flags(here) & Qt::ItemIsEditable))
        edit(here, AllEditTriggers, nullptr);
}

// No editor opens on a row the dataset is not on: a double-click on another
// row whose move was refused, say, edits nothing.
bool DBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (const db::Dataset* ds = dataset(); ds && ds->isActive() && index.isValid() && index.row() != ds->recNo())
        return false;
    return QTableView::edit(index, trigger, event);
}

void DBGrid::commitData(QWidget* editor)
{
    if (editor != m_delegate->openEditor()) {
        QTableView::commitData(editor);
        return;
    }
    run([this] { writeEditor(); });
}

void DBGrid::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    // The dataset drops the row together with its edit (a delete, a cancelled
    // insert): the editor's text goes with it, unwritten.
    if (m_delegate->openEditor() && m_delegate->editorIndex().row() >= start
        && m_delegate->editorIndex().row() <= end)
        closeOpenEditor();
    // The dataset names the next current row itself once the row is gone.
    // The view's single-selection rule would pick one first and so move the
    // dataset in the middle of the removal.
    const SelectionMode mode = selectionMode();
    setSelectionMode(NoSelection);
    QTableView::rowsAboutToBeRemoved(parent, start, end);
    setSelectionMode(mode);
}

void DBGrid::applyColumnWidths()
{
    const QFontMetrics cell(font());
    const QFontMetrics title(horizontalHeader()->font());
    const int digit = cell.horizontalAdvance(QLatin1Char('0'));
    const int cellPadding = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 2;
    const int titlePadding = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this) + 2;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const db::Field* field = m_model->fieldAt(column);
        const QString label = m_model->headerData(column, Qt::Horizontal).toString();
        const int width = std::max(field->def().displayWidth * digit + cellPadding,
                                   title.horizontalAdvance(label) + titlePadding);
        setColumnWidth(column, width);
    }

    const int rowHeight = cell.height() + 4;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    const QFontMetrics marks(verticalHeader()->font());
    int glyph = 0;
    for (char16_t mark : {DatasetModel::currentGlyph, DatasetModel::editGlyph, DatasetModel::insertGlyph})
        glyph = std::max(glyph, marks.horizontalAdvance(QChar(mark)));
    verticalHeader()->setFixedWidth(glyph + 8);
}

} // namespace dbwidgets
