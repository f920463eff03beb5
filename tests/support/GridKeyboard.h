#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QString>
#include <QTest>
#include <QWidget>

#include <functional>
#include <utility>

// The user's keys on a data grid. Each key goes where the user's would: to
// the widget that has the focus as that key is pressed, looked up anew for
// every key. Typing into a grid depends on it: the first key opens a cell
// editor, which takes the focus from the grid, and the keys after it are the
// editor's. A test fixture derives from it, or a test holds one.
class GridKeyboard {
public:
    // whenNoFocus names the widget a key goes to while no widget has the
    // focus; without it, QTest picks one (the active popup or window).
    explicit GridKeyboard(std::function<QWidget*()> whenNoFocus = {}) : m_whenNoFocus(std::move(whenNoFocus)) {}

    QWidget* keyTarget() const
    {
        QWidget* focused = QApplication::focusWidget();
        return focused || !m_whenNoFocus ? focused : m_whenNoFocus();
    }
    void key(Qt::Key pressed, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(keyTarget(), pressed, modifiers);
    }
    void type(const QString& text) const
    {
        for (QChar c : text)
            QTest::keyClicks(keyTarget(), QString(c));
    }
    // The cell editor, while it has the focus.
    static QLineEdit* editor() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }

private:
    std::function<QWidget*()> m_whenNoFocus;
};
