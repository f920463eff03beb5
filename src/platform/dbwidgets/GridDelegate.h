#pragma once

#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

namespace dbwidgets {

// The grid's cell painter and editor factory. It keeps track of the one cell
// editor the grid may have open, so the grid can write a half-typed cell into
// its field when the dataset asks for pending input, and it tells the grid
// when the user first changes an editor's text (the row then goes into edit
// state at once, as a data-aware grid does).
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(QObject* parent = nullptr);

    QLineEdit* openEditor() const { return m_editor; }
    QModelIndex editorIndex() const { return m_editorIndex; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

signals:
    void editorTextEdited();

private:
    mutable QPointer<QLineEdit> m_editor;
    mutable QPersistentModelIndex m_editorIndex;
};

} // namespace dbwidgets
