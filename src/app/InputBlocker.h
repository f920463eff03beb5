#pragma once

#include "platform/messages/EntryPoint.h"

#include <QObject>

class QWidget;

// While one lives, the program handles the window system's events so that its
// windows stay drawn during a long command, but no input of the user's
// reaches it: clicks, keys, the wheel and the close box are dropped, not
// queued for later. The command that runs meanwhile is the only one; an
// entry point asked for while input is blocked does not start
// (messages::runEntryPoint). Only the window of the command itself, when
// one is given, takes the user's input: its "Отмена" and Esc.
class InputBlocker final : public QObject {
    Q_OBJECT
public:
    explicit InputBlocker(const QWidget* except = nullptr);
    ~InputBlocker() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    messages::InputBlock m_block;
    const QWidget* m_except;
};
