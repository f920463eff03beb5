#include "platform/dbwidgets/GridDelegate.h"

#include "platform/db/Field.h"
#include "platform/dbwidgets/DatasetModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace dbwidgets {
namespace {

// A cell editor that leaves the grid's own row keys to the grid: Insert
// (new row) and Ctrl+Delete (delete row) would otherwise be eaten by the line
// edit, which deletes a word on Ctrl+Delete. Up and Down already pass through.
class CellEditor final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const auto mods = event->modifiers() & ~Qt::KeypadModifier;
        if ((event->key() == Qt::Key_Insert && mods == Qt::NoModifier)
            || (event->key() == Qt::Key_Delete && mods == Qt::ControlModifier)) {
            event->ignore();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
};

// Enter, Tab and Shift+Tab end the cell (the item view closes the editor and
// moves on); Esc ends it without writing.
bool endsTheCell(const QKeyEvent& key)
{
    switch (key.key()) {
    case Qt::Key_Enter:
    case Qt::Key_Return:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return false;
    }
}

} // namespace

GridDelegate::GridDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                    const QModelIndex& index) const
{
    auto* editor = new CellEditor(parent);
    editor->setFrame(false);
    if (const auto* model = qobject_cast<const DatasetModel*>(index.model())) {
        const db::Field* field = model->fieldAt(index.column());
        // Typing stops at the field's size, but a longer stored value is
        // never cut by merely opening the editor on it.
        if (field && field->type() == db::FieldType::Text && field->def().size > 0)
            editor->setMaxLength(std::max(field->def().size, static_cast<int>(model->editText(index).size())));
        if (field && field->type() != db::FieldType::Text)
            editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    connect(editor, &QLineEdit::textEdited, this, &GridDelegate::editorTextEdited);
    m_editor = editor;
    m_editorIndex = index;
    return editor;
}

void GridDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (editor == m_editor) {
        m_editor = nullptr;
        m_editorIndex = QPersistentModelIndex();
    }
    QStyledItemDelegate::destroyEditor(editor, index);
}

// True when the focus went from the editor to another control of the same
// window, outside the grid. A focus taken by a message box, a menu or another
// window, and a click into the grid itself (whose cursor move writes the
// editor on its own), end nothing here.
bool GridDelegate::focusLeftForAnotherControl(QWidget* editor, QEvent* event) const
{
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return false;
    QWidget* now = QApplication::focusWidget();
    if (!now || now->window() != editor->window() || now == editor || editor->isAncestorOf(now))
        return false;
    const auto* view = qobject_cast<const QAbstractItemView*>(parent());
    return !(view && (now == view || view->isAncestorOf(now)));
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event)
{
    QLineEdit* editor = m_editor;
    if (!editor || object != editor)
        return QStyledItemDelegate::eventFilter(object, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (endsTheCell(*static_cast<QKeyEvent*>(event)) && !commit())
            return true; // refused: the editor stays with the user's text
        break;
    case QEvent::FocusOut:
        if (!focusLeftForAnotherControl(editor, event))
            return false; // the editor waits; the line edit still hears of the focus loss
        if (!commit()) {
            // The text cannot go into its field: the user is sent back to it.
            QMetaObject::invokeMethod(editor, [editor] { editor->setFocus(Qt::OtherFocusReason); },
                                      Qt::QueuedConnection);
            return false;
        }
        break;
    default:
        break;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // The current cell is highlighted only while the grid has the focus.
    QStyleOptionViewItem opt(option);
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (view && !view->hasFocus())
        opt.state &= ~QStyle::State_Selected;
    QStyledItemDelegate::paint(painter, opt, index);
}

} // namespace dbwidgets
