#pragma once

#include <QEvent>
#include <QObject>

// Counts the events of one kind that reach an object (shows of a window,
// paints of a viewport), without taking them.
class EventCounter final : public QObject {
public:
    EventCounter(QObject* watched, QEvent::Type type) : m_type(type) { watched->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};
