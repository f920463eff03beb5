#include "app/InputBlocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Close: // the close box of a window
        return true;
    default:
        return false;
    }
}

} // namespace

InputBlocker::InputBlocker(const QWidget* except) : m_except(except)
{
    QCoreApplication::instance()->installEventFilter(this);
}

InputBlocker::~InputBlocker() = default;

bool InputBlocker::eventFilter(QObject* watched, QEvent* event)
{
    if (!isUserInput(event->type()))
        return false;
    // The command's own window, and what lies in it, takes its input; its
    // close box stays dropped. The window system hands input to the window
    // first (its QWindow), which passes it on to the widget under it.
    if (m_except && event->type() != QEvent::Close) {
        if (watched == m_except->windowHandle())
            return false;
        for (const QObject* o = watched; o; o = o->parent()) {
            if (o == m_except)
                return false;
        }
    }
    return true;
}
