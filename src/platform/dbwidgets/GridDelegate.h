#pragma once

#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

#include <functional>

namespace dbwidgets {

// The grid's cell painter and editor factory. It keeps track of the one cell
// editor the grid may have open, so the grid can write a half-typed cell into
// its field when the dataset asks for pending input, and it tells the grid
// when the user first changes an editor's text (the row then goes into edit
// state at once, as a data-aware grid does).
//
// The keys and focus moves that end a cell (Enter, Tab, Shift+Tab, a click on
// another control of the window) first have the grid write the editor's text;
// when the field refuses it, the cell is not ended and the editor stays open
// with the user's text. A message box, a menu or another program taking the
// focus ends nothing: the editor waits, and its text is taken when the
// dataset asks for it.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(QObject* parent = nullptr);

    QLineEdit* openEditor() const { return m_editor; }
    QModelIndex editorIndex() const { return m_editorIndex; }

    // Writes the open editor's text into its field; false when the field
    // refused it (the grid has told the user why). Empty: nothing is written.
    std::function<bool()> commitEditor;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

signals:
    void editorTextEdited();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    bool commit() const { return !commitEditor || commitEditor(); }
    bool focusLeftForAnotherControl(QWidget* editor, QEvent* event) const;

    mutable QPointer<QLineEdit> m_editor;
    mutable QPersistentModelIndex m_editorIndex;
};

} // namespace dbwidgets
